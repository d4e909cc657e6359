# The web session's readers of page text: the page scan, and the conversion of the serialised
# body markup to code page 1250.
foreach(target fuzz_pagescan fuzz_bodymarkup)
  add_executable(${target} ${target}.cpp)
  target_link_libraries(${target} PRIVATE vireska_core)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
endforeach()
