#include "export/uploadlimit.h"

#include "platform/codepage.h"

bool UploadOverrun(std::uint32_t now, std::uint32_t start) {
  return static_cast<std::uint32_t>(now - start) > kUploadLimitMs;
}

const AnsiString kUploadOverrunMessage = AnsiLiteral(
    "Nepodarilo sa umiestniť dáta v stanovemom čase na PDA\rzakazujem activesync(PDA)!");
const AnsiString kPushFailedMessage = AnsiLiteral("Nepodarilo sa umiestniť dáta na PDA");
