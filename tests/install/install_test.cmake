# cmake -P: install into a fresh prefix (with a blank in its path, as users' folders have),
# check the layout and the desktop entry, then start the installed program through bin/ and
# let it close itself after its first activation.
cmake_minimum_required(VERSION 3.22)

# check(<message> <condition>...): the condition as if() takes it.
function(check message)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

set(prefix "${WORK_DIR}/prefix with blank")
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE rc OUTPUT_QUIET)
check("cmake --install failed: ${rc}" rc EQUAL 0)

set(appdir "${prefix}/${APPDIR}")
set(program "${appdir}/vireska")
foreach(file vireska libvireska_rapi.so)
  check("${file} is not in ${appdir}" EXISTS "${appdir}/${file}")
endforeach()
foreach(file "popisrtf.rtf" "Zlaté Moravce50km.wpt" "Tribeč.gpx")
  file(SHA256 "${SOURCE_DIR}/resources/${file}" want)
  file(SHA256 "${appdir}/${file}" got)
  check("${file} beside the program differs from resources/${file}" want STREQUAL got)
endforeach()
check("no icon" EXISTS "${prefix}/share/icons/hicolor/scalable/apps/vireska.svg")
file(READ_ELF "${program}" RUNPATH runpath RPATH rpath)
set(elf_path "${runpath}${rpath}")
check("run path: '${elf_path}'" elf_path STREQUAL "\$ORIGIN")

set(entry "${prefix}/share/applications/vireska.desktop")
check("no desktop entry" EXISTS "${entry}")
file(STRINGS "${entry}" lines)
foreach(want "Exec=\"${program}\"" "TryExec=${program}" "Icon=vireska" "Type=Application")
  list(FIND lines "${want}" at)
  check("the desktop entry has no line '${want}'" at GREATER -1)
endforeach()

find_program(VALIDATE desktop-file-validate)  # desktop-file-utils, when present
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${entry}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  check("the desktop entry is not valid: ${out}" rc EQUAL 0)
endif()

file(READ_SYMLINK "${prefix}/bin/vireska" link)
get_filename_component(linked "${prefix}/bin/${link}" REALPATH)
get_filename_component(real "${program}" REALPATH)
check("bin/vireska leads to ${linked}" linked STREQUAL real)

# Without "WPTsubor" the first activation asks for a waypoint file in a modal dialog.
string(ASCII 233 e_acute)  # code page 1250, as the program writes its settings
file(WRITE "${appdir}/Vireska.ini"
  "[Kdeukladatdata]\nWPTsubor=${appdir}/Zlat${e_acute} Moravce50km.wpt\n")
file(MAKE_DIRECTORY "${appdir}/PDA")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=VIRESKA_RAPI --unset=VIRESKA_PDA_ROOT
    VIRESKA_QUIT_AFTER_START=1 "${prefix}/bin/vireska"
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
check("the installed program ended with '${rc}'\n${out}\n${err}" rc EQUAL 0)
# FormClose writes the last folders into the settings file beside the program.
file(READ "${appdir}/Vireska.ini" ini)
string(FIND "${ini}" "[LastCesty]" at)
check("the program did not close through its window:\n${ini}\n${err}" at GREATER -1)
file(REMOVE_RECURSE "${WORK_DIR}")
