// What a host offers the loaded plug-in besides the IDE's services.
//
// A plug-in built as a shared library has its own copies of the process-wide
// seams (dialogs, file system, shell, busy indicator, settings file), so the
// host hands its own to the plug-in's entry point: the IDE-services object
// passed to INITWIZARD0001 may also implement IWizardHost, and the entry then
// installs every seam it returns (nullptr or empty: keep the plug-in's
// default). The plug-in restores its defaults when it is finalized.
#pragma once

#include <string>

#include "ide/IDEUtils.h"

namespace zan {

class IWizardDialogs;
class IShell;
class IBusyIndicator;
class TFileSystem;

/// The product menu the plug-in uses when the host names none.
inline const TProductMenu kDefaultProductMenu{u"ZantheProductMenu", u"&Zanthe",
                                              u"Zanthe &Data Access"};

/// Implemented by a host's IDE-services object to lend the plug-in its seams.
class IWizardHost {
 public:
  virtual ~IWizardHost() = default;
  /// The target library's product menu: item name, caption, alternate caption.
  virtual TProductMenu ProductMenu() { return kDefaultProductMenu; }
  /// Seams owned by the host; they must outlive the plug-in's use of them.
  virtual IWizardDialogs* Dialogs() { return nullptr; }
  virtual IShell* Shell() { return nullptr; }
  virtual IBusyIndicator* BusyIndicator() { return nullptr; }
  virtual TFileSystem* FileSystem() { return nullptr; }
  /// The settings file standing for the user's registry (empty: the default).
  virtual std::u16string SettingsFileName() { return {}; }
};

}  // namespace zan
