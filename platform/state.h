#pragma once
// The application-wide state that the handlers share, below every subsystem. Zero, false or
// empty at start.
#include <cstdint>
#include <map>

#include "platform/ansi.h"

extern bool PageReady;       // the awaited page has completed, or a wait was broken
extern bool AppClosing;      // the main window is closing: no copy to the handheld starts
extern bool LoggedIn;        // a page showed the site's logged-in marker since the last login began
extern AnsiString HintText;  // still ROT13-encoded hint of the last national cache page
extern AnsiString CurrentCache;  // name-list text of the cache page last requested
extern std::uint32_t WaitStart;  // tick count at which the current timed wait began
extern AnsiString DeviceDir;     // current directory of the handheld pane, ends in "\"
extern AnsiString WaypointFile;  // the waypoint file last read into the lists; empty: none yet
extern char16_t* WideBuffer;     // 1024 bytes for one UTF-16 handheld path, owned by a command
extern int DeviceGridCol, DeviceGridRow;  // cell of the last press in StringGrid1
extern int PcGridCol, PcGridRow;          // cell of the last press in StringGrid2
// Sort state of both grids, one byte per sortable column: 0 not ordered by it, 1 ascending,
// 2 descending; at most one of a grid's two bytes is non-zero.
extern std::uint8_t DeviceNameOrder, DeviceDateOrder, PcNameOrder, PcDateOrder;

// Decoded hints of the national pages scanned this session, by GC code (sent to a GPS unit).
extern std::map<AnsiString, AnsiString> ScannedHints;

// Back to the start values (tests run several windows in one process).
void ResetSharedState();
