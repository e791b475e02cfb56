#include "ide/HostServices.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "rtl/Strings.h"

extern char** environ;

namespace zan {

namespace {

class TSilentBusyIndicator : public IBusyIndicator {
 public:
  void StartWait() override {}
  void StopWait() override {}
};

/// Starts xdg-open without waiting for the viewer; its output is the viewer's business.
class TXdgShell : public IShell {
 public:
  bool Open(const std::u16string& fileName) override {
    const std::string file = Utf16ToUtf8(fileName);
    const char* argv[] = {"xdg-open", file.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
      return false;
    // xdg-open hands the file to the viewer and returns; reap it so that no
    // zombie is left behind.
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

TSilentBusyIndicator gSilentIndicator;
TXdgShell gXdgShell;
IBusyIndicator* gIndicator = &gSilentIndicator;
IShell* gShell = &gXdgShell;

}  // namespace

IShell& XdgShell() {
  return gXdgShell;
}

IBusyIndicator& BusyIndicator() {
  return *gIndicator;
}

IBusyIndicator* SetBusyIndicator(IBusyIndicator* indicator) {
  IBusyIndicator* previous = gIndicator;
  gIndicator = indicator ? indicator : &gSilentIndicator;
  return previous == &gSilentIndicator ? nullptr : previous;
}

IShell& Shell() {
  return *gShell;
}

IShell* SetShell(IShell* shell) {
  IShell* previous = gShell;
  gShell = shell ? shell : &gXdgShell;
  return previous == &gXdgShell ? nullptr : previous;
}

}  // namespace zan
