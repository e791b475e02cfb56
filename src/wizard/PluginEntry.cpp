#include "wizard/PluginEntry.h"

#include <exception>

#include "engine/catalogue/ZanReplacer.h"
#include "ide/HostServices.h"
#include "parsing/PasParser.h"
#include "rtl/FileSystem.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"
#include "wizard/Dialogs.h"
#include "wizard/ReplaceExpert.h"
#include "wizard/WizardHost.h"
#include "wizard/ZanWizard.h"

namespace zan {

namespace {

constexpr std::u16string_view kProductName = u"Zanthe";

/// What the loaded package holds, and the host seams it installed (with the
/// values they replaced) so that finalizing puts everything back.
struct TWizardPackage {
  std::unique_ptr<TZanCatalogue> Catalogue;
  std::shared_ptr<TCompReplaceExpert> Expert;

  bool SetServices = false;
  bool SetDialogs = false, SetShell = false, SetBusy = false, SetFileSystem = false;
  bool SetSettings = false;
  IWizardDialogs* PreviousDialogs = nullptr;
  IShell* PreviousShell = nullptr;
  IBusyIndicator* PreviousBusy = nullptr;
  TFileSystem* PreviousFileSystem = nullptr;

  ~TWizardPackage() { Finalize(); }
  void Finalize();
};

/// The package state. First used after the services pointer, so that it is
/// destroyed (and finalizes) before that pointer at library unload.
TWizardPackage& Package() {
  static TWizardPackage package;
  return package;
}

void InstallHostSeams(TWizardPackage& package, IWizardHost& host) {
  if (IWizardDialogs* dialogs = host.Dialogs()) {
    package.PreviousDialogs = SetWizardDialogs(dialogs);
    package.SetDialogs = true;
  }
  if (IShell* shell = host.Shell()) {
    package.PreviousShell = SetShell(shell);
    package.SetShell = true;
  }
  if (IBusyIndicator* busy = host.BusyIndicator()) {
    package.PreviousBusy = SetBusyIndicator(busy);
    package.SetBusy = true;
  }
  if (TFileSystem* fs = host.FileSystem()) {
    package.PreviousFileSystem = SetCurrentFileSystem(fs);
    package.SetFileSystem = true;
  }
  if (const std::u16string settings = host.SettingsFileName(); !settings.empty()) {
    TRegIniFile::SetSettingsFileName(settings);
    package.SetSettings = true;
  }
}

void RestoreSeams(TWizardPackage& package) {
  if (package.SetDialogs) SetWizardDialogs(package.PreviousDialogs);
  if (package.SetShell) SetShell(package.PreviousShell);
  if (package.SetBusy) SetBusyIndicator(package.PreviousBusy);
  if (package.SetFileSystem) SetCurrentFileSystem(package.PreviousFileSystem);
  if (package.SetSettings) TRegIniFile::SetSettingsFileName(u"");
  if (package.SetServices) SetBorlandIDEServices(nullptr);
  package.SetDialogs = package.SetShell = package.SetBusy = package.SetFileSystem = false;
  package.SetSettings = package.SetServices = false;
}

void TWizardPackage::Finalize() {
  if (Expert) {
    // No menu item may keep a click handler into unloaded code, and an
    // expert the host still holds must not reach freed replacers.
    Expert->RemoveMenuItems();
    Expert->ClearReplacers();
    Expert.reset();
  }
  Catalogue.reset();
  RestoreSeams(*this);
}

}  // namespace

TCompReplaceExpert* WizardPackageExpert() {
  return Package().Expert.get();
}

TZanCatalogue* WizardPackageCatalogue() {
  return Package().Catalogue.get();
}

}  // namespace zan

using namespace zan;

extern "C" {

void InitializeWizardPackage() {
  BorlandIDEServices();  // constructed before the package state: see Package()
  TWizardPackage& package = Package();
  if (package.Catalogue) return;
  PasSymbols();
  PasKeywords();
  package.Catalogue = std::make_unique<TZanCatalogue>();
}

void FinalizeWizardPackage() {
  Package().Finalize();
}

bool INITWIZARD0001(const std::shared_ptr<IBorlandIDEServices>& services,
                    TWizardRegisterProc registerProc, TWizardTerminateProc*) {
  try {
    if (!BorlandIDEServices() && services) {
      SetBorlandIDEServices(services);
      Package().SetServices = true;
    }
    TWizardPackage& package = Package();
    auto host = std::dynamic_pointer_cast<IWizardHost>(services);
    if (host) InstallHostSeams(package, *host);
    InitializeWizardPackage();
    if (package.Expert) {
      // Entered again without an unload: the new expert takes the old one's place.
      package.Expert->RemoveMenuItems();
      package.Expert.reset();
    }
    TZanCatalogue& catalogue = *package.Catalogue;
    package.Expert = TCompReplaceExpert::Create(&CreateWizardForm<TZanWizardForm>, kProductName,
                                                host ? host->ProductMenu() : kDefaultProductMenu,
                                                catalogue.Replacer(0));
    for (int i = 1; i < catalogue.Count(); ++i)
      package.Expert->RegisterReplacer(catalogue.Replacer(i));
    if (registerProc) registerProc(package.Expert);
  } catch (const std::exception& error) {
    WizardDialogs().ShowException(Utf8ToUtf16(error.what()));
  }
  return true;
}

}  // extern "C"
