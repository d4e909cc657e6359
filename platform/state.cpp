#include "platform/state.h"

bool PageReady = false;
bool AppClosing = false;
bool LoggedIn = false;
AnsiString HintText;
AnsiString CurrentCache;
std::map<AnsiString, AnsiString> ScannedHints;
std::uint32_t WaitStart = 0;
AnsiString DeviceDir;
AnsiString WaypointFile;
char16_t* WideBuffer = nullptr;
int DeviceGridCol = 0, DeviceGridRow = 0;
int PcGridCol = 0, PcGridRow = 0;
std::uint8_t DeviceNameOrder = 0, DeviceDateOrder = 0, PcNameOrder = 0, PcDateOrder = 0;

void ResetSharedState() {
  PageReady = AppClosing = LoggedIn = false;
  HintText.clear();
  CurrentCache.clear();
  ScannedHints.clear();
  WaitStart = 0;
  DeviceDir.clear();
  WaypointFile.clear();
  delete[] WideBuffer;
  WideBuffer = nullptr;
  DeviceGridCol = DeviceGridRow = PcGridCol = PcGridRow = 0;
  DeviceNameOrder = DeviceDateOrder = PcNameOrder = PcDateOrder = 0;
}
