#pragma once
// JavaScript run in the page for the document operations.
#include <QString>

namespace web_scripts {

// Helper functions every call starts with; a call's body then returns {v: value} or
// {e: "nointerface" | "noelement"}.
QString Helpers();

}  // namespace web_scripts
