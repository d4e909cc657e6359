# The device link's readers of outside input: handheld paths into WideBuffer, and the bundled
# folder handheld's mapping of handheld paths to folders below its root.
vireska_fuzzer(fuzz_widepath)
vireska_fuzzer(fuzz_devicepath
  SOURCES ${CMAKE_SOURCE_DIR}/device/folder/resolve.cpp ${CMAKE_SOURCE_DIR}/device/folder/root.cpp
    ${CMAKE_SOURCE_DIR}/device/folder/text.cpp
    ${CMAKE_SOURCE_DIR}/platform/error.cpp
  LIBRARIES vireska_options)
set_target_properties(fuzz_devicepath PROPERTIES AUTOMOC OFF)
# The bundled handheld library through its exported C functions, loaded as the program loads it.
vireska_fuzzer(fuzz_rapi LIBRARIES vireska_options ${CMAKE_DL_LIBS})
target_compile_definitions(fuzz_rapi PRIVATE VIRESKA_RAPI_LIBRARY="$<TARGET_FILE:vireska_rapi>")
add_dependencies(fuzz_rapi vireska_rapi)
set_target_properties(fuzz_rapi PROPERTIES AUTOMOC OFF)
