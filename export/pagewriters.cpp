#include "export/pagewriters.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <string>

#include "export/mhtml.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "web/webbrowser.h"

namespace {

// CDO flags: no images, sounds, frames, objects or style sheets.
constexpr int kHtmlAlone = 31;
// SaveToFile: create, overwriting an existing file.
constexpr int kCreateOverwrite = 2;

void Tell(const WriterResult& result, const char* text) {
  if (result) result(text);
}

// Nothing is fetched again: what the user's login showed stays in the engine. The engine's
// file is moved into place, not read: only its size is looked at, against the cap the fetched
// form has too.
void SaveWholePage(WebBrowser* browser, const AnsiString& fileName, const WriterResult& result) {
  try {
    QTemporaryDir folder;
    if (!folder.isValid()) throw PlatformError("Cannot create a temporary folder");
    const std::filesystem::path archive =
        QFile::encodeName(folder.filePath(QStringLiteral("page.mht"))).toStdString();
    browser->SavePageArchive(archive);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(archive, ec);
    if (!ec && size > kMaxPageBytes)
      throw PlatformError(
          FormatMessage1(AnsiLiteral("Stránka sa neuložila do %s: jej archív je väčší ako "),
                         fileName) +
          std::to_string(kMaxPageBytes >> 20) + " MiB.");
    platform::ReplacementFile file =
        platform::ReplacementFile::Create(platform::ToNativePath(fileName));
    if (!file.IsOpen() || !file.TakeFile(archive) || !file.Commit())
      throw PlatformError("Write to file failed: " + fileName + " (error " +
                          std::to_string(platform::LastFileError()) + ")");
  } catch (...) {
    Tell(result, "Chyba");
    throw;
  }
  Tell(result, "Hotovo");
}

}  // namespace

void SaveAsHtml(WebBrowser* browser, const AnsiString& fileName, const WriterResult& result) {
  if (!browser || !browser->HasDocument()) {
    platform::Ui().ShowMessage("Document not loaded!");
    return;
  }
  // A document that is not HTML cannot be written as HTML: this raises before any file exists.
  browser->RequireHtml();

  // The earlier export stays whole until the new one is written in full.
  platform::ReplacementFile file =
      platform::ReplacementFile::Create(platform::ToNativePath(fileName));
  if (!file.IsOpen())
    throw PlatformError(FormatMessage1("Cannot create file %s", fileName) + " (error " +
                        std::to_string(platform::LastFileError()) + ")");
  QBuffer html;
  html.open(QIODevice::WriteOnly);
  if (!browser->Save(html) ||
      !file.WriteAndCommit(html.data().constData(), static_cast<std::size_t>(html.data().size())))
    platform::Ui().ShowMessage("SaveAs HTML fail!");
  else
    Tell(result, "Hotovo");
}

void SaveAsMht(WebBrowser* browser, const AnsiString& fileName, const WriterResult& result,
               MhtForm form) {
  if (!browser || !browser->HasDocument()) {
    Tell(result, "Chyba");
    return;
  }
  if (form == MhtForm::WholePage) return SaveWholePage(browser, fileName, result);
  const std::string url = browser->LocationURL();
  BrowserIdentity identity{browser->Cookies(), browser->UserAgent()};
  try {
    CdoMessage message(identity);
    message.CreateMHTMLBody(url, kHtmlAlone, "", "");
    message.GetStream().SaveToFile(fileName, kCreateOverwrite);
  } catch (...) {
    Tell(result, "Chyba");
    throw;
  }
  Tell(result, "Hotovo");
}
