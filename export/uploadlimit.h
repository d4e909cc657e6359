#pragma once
// The time limit on pushing an export to the handheld.
#include <cstdint>

#include "platform/ansi.h"

inline constexpr std::uint32_t kUploadLimitMs = 5000;

// More than the limit since start, in 32-bit tick arithmetic (a wrap of the counter is harmless).
bool UploadOverrun(std::uint32_t now, std::uint32_t start);

// The two lines of the overrun message, joined by a lone carriage return.
extern const AnsiString kUploadOverrunMessage;
extern const AnsiString kPushFailedMessage;
