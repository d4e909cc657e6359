# The file manager's readers of handheld search records.
add_executable(fuzz_listing fuzz_listing.cpp)
target_link_libraries(fuzz_listing PRIVATE vireska_core)
target_link_options(fuzz_listing PRIVATE -fsanitize=fuzzer)
