#pragma once
// Whole-file copies between the PC and the handheld. Each reports its own failures in a
// message box and returns nothing.
#include "platform/ansi.h"

// Handheld file -> PC file. The PC file is replaced only when the whole file arrived.
void CopyFromDevice(const AnsiString& devicePath, const AnsiString& pcPath);
// PC file -> handheld file. Does nothing (after CeRapiInit) while the main window is closing.
void CopyToDevice(const AnsiString& pcPath, const AnsiString& devicePath);
