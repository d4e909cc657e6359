#pragma once
// The time limit on pushing an export to the handheld.
#include <cstdint>

#include "platform/ansi.h"

inline constexpr std::uint32_t kUploadLimitMs = 5000;

// More than the limit since start, in 32-bit tick arithmetic (a wrap of the counter is harmless).
inline bool UploadOverrun(std::uint32_t now, std::uint32_t start) {
  return static_cast<std::uint32_t>(now - start) > kUploadLimitMs;
}

// The two lines of the overrun message, joined by a lone carriage return.
inline const AnsiString kUploadOverrunMessage =
    "Nepodarilo sa umiestni\x9D d\xE1ta v stanovemom \xE8"
    "ase na PDA\r"
    "zakazujem activesync(PDA)!";
inline const AnsiString kPushFailedMessage = "Nepodarilo sa umiestni\x9D d\xE1ta na PDA";
