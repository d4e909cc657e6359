#pragma once
// Writing the shown page to a PC file.
#include <functional>

#include "platform/ansi.h"

class WebBrowser;

// Where a writer tells how the export ended ("Hotovo", "Chyba"): the window shows it in a
// status-bar panel. May be empty: nobody is told.
using WriterResult = std::function<void(const char* text)>;

// The document's current HTML (the decoded hint included), in its own character set.
// No document: "Document not loaded!" and no file. A document that is not HTML raises; a save
// that fails shows "SaveAs HTML fail!" and leaves an earlier file of that name as it was; a
// written file is told as "Hotovo".
void SaveAsHtml(WebBrowser* browser, const AnsiString& fileName, const WriterResult& result);

enum class MhtForm {
  Refetch,    // the page's HTML alone, fetched again by URL with the browser's cookies
  WholePage,  // the shown page as the engine archives it: pictures and the decoded hint included
};

// A single-file archive of the shown page, written aside and renamed into place.
// Tells "Hotovo" once the archive is saved, "Chyba" when there is no document or the archive
// could not be made or saved (the error then ends the command).
void SaveAsMht(WebBrowser* browser, const AnsiString& fileName, const WriterResult& result,
               MhtForm form = MhtForm::Refetch);
