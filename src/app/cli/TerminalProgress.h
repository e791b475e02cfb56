// The busy indicator of the command line: "[done/found] file" on one line of
// stderr, rewritten for each file and cleared at the end of the run. The
// command counts the files it expects before the run; forms that units name
// raise the count as they are met.
#pragma once

#include <string>

#include "ide/HostServices.h"

namespace zan::cli {

class TTerminalProgress : public IBusyIndicator {
 public:
  explicit TTerminalProgress(int expected = 0) : FExpected(expected) {}

  void StartWait() override;
  void StopWait() override;
  void Step(const std::u16string& what) override;

  int Done() const { return FDone; }
  /// The line shown for the file `what` as the `done`-th of `found`.
  static std::string Line(int done, int found, const std::u16string& what);

 private:
  int FExpected;
  int FDone = 0;
  bool FShown = false;
};

}  // namespace zan::cli
