# The web session's readers of page text: the page scan, and the conversion of the serialised
# body markup to code page 1250.
vireska_fuzzer(fuzz_pagescan)
vireska_fuzzer(fuzz_bodymarkup)
