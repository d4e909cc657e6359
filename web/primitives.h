#pragma once
// The two element primitives the login is built from. Both raise PlatformError when no HTML
// document is shown or no element has the name.
#include "platform/ansi.h"

class WebBrowser;

// Clicks the first element (document order) whose name or id equals the name.
void ClickElement(WebBrowser* browser, const AnsiString& name);
// Writes the value into that element (the field's content, for an input).
void SetElementValue(WebBrowser* browser, const AnsiString& name, const AnsiString& value);
