# The device link's readers of outside input: handheld paths into WideBuffer, and the bundled
# folder handheld's mapping of handheld paths to folders below its root.
vireska_fuzzer(fuzz_widepath)
vireska_fuzzer(fuzz_devicepath
  SOURCES ${CMAKE_SOURCE_DIR}/device/folder/resolve.cpp ${CMAKE_SOURCE_DIR}/device/folder/root.cpp
    ${CMAKE_SOURCE_DIR}/device/folder/text.cpp
    ${CMAKE_SOURCE_DIR}/platform/error.cpp
  LIBRARIES vireska_options)
set_target_properties(fuzz_devicepath PROPERTIES AUTOMOC OFF)
