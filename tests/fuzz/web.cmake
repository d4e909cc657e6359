# The web session's readers of page text: the page scan, and the conversion of the serialised
# body markup to code page 1250.
vireska_fuzzer(fuzz_pagescan)
vireska_fuzzer(fuzz_bodymarkup)
# The browser's cookies as the page fetch hands them to libcurl's cookie engine, and the site
# addresses built from waypoint codes and page links.
vireska_fuzzer(fuzz_cookies)
vireska_fuzzer(fuzz_sites)
