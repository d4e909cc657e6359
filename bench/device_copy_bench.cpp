// What a user waits for the two copies through the real binding and the bundled handheld library,
// as the window makes them, beside peers in the same run:
//  - page cache: PC -> handheld and handheld -> PC of one large file, each beside cp and dd bs=1M;
//  - a FAT card mounted through FUSE (mkfs.vfat image served by fusefat, as the tests mount one):
//    PC -> card beside cp onto the same mount;
//  - the window thread's stalls: a 10 ms timer on the application's thread records the gaps
//    between its ticks while each copy runs; beside a peer the thread only waits in its event
//    loop, so the peers' figures are what the loaded machine itself adds.
// Each round runs every contender once, starting one further along each round, so each meets the
// others' write-back from every place; round 0 warms up. Each side's min and median are reported.
//
// The peers keep our semantics: nothing is flushed on the PC side; where the library's one-step
// replace exists (it flushes the new handheld file before the rename), the push's peers flush
// their copy too (cp then sync FILE, dd conv=fsync).
//
// The card is mounted in a mount namespace of this process's own where it can be (as root), so
// no other process sees it; it is unmounted at the end, also when the run fails, and there even
// a killed run leaves no mount behind.
//
//   bench_device_copy [MiB, 1024] [work folder, /var/tmp] [rounds, 6] [card file MiB, 256]
// The bundled library serves the handheld unless VIRESKA_RAPI names another.
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include "bench/process.h"
#include "bench/timing.h"
#include "device/folder/folder_device.h"
#include "device/transfer.h"
#include "platform/paths.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Command = std::vector<std::string>;

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

// CPU seconds of this process and of its children that ended, so far.
double CpuSeconds() {
  double total = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage use{};
    ::getrusage(who, &use);
    total += static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
             static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

std::string Load() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

void MakeFile(const fs::path& file, std::uint64_t size) {
  std::vector<char> chunk(4 << 20);
  std::mt19937_64 random(42);
  for (char& c : chunk) c = static_cast<char>(random());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (std::uint64_t done = 0; done < size;) {
    const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(chunk.size(), size - done));
    chunk[0] = static_cast<char>(done >> 22);  // chunks differ
    out.write(chunk.data(), n);
    done += static_cast<std::uint64_t>(n);
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
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

pid_t Start(const Command& command, bool quiet = false) {
  return StartProcess(command, quiet);
}

void Finish(pid_t pid, const std::string& program) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    throw std::runtime_error(program + " failed");
}

void Run(const Command& command, bool quiet = false) {
  Finish(Start(command, quiet), command[0]);
}

// Waits for the command as the window waits for our copy: in its event loop, timers ticking.
void RunBeside(const Command& command) {
  const pid_t pid = Start(command);
  const int ended = pid > 0 ? static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)) : -1;
  if (ended >= 0) {
    QEventLoop loop;
    QSocketNotifier notifier(ended, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    loop.exec();
    ::close(ended);
  }
  Finish(pid, command[0]);
}

// The gaps between the ticks of a 10 ms timer on the application's thread while a copy runs:
// what the window would freeze for. The start of the copy and its return count as ticks, so a
// stall before the first tick or after the last one counts too.
class StallProbe {
 public:
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  }
  void During(const std::function<void()>& work) {
    last_ = Clock::now();
    timer_.start();
    work();
    Tick();
    timer_.stop();
  }
  // The longest gap and the 99th percentile, in ms.
  std::pair<double, double> Figures() const {
    std::vector<double> sorted = gaps_;
    std::sort(sorted.begin(), sorted.end());
    return {sorted.back(), sorted[sorted.size() * 99 / 100]};
  }

 private:
  void Tick() {
    const auto now = Clock::now();
    gaps_.push_back(std::chrono::duration<double, std::milli>(now - last_).count());
    last_ = now;
  }
  QTimer timer_;
  Clock::time_point last_;
  std::vector<double> gaps_;
};

struct Contender {
  Contender(std::string name, std::function<void()> copy)
      : name(std::move(name)), copy(std::move(copy)) {}
  std::string name;
  std::function<void()> copy;  // on the window's thread
  std::vector<double> seconds, cpu;
  std::shared_ptr<StallProbe> stalls = std::make_shared<StallProbe>();
};

// Contenders that copy one source, ours to its result and each peer to theirs, which is checked
// and removed after each run, so none ever waits for another's data to be written back. Each
// runs under the window's timer: beside a peer the window only waits in its event loop, which
// shows the stalls the loaded machine itself adds.
struct Race {
  Race(std::string title, fs::path source, Contender ours, std::vector<Contender> peers,
       fs::path oursResult, fs::path peersResult)
      : title(std::move(title)),
        source(std::move(source)),
        contenders{std::move(ours)},
        oursResult(std::move(oursResult)),
        peersResult(std::move(peersResult)) {
    for (Contender& peer : peers) contenders.push_back(std::move(peer));
  }
  std::string title;
  fs::path source;
  std::vector<Contender> contenders;  // ours first
  fs::path oursResult, peersResult;

  void Round(int round) {
    const size_t n = contenders.size();
    for (size_t i = 0; i < n; ++i) {
      const size_t at = (i + static_cast<size_t>(round)) % n;
      Contender& c = contenders[at];
      StallProbe warmUp;
      const double cpu = CpuSeconds();
      const auto start = Clock::now();
      (round > 0 ? *c.stalls : warmUp).During(c.copy);
      if (round > 0) {
        c.seconds.push_back(Seconds(start));
        c.cpu.push_back(CpuSeconds() - cpu);
      }
      const fs::path& result = at == 0 ? oursResult : peersResult;
      if (!SameContent(source, result))
        throw std::runtime_error(result.string() + " differs from the source");
      fs::remove(result);
    }
  }

  void Print(double mib) const {
    std::printf("\n%-32s %6s %8s %6s  %-11s %5s %8s %5s\n", title.c_str(), "min s", "median s",
                "MiB/s", "ours/peer", "cpu s", "stall ms", "p99");
    const Contender& ours = contenders.front();
    auto least = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    for (const Contender& c : contenders) {
      char ratio[32] = "";
      if (&c != &ours)
        std::snprintf(ratio, sizeof ratio, "%.2f %.2f", Median(c.seconds) / Median(ours.seconds),
                      least(c.seconds) / least(ours.seconds));
      const auto [longest, p99] = c.stalls->Figures();
      std::printf("  %-30s %6.3f %8.3f %6.0f  %-11s %5.2f %8.1f %5.1f\n", c.name.c_str(),
                  least(c.seconds), Median(c.seconds), mib / Median(c.seconds), ratio, least(c.cpu),
                  longest, p99);
    }
  }
};

// Our copy, as the window makes it; peak memory is taken around it.
Contender Ours(std::function<TransferEnd()> copy, long& peakKb) {
  return {"ours", [copy, &peakKb] {
            ResetPeak();
            const TransferEnd end = copy();
            peakKb = std::max(peakKb, StatusKb("VmHWM:"));
            if (end != TransferEnd::Done) throw std::runtime_error("our copy did not finish");
          }};
}

Contender Peer(const std::string& name, std::vector<Command> commands) {
  return {name, [commands] {
            for (const Command& command : commands) RunBeside(command);
          }};
}

// The cp and dd peers of a copy from one file to another; flushed, they flush the copy.
std::vector<Contender> Peers(const fs::path& from, const fs::path& to, bool flushed) {
  const Command cp{"cp", from, to};
  Command dd{"dd", "if=" + from.string(), "of=" + to.string(), "bs=1M", "status=none"};
  if (!flushed) return {Peer("cp", {cp}), Peer("dd bs=1M", {dd})};
  dd.push_back("conv=fsync");
  return {Peer("cp, sync FILE", {cp, {"sync", to}}), Peer("dd bs=1M conv=fsync", {dd})};
}

// Whether the library puts a pushed file in place through its own replace, which flushes it.
bool LibraryFlushesPush(const char* path) {
  void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  return library && ::dlsym(library, "VireskaReplaceFile");  // stays loaded, as the binding's
}

// Every mount made from here on is seen by this process and its children only and ends with
// them. Only before any thread starts.
bool PrivateMounts() {
  return ::unshare(CLONE_NEWNS) == 0 &&
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// A FAT image of the given size on tmpfs (so the host's disk does not take part), served by
// fusefat at folder, as the tests mount a card. Unmounted when it goes.
class FatCard {
 public:
  FatCard(const fs::path& folder, std::uint64_t bytes)
      : folder_(folder),
        image_("/dev/shm/vireska-bench-card-" + std::to_string(::getpid()) + ".img") {
    fs::create_directories(folder);
    std::ofstream(image_).close();
    fs::resize_file(image_, bytes);
    Run({"mkfs.vfat", "-n", "CARD", image_}, true);
    struct stat outside {};
    ::stat(folder.parent_path().c_str(), &outside);
    daemon_ = Start({"fusefat", "-f", "-o", "rw+", image_, folder}, true);
    for (const auto end = Clock::now() + std::chrono::seconds(30);;) {
      struct stat inside {};
      if (::stat(folder.c_str(), &inside) == 0 && inside.st_dev != outside.st_dev) break;
      if (::waitpid(daemon_, nullptr, WNOHANG) == daemon_ || Clock::now() > end) {
        daemon_ = -1;
        throw std::runtime_error("fusefat did not mount " + image_.string());
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fs::remove(image_);  // the daemon holds it open: it goes with the daemon however that ends
  }
  ~FatCard() {
    if (::umount2(folder_.c_str(), 0) != 0) ::umount2(folder_.c_str(), MNT_DETACH);
    if (daemon_ > 0) {
      ::kill(daemon_, SIGTERM);
      ::waitpid(daemon_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove(image_, ignored);  // when the mount never came up
  }
  FatCard(const FatCard&) = delete;
  FatCard& operator=(const FatCard&) = delete;

 private:
  fs::path folder_, image_;
  pid_t daemon_ = -1;
};

struct RemovedAtEnd {
  fs::path folder;
  ~RemovedAtEnd() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

int Bench(int argc, char** argv, bool privateMounts) {
  const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::path("/var/tmp");
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 6;
  const std::uint64_t cardMib = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 256;
  const RemovedAtEnd work{base / ("vireska-bench-" + std::to_string(::getpid()))};
  fs::create_directories(work.folder / "pda");
  ::setenv("VIRESKA_RAPI", VIRESKA_TEST_RAPI_LIBRARY, 0);  // another library may be named
  ::setenv(folder_device::kRootVariable, (work.folder / "pda").c_str(), 1);
  const char* library = std::getenv("VIRESKA_RAPI");
  const bool flushed = LibraryFlushesPush(library);
  std::printf("load (1, 5, 15 min) at start: %s; %d rounds after a warm-up\n", Load().c_str(),
              rounds);
  std::printf("%s: the push %s its file before the rename; peers alike\n", library,
              flushed ? "flushes" : "does not flush");

  const fs::path source = work.folder / "source.bin";
  const fs::path onDevice = work.folder / "pda" / "bench.bin";
  const fs::path pushed = work.folder / "pda" / "pushed.bin";
  const fs::path back = work.folder / "back.bin", peer = work.folder / "peer.bin";
  const long idleKb = StatusKb("VmRSS:");
  long peakKb = idleKb;
  MakeFile(source, mib << 20);
  // The handheld's copy stays for every round; its data reaches the disk before timing starts.
  Run({"cp", source, onDevice});
  ::sync();
  ::sleep(3);

  const AnsiString sourceText = platform::FromNativePath(source);
  const AnsiString backText = platform::FromNativePath(back);
  const std::string size = " (" + std::to_string(mib) + " MiB)";
  Race toDevice("PC -> handheld" + size, source,
                Ours([sourceText] { return CopyToDevice(sourceText, "\\pushed.bin"); }, peakKb),
                Peers(source, peer, flushed), pushed, peer);
  Race fromDevice("handheld -> PC" + size, onDevice,
                  Ours([backText] { return CopyFromDevice("\\bench.bin", backText); }, peakKb),
                  Peers(onDevice, peer, false), back, peer);
  for (int round = 0; round <= rounds; ++round) {
    toDevice.Round(round);
    fromDevice.Round(round);
  }
  const double peakMib = (peakKb - idleKb) / 1024.0;
  fs::remove(onDevice);

  // The card: room for the new file beside the old one, and the FAT's own.
  const fs::path cardSource = work.folder / "card-source.bin", card = work.folder / "card";
  MakeFile(cardSource, cardMib << 20);
  const AnsiString cardSourceText = platform::FromNativePath(cardSource);
  Race toCard(
      "PC -> FAT card on FUSE (" + std::to_string(cardMib) + " MiB)", cardSource,
      Ours([cardSourceText] { return CopyToDevice(cardSourceText, "\\pushed.bin"); }, peakKb),
      {std::move(Peers(cardSource, card / "peer.bin", flushed)[0])},  // cp
      card / "pushed.bin", card / "peer.bin");
  {
    const FatCard mount(card, (cardMib << 21) + (64u << 20));
    ::setenv(folder_device::kRootVariable, card.c_str(), 1);
    for (int round = 0; round <= rounds; ++round) toCard.Round(round);
  }

  const double mb = static_cast<double>(mib);
  toDevice.Print(mb);
  fromDevice.Print(mb);
  toCard.Print(static_cast<double>(cardMib));
  std::printf("\ncard mounted in %s\n",
              privateMounts ? "a private mount namespace" : "the shared mount namespace");
  std::printf("peak memory of the page-cache copies above idle: %.1f MiB (idle %.1f MiB)\n",
              peakMib, idleKb / 1024.0);
  std::puts(
      "ours/peer: the peer's time over ours, of the medians and of the mins (above 1: ours "
      "is faster)");
  std::puts(
      "cpu s: the least CPU time of a run, all its threads and processes but the card's "
      "daemon");
  std::puts(
      "stall ms: the longest gap between the ticks of a 10 ms timer on the window's thread "
      "while the copy ran; p99: the 99th percentile of the gaps");
  std::printf("load at end: %s\n", Load().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool privateMounts = PrivateMounts();  // before the first thread
  QCoreApplication app(argc, argv);            // the copies handle its events as the window's
  try {
    return Bench(argc, argv, privateMounts);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_device_copy: %s\n", error.what());
    return 1;
  }
}
