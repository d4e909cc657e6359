# Runs at install time (from cmake_install.cmake): writes the desktop entry for this prefix and
# links bin/vireska to the program.
if(IS_ABSOLUTE "${VIRESKA_APPDIR}")
  set(appdir "${VIRESKA_APPDIR}")
else()
  set(appdir "${CMAKE_INSTALL_PREFIX}/${VIRESKA_APPDIR}")
endif()
set(program "${appdir}/vireska")

# Exec: the path quoted as one argument ("\", "\"", "`" and "$" escaped inside the quotes, "%"
# doubled), then the backslashes escaped once more as in every string value of an entry.
set(exec "${program}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
set(VIRESKA_DESKTOP_EXEC "\"${exec}\"")
string(REPLACE "\\" "\\\\" VIRESKA_DESKTOP_TRYEXEC "${program}")
configure_file("${VIRESKA_DESKTOP_TEMPLATE}" "${VIRESKA_DESKTOP_OUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
  FILES "${VIRESKA_DESKTOP_OUT}")

# The program finds its folder through the link, so the link may live anywhere.
set(bindir "${CMAKE_INSTALL_PREFIX}/bin")
file(RELATIVE_PATH target "${bindir}" "${program}")
set(link "$ENV{DESTDIR}${bindir}/vireska")
message(STATUS "Installing: ${link} -> ${target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${bindir}")
file(REMOVE "${link}")
file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${bindir}/vireska")
