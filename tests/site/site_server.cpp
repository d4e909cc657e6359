// The test site on a port of 127.0.0.1, for trying the program by hand: "vireska_site_server
// [port]" (default 8080), ended with Ctrl+C.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "site/test_site.h"

int main(int argc, char** argv) {
  const int port = argc > 1 ? std::atoi(argv[1]) : 8080;
  // Block the ending signals before the server's threads exist, so only sigwait sees them.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGINT);
  sigaddset(&ending, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  try {
    testsite::TestSite site(port);
    std::printf(
        "Test site on %s (both sites).\n\n"
        "Vireska.ini beside the program:\n[Weby]\nsk=%s\ncom=%s\n\n"
        "User name \"%s\", password \"%s\".\n"
        "Any GC code opens a cache page; special codes: GCNOHINT, GCNOPRINT, GCTAG, GCBIG, "
        "GCSLOW, GCTEXT, GCFRAME, GCFOTO.\nCtrl+C ends.\n",
        site.Root().c_str(), site.Root().c_str(), site.Root().c_str(), testsite::kUser,
        testsite::kPassword);
    std::fflush(stdout);
    int signal = 0;
    sigwait(&ending, &signal);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
