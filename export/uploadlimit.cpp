#include "export/uploadlimit.h"

bool UploadOverrun(std::uint32_t now, std::uint32_t start) {
  return static_cast<std::uint32_t>(now - start) > kUploadLimitMs;
}

const AnsiString kUploadOverrunMessage =
    "Nepodarilo sa umiestni\x9D d\xE1ta v stanovemom \xE8"
    "ase na PDA\r"
    "zakazujem activesync(PDA)!";
const AnsiString kPushFailedMessage = "Nepodarilo sa umiestni\x9D d\xE1ta na PDA";
