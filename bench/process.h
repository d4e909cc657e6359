#pragma once
// A peer or a daemon the benches start: it ends with the bench, however the bench ends.
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

// Starts command (found on PATH); quiet: its output goes nowhere.
inline pid_t StartProcess(const std::vector<std::string>& command, bool quiet) {
  std::vector<char*> args;
  for (const std::string& arg : command) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // nothing outlives the bench, not even a daemon
    if (::getppid() != parent) ::_exit(127);
    if (quiet) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
    }
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}
