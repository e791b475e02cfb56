// Small services of the host application that the engine uses: the busy
// indicator (the host's StartWait/StopWait) and the shell's "open" verb.
//
// Each is an interface. A run reads them only from its context
// (RunContext.h); the process-wide current instances below are the
// plug-in's: its front end fills a run's context from them, and the host
// replaces them (the Qt host sets the wait cursor), as tests do (which count
// and record the calls). The defaults do nothing and open files with
// xdg-open.
#pragma once

#include <string>

namespace zan {

/// Busy indicator: switched on at the start of a run and off at its end, also
/// when the run fails. `Step` reports the file being worked on.
class IBusyIndicator {
 public:
  virtual ~IBusyIndicator() = default;
  virtual void StartWait() = 0;
  virtual void StopWait() = 0;
  virtual void Step(const std::u16string& /*what*/) {}
};

/// The shell's "open" verb: shows a file with the user's viewer for its type.
class IShell {
 public:
  virtual ~IShell() = default;
  /// True when the viewer could be started.
  virtual bool Open(const std::u16string& fileName) = 0;
};

/// The desktop's "open" through xdg-open (the default shell).
IShell& XdgShell();

IBusyIndicator& BusyIndicator();
/// Installs `indicator` (not owned; nullptr restores the silent default); returns the
/// previous one (nullptr for the default), so that a caller can put it back.
IBusyIndicator* SetBusyIndicator(IBusyIndicator* indicator);
IShell& Shell();
/// Installs `shell` (not owned; nullptr restores xdg-open); returns the previous one
/// (nullptr for the default).
IShell* SetShell(IShell* shell);

}  // namespace zan
