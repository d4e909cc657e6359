// "Pošli kešky do GPS" of a pocket query of 10,000 caches onto a FAT card (a mkfs.vfat image
// served by fusefat, as the tests mount one), beside cp of the same bytes onto the same card.
// Ours: the GPX built from the file (split into the unit's parts) and each part put on the card
// through the real binding and the bundled handheld library, written aside, flushed and renamed
// into place. The peers copy the finished parts: cp, and cp with sync of each file (as ours
// flushes). Rounds alternate who goes first; min and median are printed.
//   bench_gps [caches, 10000] [rounds, 5]
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/process.h"
#include "bench/timing.h"
#include "cachelist/cachefile.h"
#include "device/folder/folder_device.h"
#include "device/gpsgpx.h"
#include "device/transfer.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string PocketQuery(int caches) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<gpx version=\"1.0\" creator=\"bench\" "
      "xmlns=\"http://www.topografix.com/GPX/1/0\">\n";
  const std::string sentence =
      "Keška leží pod kameňom pri starých hradbách, výhľad na dolinu je krásny &amp; cesta "
      "nenáročná. ";
  std::string description;
  for (int i = 0; i < 8; ++i) description += sentence;
  char head[1024];
  for (int i = 0; i < caches; ++i) {
    std::snprintf(head, sizeof head,
                  "  <wpt lat=\"%.6f\" lon=\"%.6f\">\n    <time>2015-06-01T00:00:00</time>\n"
                  "    <name>GC%05X</name>\n    <desc>Keška %d by autor, Traditional Cache "
                  "(1.5/2)</desc>\n    <sym>Geocache</sym>\n    <type>Geocache|Traditional "
                  "Cache</type>\n    <groundspeak:cache id=\"%d\" available=\"True\" "
                  "archived=\"False\" xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">"
                  "\n      <groundspeak:name>Keška %d pri Zlatých Moravciach</groundspeak:name>\n"
                  "      <groundspeak:type>Traditional Cache</groundspeak:type>\n",
                  48.0 + i * 1e-5, 18.0 + i * 1e-5, 0x10000 + i, i, 100000 + i, i);
    out += head;
    out += "      <groundspeak:long_description html=\"True\">" + description +
           "</groundspeak:long_description>\n      <groundspeak:encoded_hints>Cbq xnzrabz"
           "</groundspeak:encoded_hints>\n      <groundspeak:logs>\n";
    for (int k = 0; k < 5; ++k)
      out += "        <groundspeak:log id=\"" + std::to_string(i * 5 + k) +
             "\"><groundspeak:type>Found it</groundspeak:type><groundspeak:text>" + sentence +
             sentence + "</groundspeak:text></groundspeak:log>\n";
    out += "      </groundspeak:logs>\n    </groundspeak:cache>\n  </wpt>\n";
  }
  return out + "</gpx>\n";
}

pid_t Start(const std::vector<std::string>& command) {
  return StartProcess(command, true);
}

void Run(const std::vector<std::string>& command) {
  int status = 0;
  ::waitpid(Start(command), &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("failed: " + command[0]);
}

// A FAT image on tmpfs served by fusefat at folder; unmounted when it goes.
class FatCard {
 public:
  FatCard(const fs::path& folder, std::uint64_t bytes)
      : folder_(folder), image_("/dev/shm/vireska-gps-card-" + std::to_string(::getpid())) {
    fs::create_directories(folder);
    std::ofstream(image_).close();
    fs::resize_file(image_, bytes);
    // FAT16: fusefat makes a file, not a folder, for mkdir on FAT32 (and shows its label as one).
    Run({"mkfs.vfat", "-F", "16", image_});
    struct stat outside {};
    ::stat(folder.parent_path().c_str(), &outside);
    daemon_ = Start({"fusefat", "-f", "-o", "rw+", image_, folder});
    for (const auto end = Clock::now() + std::chrono::seconds(30);;) {
      struct stat inside {};
      if (::stat(folder.c_str(), &inside) == 0 && inside.st_dev != outside.st_dev) break;
      if (::waitpid(daemon_, nullptr, WNOHANG) == daemon_ || Clock::now() > end)
        throw std::runtime_error("fusefat did not mount the card");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fs::remove(image_);
  }
  ~FatCard() {
    if (::umount2(folder_.c_str(), 0) != 0) ::umount2(folder_.c_str(), MNT_DETACH);
    ::kill(daemon_, SIGTERM);
    ::waitpid(daemon_, nullptr, 0);
  }
  FatCard(const FatCard&) = delete;
  FatCard& operator=(const FatCard&) = delete;

 private:
  fs::path folder_, image_;
  pid_t daemon_ = -1;
};

int Bench(int caches, int rounds) {
  const fs::path work = fs::path("/var/tmp") / ("vireska-gps-bench-" + std::to_string(::getpid()));
  fs::create_directories(work / "parts");
  const fs::path source = work / "pq.gpx";
  {
    const std::string pq = PocketQuery(caches);
    std::ofstream(source, std::ios::binary) << pq;
  }
  const std::string bytes = platform::ReadWholeFile(source);
  GpsGpxRequest request;
  request.caches = ReadCacheFile(bytes).entries;
  request.time = "2026-12-09T00:00:00Z";
  request.title = "pq";
  std::vector<double> build, ours, cp, cpSync;
  std::uint64_t sent = 0;
  std::vector<fs::path> parts;
  const fs::path card = work / "card";
  {
    const FatCard mount(card, std::uint64_t{256} << 20);
    ::setenv("VIRESKA_RAPI", VIRESKA_TEST_RAPI_LIBRARY, 0);
    ::setenv(folder_device::kRootVariable, card.c_str(), 1);
    fs::create_directories(card / "Garmin" / "GPX");
    fs::create_directories(card / "peer");
    // fusefat cannot truncate a file, so no copy can write over one: each side writes new files
    // into a folder emptied before its clock starts.
    const auto empty = [](const fs::path& folder) {
      for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        fs::remove(entry.path());
    };
    for (int round = 0; round <= rounds; ++round) {
      const auto sendOurs = [&] {
        empty(card / "Garmin" / "GPX");
        const auto start = Clock::now();
        const std::vector<GpsGpxFile> files = WriteGpsGpx(platform::ReadWholeFile(source), request);
        const double built = Seconds(start);
        const std::vector<AnsiString> names = GpsGpxFileNames("pq", files.size());
        parts.clear();
        sent = 0;
        for (size_t i = 0; i < files.size(); ++i) {
          parts.push_back(work / "parts" / names[i]);
          std::ofstream(parts.back(), std::ios::binary) << files[i].bytes;
          sent += files[i].bytes.size();
          if (CopyToDevice(platform::FromNativePath(parts.back()), "\\Garmin\\GPX\\" + names[i]) !=
              TransferEnd::Done)
            throw std::runtime_error("the copy failed");
        }
        if (round > 0) {
          build.push_back(built);
          ours.push_back(Seconds(start));
        }
      };
      const auto sendCp = [&](bool sync, std::vector<double>& into) {
        std::vector<std::string> command = {"cp"};
        for (const fs::path& part : parts) command.push_back(part);
        command.push_back(card / "peer");
        empty(card / "peer");
        const auto start = Clock::now();
        Run(command);
        if (sync)
          for (const fs::path& part : parts) Run({"sync", card / "peer" / part.filename()});
        if (round > 0) into.push_back(Seconds(start));
      };
      if (round % 2 == 0) {
        sendOurs();
        sendCp(false, cp);
        sendCp(true, cpSync);
      } else {
        sendCp(false, cp);
        sendCp(true, cpSync);
        sendOurs();
      }
    }
  }
  fs::remove_all(work);
  std::printf("%d caches, source %.1f MB, %zu GPX parts, %.1f MB sent; %d rounds\n", caches,
              static_cast<double>(bytes.size()) / 1e6, parts.size(),
              static_cast<double>(sent) / 1e6, rounds);
  std::printf("%-34s %8s %8s\n", "", "min s", "median s");
  std::printf("%-34s %8.3f %8.3f\n", "ours: GPX built (in memory)", Min(build), Median(build));
  std::printf("%-34s %8.3f %8.3f\n", "ours: built and sent to the card", Min(ours), Median(ours));
  std::printf("%-34s %8.3f %8.3f\n", "cp of the parts", Min(cp), Median(cp));
  std::printf("%-34s %8.3f %8.3f\n", "cp of the parts, sync each", Min(cpSync), Median(cpSync));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  try {
    return Bench(argc > 1 ? std::atoi(argv[1]) : 10000, argc > 2 ? std::atoi(argv[2]) : 5);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_gps: %s\n", e.what());
    return 1;
  }
}
