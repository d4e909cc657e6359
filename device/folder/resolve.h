#pragma once
// Handheld paths to places below the root folder, never outside it.
#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>

namespace folder_device {

// The path of name in the folder dir; below "/" with no second slash.
std::string Join(const std::string& dir, const std::string& name);

// The real path of the root folder; nullopt when there is none (no handheld).
std::optional<std::string> RealRoot();

// The folder the program chose (VireskaSetPdaRoot); nullopt for none. Safe from any thread.
void SetChosenRoot(const char* folder);
std::optional<std::string> ChosenRoot();

struct Target {
  std::string root;   // real path of the root folder
  std::string dir;    // real path of the folder holding the entry
  std::string name;   // the entry's name in that folder as on disk; empty for the root itself
  std::string entry;  // the entry itself (a link stays a link): remove and delete act on it
  std::string real;   // where the entry leads (a link's target, inside the root): open acts on it
  bool exists = false;
  bool isRoot = false;
  bool isLink = false;  // entry itself is a link, when it exists
  struct stat st {};    // of real, when it exists
};

enum class LastPart { Name, Pattern };

// Walks the path from the root. With LastPart::Pattern the last component is left as written
// (in name) and not looked up. Answers 0 or the Windows error number.
std::uint32_t Resolve(const char16_t* path, LastPart last, Target& out);

// Whether a real path lies in the root (or is the root).
bool WithinRoot(const std::string& root, const std::string& path);

// Real path of an existing entry in dir, following a link; nullopt for a dangling link or one
// that leaves the root.
std::optional<std::string> RealInsideRoot(const std::string& root, const std::string& path);

}  // namespace folder_device
