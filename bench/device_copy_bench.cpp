// Copies one large file PC -> folder handheld -> PC through the real binding and library, as the
// window makes them (in chunks, its events handled between them and during each handheld call),
// and cp of the same file in the same run, and reports throughput and the peak memory above idle.
// The order of cp and the copy alternates between rounds: whichever runs second meets the
// write-back of the first.
//
//   bench_device_copy [size in MiB, default 1024] [work folder, default /var/tmp] [rounds, 5]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "bench/timing.h"
#include "device/folder/folder_device.h"
#include "device/transfer.h"
#include "platform/paths.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0)
      return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  return -1;
}

// The peak resident size starts again from the current one.
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void MakeFile(const fs::path& file, std::uint64_t size) {
  std::vector<char> chunk(4 << 20);
  std::mt19937_64 random(42);
  for (char& c : chunk) c = static_cast<char>(random());
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  for (std::uint64_t done = 0; done < size;) {
    size_t n = static_cast<size_t>(std::min<std::uint64_t>(chunk.size(), size - done));
    chunk[0] = static_cast<char>(done >> 22);  // chunks differ
    if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) {
      std::perror("write");
      std::exit(1);
    }
    done += n;
  }
  ::close(fd);
}

bool SameContent(const fs::path& a, const fs::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> p(1 << 20), q(1 << 20);
  while (x && y) {
    x.read(p.data(), static_cast<std::streamsize>(p.size()));
    y.read(q.data(), static_cast<std::streamsize>(q.size()));
    if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), size_t(x.gcount())) != 0)
      return false;
  }
  return x.eof() && y.eof();
}

double RunCp(const fs::path& from, const fs::path& to) {
  const auto start = Clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execlp("cp", "cp", from.c_str(), to.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double seconds = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "cp failed\n");
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the copies handle its events as the window's
  const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::path("/var/tmp");
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  const std::uint64_t size = mib << 20;
  const fs::path work = base / ("vireska-bench-" + std::to_string(::getpid()));
  fs::create_directories(work / "pda");
  ::setenv("VIRESKA_RAPI", VIRESKA_TEST_RAPI_LIBRARY, 1);
  ::setenv(folder_device::kRootVariable, (work / "pda").c_str(), 1);

  const fs::path source = work / "source.bin", back = work / "back.bin", copied = work / "cp.bin";
  const fs::path onDevice = work / "pda" / "bench.bin", pushed = work / "pda" / "pushed.bin";
  const long idleKb = StatusKb("VmRSS:");
  long peakKb = idleKb;
  MakeFile(source, size);
  const AnsiString sourceText = platform::FromNativePath(source);
  const AnsiString backText = platform::FromNativePath(back);

  // The handheld's copy stays for every round; its data reaches the disk before timing starts.
  // Every timed output is removed right after it is checked, so no contender ever waits for
  // another's data to be written back.
  RunCp(source, onDevice);
  ::sync();
  ::sleep(3);

  std::vector<double> cp, toDevice, cpBack, fromDevice;
  auto check = [&](const fs::path& copy) {
    if (!SameContent(source, copy)) {
      std::fprintf(stderr, "%s differs from the source\n", copy.c_str());
      std::exit(1);
    }
    fs::remove(copy);
  };
  auto ours = [&](bool timed, std::vector<double>& into, auto copy, const fs::path& result) {
    ResetPeak();
    const auto start = Clock::now();
    copy();
    if (timed) into.push_back(Seconds(start));
    peakKb = std::max(peakKb, StatusKb("VmHWM:"));
    check(result);
  };
  auto theirs = [&](bool timed, std::vector<double>& into, const fs::path& from) {
    const double seconds = RunCp(from, copied);
    if (timed) into.push_back(seconds);
    check(copied);
  };
  for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
    const bool timed = round > 0, cpFirst = round % 2 == 0;
    auto push = [&] { CopyToDevice(sourceText, "\\pushed.bin"); };
    auto pull = [&] { CopyFromDevice("\\bench.bin", backText); };
    if (cpFirst) theirs(timed, cp, source);
    ours(timed, toDevice, push, pushed);
    if (!cpFirst) theirs(timed, cp, source);
    if (cpFirst) theirs(timed, cpBack, onDevice);
    ours(timed, fromDevice, pull, back);
    if (!cpFirst) theirs(timed, cpBack, onDevice);
  }
  fs::remove_all(work);

  // Other work on the machine only ever slows a round down: the best round is the figure.
  const double mb = static_cast<double>(size) / (1 << 20);
  auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  const double cpRate = mb / best(cp), toRate = mb / best(toDevice),
               fromRate = mb / best(fromDevice);
  std::printf("file: %llu MiB, best of %d rounds (median in brackets)\n",
              static_cast<unsigned long long>(mib), rounds);
  std::printf("cp                 %6.0f MiB/s (%6.0f)\n", cpRate, mb / Median(cp));
  std::printf("PC -> handheld     %6.0f MiB/s (%6.0f)  %.2f of cp\n", toRate, mb / Median(toDevice),
              toRate / cpRate);
  const double cpBackRate = mb / best(cpBack);
  std::printf("cp handheld file   %6.0f MiB/s (%6.0f)\n", cpBackRate, mb / Median(cpBack));
  std::printf("handheld -> PC     %6.0f MiB/s (%6.0f)  %.2f of cp\n", fromRate,
              mb / Median(fromDevice), fromRate / cpBackRate);
  std::printf("peak memory above idle: %.1f MiB (idle %.1f MiB)\n", (peakKb - idleKb) / 1024.0,
              idleKb / 1024.0);
  return 0;
}
