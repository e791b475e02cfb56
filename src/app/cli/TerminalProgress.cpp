#include "app/cli/TerminalProgress.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan::cli {

namespace {

/// `path` relative to `root` when it lies inside it ("sub/Data.pas"), else as it is.
std::u16string_view RelativeTo(std::u16string_view path, std::u16string_view root) {
  if (root.empty() || !path.starts_with(root)) return path;
  if (root.back() == u'/') return path.substr(root.size());
  if (path.size() > root.size() && path[root.size()] == u'/') return path.substr(root.size() + 1);
  return path;
}

}  // namespace

std::string TTerminalProgress::Line(int done, int found, const std::u16string& what) const {
  std::string line = "[";
  line += std::to_string(done);
  line += '/';
  line += std::to_string(std::max(done, found));
  line += "] ";
  line += Utf16ToUtf8(std::u16string(RelativeTo(what, FRoot)));
  return line;
}

void TTerminalProgress::StartWait() {
  FDone = 0;
  FShown = false;
}

void TTerminalProgress::StopWait() {
  if (!FShown) return;
  FShown = false;
  // A run that raised stops here: the line goes, the error follows.
  if (std::uncaught_exceptions() > 0) {
    std::cerr << "\r\033[K" << std::flush;
    return;
  }
  // The count before the run was a guess from the folder: the last line
  // shows the files the run took, and stays.
  std::cerr << "\r\033[K" << Line(FDone, FDone, FLast) << "\n" << std::flush;
}

void TTerminalProgress::Step(const std::u16string& what) {
  // Reported when a file is begun: "[3/10]" is the third of the ten found.
  ++FDone;
  FLast = what;
  std::cerr << "\r\033[K" << Line(FDone, FExpected, what) << std::flush;
  FShown = true;
}

}  // namespace zan::cli
