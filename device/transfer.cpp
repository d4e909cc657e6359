#include "device/transfer.h"

void CopyFromDevice(const AnsiString&, const AnsiString&) {}
void CopyToDevice(const AnsiString&, const AnsiString&) {}
