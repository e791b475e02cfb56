// The busy indicator of the command line: "[done/found] file" on one line of
// stderr, rewritten for each file, the file shown relative to the scanned
// folder. The files expected are the units of the run's plan; forms that
// units name raise the count as they are met, and when the run ends the last
// line is shown again with the number of files the run actually took as its
// total, and kept (a run that raised clears it: its error follows).
#pragma once

#include <string>
#include <utility>

#include "ide/HostServices.h"

namespace zan::cli {

class TTerminalProgress : public IBusyIndicator {
 public:
  /// `expected`: the files the run is expected to take; `root`: the folder
  /// that the files are shown relative to (empty: full paths).
  explicit TTerminalProgress(int expected = 0, std::u16string root = {})
      : FExpected(expected), FRoot(std::move(root)) {}

  void StartWait() override;
  void StopWait() override;
  void Step(const std::u16string& what) override;

  /// Sets the files the run is expected to take (the plan's units).
  void SetExpected(int expected) { FExpected = expected; }
  int Done() const { return FDone; }
  /// The line shown for the file `what` as the `done`-th of `found`.
  std::string Line(int done, int found, const std::u16string& what) const;

 private:
  int FExpected;
  std::u16string FRoot;
  int FDone = 0;
  std::u16string FLast;  // the file of the line shown
  bool FShown = false;
};

}  // namespace zan::cli
