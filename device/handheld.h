#pragma once
// Which PC folder is the handheld: the setting "Kdeukladatdata"/"PDA_Koren", and what the
// settings tab says about the folder chosen.
#include <QString>
#include <filesystem>
#include <vector>

#include "platform/ansi.h"

// The folder served when the setting is empty: "PDA" beside the program.
std::filesystem::path DefaultDeviceFolder();

// The folder the text of the setting names, as typed (any letters: never through code page
// 1250), or as a file:// URL; empty: DefaultDeviceFolder().
std::filesystem::path DeviceFolderFor(const QString& setting);

// Makes that folder the handheld from the next connection on (device/rapi.h SetDeviceRoot).
void UseDeviceFolder(const QString& setting);

// "PDA_Koren" in the settings file, which is code page 1250. A setting the code page holds is
// stored as typed, as it always was; any other as a file:// URL of the folder (percent-encoded
// UTF-8, ASCII only), which no plain path begins with. Reading gives the text for the edit: the
// folder itself for a URL, else the value as it stands.
AnsiString DeviceFolderToSetting(const QString& setting);
QString DeviceFolderFromSetting(const AnsiString& stored);

// A hint for the settings tab, empty when all is well: the folder is missing or unreadable (no
// handheld, "PDA OFF"), or one of the handheld paths begins with "\Storage Card\" while the
// folder holds no "Storage Card" (in any case), so exports there would fail.
AnsiString DeviceFolderHint(const std::filesystem::path& folder,
                            const std::vector<AnsiString>& devicePaths);
