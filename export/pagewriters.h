#pragma once
// Writing the shown page to a PC file.
#include "platform/ansi.h"

class WebBrowser;

// The document's current HTML (the decoded hint included), in its own character set.
// No document: "Document not loaded!" and no file. A document that is not HTML raises; a save
// that fails shows "SaveAs HTML fail!" and leaves the file as written.
void SaveAsHtml(WebBrowser* browser, const AnsiString& fileName);

// A single-file archive of the shown page, fetched again by URL with the browser's cookies.
// Panel 1 of StatusBar1 shows "Hotovo" once the archive is saved, "Chyba" when there is no
// document or the archive could not be fetched or saved (the error then ends the command).
void SaveAsMht(WebBrowser* browser, const AnsiString& fileName);
