# The cache files: GPX and LOC through the XML reader, and the choice between the readers.
vireska_fuzzer(fuzz_cachefile)
