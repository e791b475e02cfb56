// The busy indicator of the command line: the file being worked on, on one
// line of stderr that is rewritten for each file and cleared at the end.
#pragma once

#include <string>

#include "ide/HostServices.h"

namespace zan::cli {

class TTerminalProgress : public IBusyIndicator {
 public:
  void StartWait() override;
  void StopWait() override;
  void Step(const std::u16string& what) override;

 private:
  int FCount = 0;
  bool FShown = false;
};

}  // namespace zan::cli
