# cmake -P: make the Debian package of this build, install it into the machine with apt-get,
# start /usr/bin/vireska as an unprivileged user, whose settings must land in that user's
# configuration folder, and remove the package and what it pulled in again. Root only: meant
# for a throwaway machine (CI); a machine that has a vireska package installed is left alone.
cmake_minimum_required(VERSION 3.22)

execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT uid STREQUAL "0")
  message("SKIPPED: installing a package needs root")
  return()
endif()
execute_process(COMMAND dpkg-query -W "-f=\${Status}" vireska OUTPUT_VARIABLE status ERROR_QUIET)
if(status MATCHES "ok installed")
  message("SKIPPED: a vireska package is installed here; the test leaves it alone")
  return()
endif()
find_program(RUNUSER runuser)
execute_process(COMMAND id -u nobody RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT RUNUSER OR NOT rc EQUAL 0)
  message("SKIPPED: no runuser or no user nobody to start the program as")
  return()
endif()

set(appdir /usr/lib/vireska)
set(preset "${appdir}/Vireska.ini")
set(failures "")
# check(<message> <condition>...): the condition as if() takes it; failures are collected, so
# the machine is always put back before the test fails.
macro(check message)
  if(NOT (${ARGN}))
    string(APPEND failures "${message}\n")
  endif()
endmacro()
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
endfunction()
function(installed_packages out)
  execute_process(COMMAND dpkg-query -W "-f=\${Package}:\${Architecture} \${db:Status-Abbrev}\n"
    OUTPUT_VARIABLE text)
  string(REGEX MATCHALL "[^\n]+ ii [^\n]*" lines "${text}")
  list(TRANSFORM lines REPLACE " .*" "")
  list(SORT lines)
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
set(apt apt-get -y -q -o DPkg::Lock::Timeout=600)

file(REMOVE_RECURSE "${WORK_DIR}")
run("${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}/cpack")
file(GLOB deb "${WORK_DIR}/cpack/vireska_*.deb")
if(NOT rc EQUAL 0 OR NOT deb)
  message(FATAL_ERROR "cpack made no package (${rc}):\n${out}")
endif()

installed_packages(before)
run(${CMAKE_COMMAND} -E env DEBIAN_FRONTEND=noninteractive ${apt} install "${deb}")
check("apt-get install failed (${rc}):\n${out}" rc EQUAL 0)
if(rc EQUAL 0)
  # An administrator's settings beside the program: the first run of each user starts from it
  # (with "WPTsubor" set, no first-run dialog waits for an answer).
  file(WRITE "${preset}" "[Kdeukladatdata]\r\nWPTsubor=/srv/kese/okolie.wpt\r\n")
  file(READ "${preset}" preset_hex HEX)  # as bytes: a plain read drops the CRs
  execute_process(COMMAND mktemp -d /tmp/vireska-package-test.XXXXXX
    OUTPUT_VARIABLE home OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(MAKE_DIRECTORY "${home}/run")
  file(CHMOD "${home}/run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  run(chown -R nobody "${home}")

  # As a user starts it from the menu: the user's own environment, the engine's sandbox on.
  execute_process(COMMAND "${RUNUSER}" -u nobody -- env -i "HOME=${home}"
      "XDG_RUNTIME_DIR=${home}/run" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen
      VIRESKA_QUIT_AFTER_START=1 /usr/bin/vireska
    WORKING_DIRECTORY "${home}" TIMEOUT 120 RESULT_VARIABLE rc OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  check("the installed program ended with '${rc}':\n${out}" rc EQUAL 0)
  set(mine "${home}/.config/Vireska/Vireska/Vireska.ini")
  if(EXISTS "${mine}")
    file(READ "${mine}" ini)
    file(READ "${mine}" ini_hex HEX)
    string(FIND "${ini_hex}" "${preset_hex}" at)
    check("the user's settings did not start from the preset:\n${ini}" at EQUAL 0)
    string(FIND "${ini}" "[LastCesty]" at)
    check("the program did not write its settings at close:\n${ini}" at GREATER -1)
    run(stat -c "%a %U" "${mine}")
    string(STRIP "${out}" mode)
    check("the user's settings file is '${mode}', not 600 nobody" mode STREQUAL "600 nobody")
  else()
    check("no settings file in the user's configuration folder" FALSE)
  endif()
  file(READ "${preset}" after HEX)
  check("the preset beside the program changed" after STREQUAL preset_hex)
  file(REMOVE_RECURSE "${home}")
endif()

# Back as it was: the package, then whatever it pulled in.
file(REMOVE "${preset}")
run(${CMAKE_COMMAND} -E env DEBIAN_FRONTEND=noninteractive ${apt} purge vireska)
check("apt-get purge vireska failed (${rc}):\n${out}" rc EQUAL 0)
installed_packages(after)
set(pulled ${after})
list(REMOVE_ITEM pulled ${before})
if(pulled)
  run(${CMAKE_COMMAND} -E env DEBIAN_FRONTEND=noninteractive ${apt} purge ${pulled})
  check("apt-get purge ${pulled} failed (${rc}):\n${out}" rc EQUAL 0)
  installed_packages(after)
endif()
check("the installed packages differ from before" before STREQUAL after)
check("${appdir} is still there" NOT EXISTS "${appdir}")
check("/usr/bin/vireska is still there" NOT EXISTS /usr/bin/vireska AND NOT IS_SYMLINK /usr/bin/vireska)
file(REMOVE_RECURSE "${WORK_DIR}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
