// TWizardPlugin: the wizard plug-in loaded into the host as the IDE loads a
// package. Load opens the shared library, calls its INITWIZARD0001 with the
// host's IDE services and a register procedure, and keeps the wizards it
// registered; Unload releases them, lets the library finalize (it removes
// its menu items) and closes it. At most one library per object.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"
#include "wizard/OTAWizard.h"

namespace zan {

/// The plug-in library cannot be loaded or lacks its entry; the message says which.
class EPluginError : public Exception {
 public:
  using Exception::Exception;
};

class TWizardPlugin {
 public:
  TWizardPlugin() = default;
  ~TWizardPlugin();
  TWizardPlugin(const TWizardPlugin&) = delete;
  TWizardPlugin& operator=(const TWizardPlugin&) = delete;

  /// Loads `fileName` and calls its entry with `services`. Throws EPluginError
  /// when the library cannot be opened or has no entry (nothing stays loaded).
  void Load(const std::string& fileName, const std::shared_ptr<IBorlandIDEServices>& services);
  /// Releases the wizards, finalizes and closes the library (nothing when none is loaded).
  void Unload();
  bool Loaded() const { return FHandle != nullptr; }
  const std::string& FileName() const { return FFileName; }
  /// The wizards the library registered, in order.
  const std::vector<std::shared_ptr<IOTAWizard>>& Wizards() const { return FWizards; }

  /// Where the host looks for the plug-in: $ZANMIG_WIZARD_PLUGIN when set;
  /// else "zanmig-wizard.so" in `executableDir` when it is there (the build
  /// tree); else where the installation puts it, `installedDir` taken
  /// relative to `executableDir` ("../lib/zanmig" from "bin").
  static std::string DefaultFileName(const std::string& executableDir,
                                     const std::string& installedDir = kInstalledDir);
  /// The plug-in's folder relative to the program's in an installation.
  static const char* const kInstalledDir;

 private:
  static bool RegisterWizard(const std::shared_ptr<IOTAWizard>& wizard);

  void* FHandle = nullptr;
  std::string FFileName;
  std::vector<std::shared_ptr<IOTAWizard>> FWizards;
};

}  // namespace zan
