// Hostile names and wildcards through the bundled handheld library's exported C functions,
// loaded as the program loads it: no call touches anything outside the handheld's folder (a
// sibling folder, reachable by "..", an absolute link or a link inside the root, stays as it
// was), and every search record holds a terminated name.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "device/rapi_types.h"

namespace fs = std::filesystem;

namespace {

struct Library {
  PFN_CeRapiInit init;
  PFN_CeFindFirstFile findFirst;
  PFN_CeFindNextFile findNext;
  PFN_CeFindClose findClose;
  PFN_CeCreateFile createFile;
  PFN_CeWriteFile writeFile;
  PFN_CeCloseHandle closeHandle;
  PFN_CeCreateDirectory createDirectory;
  PFN_CeRemoveDirectory removeDirectory;
  PFN_CeDeleteFile deleteFile;
};

fs::path Base() {
  static const fs::path base =
      (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("vireska-fuzz-rapi-" + std::to_string(::getpid()));
  return base;
}

// Names and contents below a folder, one line each.
std::string Snapshot(const fs::path& folder) {
  std::ostringstream out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    out << it->path().lexically_relative(folder).string();
    if (it->is_regular_file(ec)) out << '=' << std::ifstream(it->path()).rdbuf();
    out << '\n';
  }
  return out.str();
}

const std::string& OutsideBefore() {
  static const std::string before = Snapshot(Base() / "outside");
  return before;
}

// The handheld's folder as every run starts from it: a file, folders, and links that lead out.
void Seed() {
  const fs::path root = Base() / "root";
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root / "Storage Card" / "MHT");
  std::ofstream(root / "Storage Card" / "a.txt") << "a";
  fs::create_directory_symlink("../outside", root / "up");
  fs::create_directory_symlink(Base() / "outside", root / "absolute");
  fs::create_symlink("../../outside/secret", root / "Storage Card" / "secret");
}

template <class F>
F Symbol(void* handle, const char* name) {
  auto symbol = reinterpret_cast<F>(::dlsym(handle, name));
  if (!symbol) std::abort();
  return symbol;
}

const Library& Load() {
  static const Library library = [] {
    std::error_code ec;
    fs::remove_all(Base(), ec);
    fs::create_directories(Base() / "outside");
    std::ofstream(Base() / "outside" / "secret") << "secret";
    Seed();
    ::setenv("VIRESKA_PDA_ROOT", (Base() / "root").c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Base(), ignored);
    });
    (void)OutsideBefore();
    void* handle = ::dlopen(VIRESKA_RAPI_LIBRARY, RTLD_NOW);
    if (!handle) std::abort();
    Library l{Symbol<PFN_CeRapiInit>(handle, "CeRapiInit"),
              Symbol<PFN_CeFindFirstFile>(handle, "CeFindFirstFile"),
              Symbol<PFN_CeFindNextFile>(handle, "CeFindNextFile"),
              Symbol<PFN_CeFindClose>(handle, "CeFindClose"),
              Symbol<PFN_CeCreateFile>(handle, "CeCreateFile"),
              Symbol<PFN_CeWriteFile>(handle, "CeWriteFile"),
              Symbol<PFN_CeCloseHandle>(handle, "CeCloseHandle"),
              Symbol<PFN_CeCreateDirectory>(handle, "CeCreateDirectory"),
              Symbol<PFN_CeRemoveDirectory>(handle, "CeRemoveDirectory"),
              Symbol<PFN_CeDeleteFile>(handle, "CeDeleteFile")};
    if (l.init() != S_OK) std::abort();
    return l;
  }();
  return library;
}

void CheckRecord(const CE_FIND_DATA& record) {
  for (WCHAR c : record.cFileName)
    if (c == 0) return;
  std::abort();  // no terminator
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Library& rapi = Load();
  if (size < 1) return 0;
  // The name: the rest of the input as UTF-16 units (unpaired surrogates included), terminated.
  std::u16string name;
  for (std::size_t i = 1; i + 1 < size; i += 2)
    name.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  const LPCWSTR path = name.c_str();
  switch (data[0] % 5) {
    case 0: {
      CE_FIND_DATA record;
      HANDLE find = rapi.findFirst(path, &record);
      if (find != INVALID_HANDLE_VALUE) {
        CheckRecord(record);
        while (rapi.findNext(find, &record)) CheckRecord(record);
        rapi.findClose(find);
      }
      break;
    }
    case 1: {
      HANDLE file =
          rapi.createFile(path, GENERIC_WRITE, 0, nullptr, data[0] & 0x80 ? 2 : 4, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        rapi.writeFile(file, "x", 1, &written, nullptr);
        rapi.closeHandle(file);
      }
      break;
    }
    case 2:
      rapi.createDirectory(path, nullptr);
      break;
    case 3:
      rapi.removeDirectory(path);
      break;
    case 4:
      rapi.deleteFile(path);
      break;
  }
  // Nothing outside the root changed, and nothing appeared beside it.
  if (Snapshot(Base() / "outside") != OutsideBefore()) std::abort();
  std::size_t beside = 0;
  for (const auto& entry : fs::directory_iterator(Base())) {
    (void)entry;
    ++beside;
  }
  if (beside != 2) std::abort();
  // What the inputs made inside the root goes now and then, so searches stay quick.
  static unsigned runs = 0;
  if (++runs % 256 == 0) Seed();
  return 0;
}
