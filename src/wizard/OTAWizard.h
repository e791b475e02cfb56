// The IDE's wizard interface as a plug-in implements it, and the wizard entry
// point's types: what a host needs to load the plug-in and hold its wizard.
#pragma once

#include <memory>
#include <string>

#include "ide/ToolsAPI.h"

namespace zan {

/// Notifications the IDE sends to a registered interface.
class IOTANotifier {
 public:
  virtual ~IOTANotifier() = default;
  virtual void AfterSave() = 0;
  virtual void BeforeSave() = 0;
  virtual void Destroyed() = 0;
  virtual void Modified() = 0;
};

/// The states a wizard reports (a set of flags).
enum TWizardState : unsigned { wsEnabled = 1, wsChecked = 2 };
using TWizardStates = unsigned;

/// A wizard registered with the IDE, identified by its ID string.
class IOTAWizard : public IOTANotifier {
 public:
  virtual std::u16string GetIDString() = 0;
  virtual std::u16string GetName() = 0;
  virtual TWizardStates GetState() = 0;
  /// Runs the wizard when the IDE starts it from its own menus.
  virtual void Execute() = 0;
};

/// The IDE's procedure that registers a wizard; true when it was registered.
/// The host keeps the wizard until it unloads the plug-in.
using TWizardRegisterProc = bool (*)(const std::shared_ptr<IOTAWizard>& wizard);
/// A procedure the IDE calls when it ends; the plug-in leaves it untouched.
using TWizardTerminateProc = void (*)();

}  // namespace zan
