#pragma once
// PC paths: native paths held as code page 1250 text, UTF-8 on the file system. Drives are
// letters bound to mount roots as Wine binds them: C is "/", D, E, ... the other mounted file
// systems below /media, /mnt and /run/media, in name order.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "platform/ansi.h"

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Folder of the running program (settings, about text, sample file and device library live
// there). Tests may point it elsewhere.
std::filesystem::path ExecutableDir();
void SetExecutableDir(const std::filesystem::path& dir);  // empty restores the real one

// Where the program writes. Beside itself (a portable copy, a build tree, a prefix of the
// user's own), unless ChooseWriteFolders found its folder read-only (an installed package):
// then the settings file lives in the user's configuration folder and the default handheld
// folder in the user's data folder. Chosen once, at start; until then, beside the program.
// The user's first settings come from the administrator's file beside the program, unless
// another user could have changed it: no window can say so yet, ShowSettingsNotice does.
void ChooseWriteFolders(bool programFolderWritable, const std::filesystem::path& config,
                        const std::filesystem::path& data);
// Once the modal UI is installed: what ChooseWriteFolders found wrong with the preset, if anything.
void ShowSettingsNotice();
bool FolderWritable(const std::filesystem::path& dir);
inline constexpr const char* kSettingsFileName = "Vireska.ini";
std::filesystem::path SettingsFolder();     // the folder of kSettingsFileName
std::filesystem::path DefaultDeviceRoot();  // the folder "PDA" the bundled library serves

// "dir" + separator + "name", a separator already ending dir not doubled.
AnsiString JoinPcPath(std::string_view dir, std::string_view name);

// A name taken from input (a cache name, a typed file or folder name) as one name in its folder:
// path separators, NUL and control characters become "_". "", "." and ".." stay what they are
// and name no entry of their own; callers refuse them.
AnsiString OneName(std::string_view name);

// Text as the user or a settings file wrote it ("c:\", "d:\Kese", "/home/x") to a native path.
std::filesystem::path ToNativePath(std::string_view ansiPath);
AnsiString FromNativePath(const std::filesystem::path& path);
// The same for text of the window, with no code page 1250 step: a folder named in any letters
// stays that folder.
std::filesystem::path NativePathFromTyped(const QString& typed);
// A native path and the window's text of it, both ways exactly (no drive letters involved).
std::filesystem::path NativePath(const QString& native);
QString NativePathText(const std::filesystem::path& path);

struct Drive {
  char letter;  // upper case
  std::filesystem::path root;
};
// Reads only the mount table, never a mounted file system: a dead network or FUSE mount
// anywhere on the system cannot hold it up.
std::vector<Drive> ListDrives();
// The text of /proc/self/mounts (empty where there is none). The kernel writes it without
// asking any file system, so reading it never waits on a hung mount.
std::string ReadMountTable();
// The mount points of a mount table (the text of /proc/self/mounts) strictly below one of roots,
// unescaped, in name order, each once.
std::vector<std::string> MountPointsBelow(std::string_view mountTable,
                                          const std::vector<std::string>& roots);
// Those that become drives D, E, ...: below /media, /mnt and /run/media.
std::vector<std::string> RemovableMountRoots(std::string_view mountTable);
// Tests bind D, E, ... to folders of their own instead of the mounted file systems; an empty
// list returns to the mounts.
void SetDriveRootsForTests(const std::vector<std::filesystem::path>& roots);
std::optional<std::filesystem::path> DriveRoot(char letter);
// The letter of the drive whose root holds the path (the longest matching root).
char DriveOf(const std::filesystem::path& path);
// How a drive box shows a drive: "c: [/]".
AnsiString DriveText(const Drive& drive);

}  // namespace platform
