#pragma once
// Which PC folder is the handheld: the setting "Kdeukladatdata"/"PDA_Koren", and what the
// settings tab says about the folder chosen.
#include <filesystem>
#include <vector>

#include "platform/ansi.h"

// The folder served when the setting is empty: "PDA" beside the program.
std::filesystem::path DefaultDeviceFolder();

// The folder a setting as typed names (code page 1250); empty: DefaultDeviceFolder().
std::filesystem::path DeviceFolderFor(const AnsiString& setting);

// Makes the folder the handheld from the next connection on (device/rapi.h SetDeviceRoot).
void UseDeviceFolder(const AnsiString& setting);

// A hint for the settings tab, empty when all is well: the folder is missing or unreadable (no
// handheld, "PDA OFF"), or one of the handheld paths begins with "\Storage Card\" while the
// folder holds no "Storage Card" (in any case), so exports there would fail.
AnsiString DeviceFolderHint(const std::filesystem::path& folder,
                            const std::vector<AnsiString>& devicePaths);
