# The archive composer's inputs: a fetched page's Content-Type, body and address.
vireska_fuzzer(fuzz_mhtml)
target_include_directories(fuzz_mhtml PRIVATE ${CMAKE_SOURCE_DIR}/tests)
