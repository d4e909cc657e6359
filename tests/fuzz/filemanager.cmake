# The file manager's readers of handheld search records.
vireska_fuzzer(fuzz_listing)
