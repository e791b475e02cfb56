#include "app/cli/TerminalProgress.h"

#include <algorithm>
#include <iostream>

#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan::cli {

std::string TTerminalProgress::Line(int done, int found, const std::u16string& what) {
  return "[" + std::to_string(done) + "/" + std::to_string(std::max(done, found)) + "] " +
         Utf16ToUtf8(ExtractFileName(what));
}

void TTerminalProgress::StartWait() {
  FDone = 0;
}

void TTerminalProgress::StopWait() {
  if (FShown) std::cerr << "\r\033[K" << std::flush;
  FShown = false;
}

void TTerminalProgress::Step(const std::u16string& what) {
  // Reported when a file is begun: "[3/10]" is the third of the ten found.
  ++FDone;
  std::cerr << "\r\033[K" << Line(FDone, FExpected, what) << std::flush;
  FShown = true;
}

}  // namespace zan::cli
