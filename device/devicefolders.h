#pragma once
// The handheld folders the program writes into (the waypoint file's, the exports'): whether the
// handheld has them, and making them. On the handheld's thread (device/worker.h), link open.
#include <vector>

#include "platform/ansi.h"

// The folders ("\Storage Card\MHT\") of the list the handheld does not have, each once; an empty
// path names no folder.
std::vector<AnsiString> MissingDeviceFolders(const std::vector<AnsiString>& folders);
// Makes each folder and the folders above it. What the user is told of the first that could not
// be made; empty when all are there.
AnsiString MakeDeviceFolders(const std::vector<AnsiString>& folders);
