#include "web/primitives.h"

#include "platform/clock.h"
#include "platform/error.h"
#include "platform/state.h"
#include "web/webbrowser.h"

namespace {

constexpr std::uint32_t kPagePollMs = 100;

}  // namespace

void ClickElement(WebBrowser* browser, const AnsiString& name) {
  if (!browser) throw PlatformError("Interface not supported");
  browser->ClickElementByName(name);
}

void SetElementValue(WebBrowser* browser, const AnsiString& name, const AnsiString& value) {
  if (!browser) throw PlatformError("Interface not supported");
  browser->PutInnerText(name, value);
}

void WaitForPageReady(PagePoll order) {
  while (!PageReady) {
    if (order == PagePoll::SleepThenPump) platform::Sleep(kPagePollMs);
    platform::ProcessMessages();
    if (order == PagePoll::PumpThenSleep) platform::Sleep(kPagePollMs);
  }
}
