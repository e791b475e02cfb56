// Host seams for the tests that count and record their calls instead of
// showing progress or opening files.
#pragma once

#include <string>
#include <vector>

#include "ide/HostServices.h"

namespace zan::test {

/// Counts StartWait/StopWait and keeps every progress step, in order.
class TCountingBusyIndicator : public IBusyIndicator {
 public:
  void StartWait() override { ++Started; }
  void StopWait() override { ++Stopped; }
  void Step(const std::u16string& what) override { Steps.push_back(what); }
  int Started = 0;
  int Stopped = 0;
  std::vector<std::u16string> Steps;
};

/// Records the files it is asked to open, and opens nothing.
class TRecordingShell : public IShell {
 public:
  bool Open(const std::u16string& fileName) override {
    Opened.push_back(fileName);
    return true;
  }
  std::vector<std::u16string> Opened;
};

}  // namespace zan::test
