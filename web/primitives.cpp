#include "web/primitives.h"

#include "platform/error.h"
#include "web/webbrowser.h"

void ClickElement(WebBrowser* browser, const AnsiString& name) {
  if (!browser) throw PlatformError("Interface not supported");
  browser->ClickElementByName(name);
}

void SetElementValue(WebBrowser* browser, const AnsiString& name, const AnsiString& value) {
  if (!browser) throw PlatformError("Interface not supported");
  browser->PutInnerText(name, value);
}
