#include "app/cli/TerminalProgress.h"

#include <iostream>

#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan::cli {

void TTerminalProgress::StartWait() {
  FCount = 0;
}

void TTerminalProgress::StopWait() {
  if (FShown) std::cerr << "\r\033[K" << std::flush;
  FShown = false;
}

void TTerminalProgress::Step(const std::u16string& what) {
  ++FCount;
  std::cerr << "\r\033[K[" << FCount << "] " << Utf16ToUtf8(ExtractFileName(what)) << std::flush;
  FShown = true;
}

}  // namespace zan::cli
