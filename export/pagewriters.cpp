#include "export/pagewriters.h"

#include <QFile>

#include "app/mainform.h"
#include "export/mhtml.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "web/webbrowser.h"

namespace {

// CDO flags: no images, sounds, frames, objects or style sheets.
constexpr int kHtmlAlone = 31;
// SaveToFile: create, overwriting an existing file.
constexpr int kCreateOverwrite = 2;

void SetWriterResult(const char* text) {
  if (Form1) Form1->StatusBar1->SetPanelText(1, text);
}

}  // namespace

void SaveAsHtml(WebBrowser* browser, const AnsiString& fileName) {
  if (!browser || !browser->HasDocument()) {
    platform::Ui().ShowMessage("Document not loaded!");
    return;
  }
  // A document that is not HTML cannot be written as HTML: this raises before any file exists.
  browser->RequireHtml();

  QFile file(QString::fromStdString(platform::ToNativePath(fileName).string()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw PlatformError(FormatMessage1("Cannot create file %s", fileName) + ". " +
                        ToAnsi(file.errorString()));
  const bool saved = browser->Save(file);
  file.close();
  if (!saved || file.error() != QFileDevice::NoError)
    platform::Ui().ShowMessage("SaveAs HTML fail!");
}

void SaveAsMht(WebBrowser* browser, const AnsiString& fileName) {
  if (!browser || !browser->HasDocument()) {
    SetWriterResult("Chyba");
    return;
  }
  const std::string url = browser->LocationURL();
  BrowserIdentity identity{browser->Cookies(), browser->UserAgent()};
  try {
    CdoMessage message(identity);
    message.CreateMHTMLBody(url, kHtmlAlone, "", "");
    message.GetStream().SaveToFile(fileName, kCreateOverwrite);
  } catch (...) {
    SetWriterResult("Chyba");
    throw;
  }
  SetWriterResult("Hotovo");
}
