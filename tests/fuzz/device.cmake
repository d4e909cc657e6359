# The device link's readers of outside input: handheld paths into WideBuffer, and the bundled
# folder handheld's mapping of handheld paths to folders below its root.
add_executable(fuzz_widepath fuzz_widepath.cpp)
target_link_libraries(fuzz_widepath PRIVATE vireska_core)
add_executable(fuzz_devicepath fuzz_devicepath.cpp
  ${CMAKE_SOURCE_DIR}/device/folder/resolve.cpp ${CMAKE_SOURCE_DIR}/device/folder/text.cpp
  ${CMAKE_SOURCE_DIR}/platform/error.cpp)
target_link_libraries(fuzz_devicepath PRIVATE vireska_options)
set_target_properties(fuzz_devicepath PROPERTIES AUTOMOC OFF)
foreach(target fuzz_widepath fuzz_devicepath)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endforeach()
