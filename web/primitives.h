#pragma once
// The two element primitives the login is built from, and the wait for an awaited page. Both
// primitives raise PlatformError when no HTML document is shown or no element has the name.
#include "platform/ansi.h"

class WebBrowser;

// Clicks the first element (document order) whose name or id equals the name.
void ClickElement(WebBrowser* browser, const AnsiString& name);
// Writes the value into that element (the field's content, for an input).
void SetElementValue(WebBrowser* browser, const AnsiString& name, const AnsiString& value);

// What each 100 ms pass of the wait does first: the batch export sleeps first, the cache-page
// command pumps first. Kept as each was, as it decides how soon after the page a wait ends.
enum class PagePoll { PumpThenSleep, SleepThenPump };
// Until PageReady is set: by the page scan, or by the button that breaks a wait.
void WaitForPageReady(PagePoll order);
