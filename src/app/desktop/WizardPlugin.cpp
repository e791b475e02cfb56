#include "app/desktop/WizardPlugin.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace zan {

namespace {

using TInitProc = bool (*)(const std::shared_ptr<IBorlandIDEServices>&, TWizardRegisterProc,
                           TWizardTerminateProc*);
using TFinalizeProc = void (*)();

/// The wizard list of the plug-in whose entry is running: the register
/// procedure is a plain function, as the IDE's is, and finds the list here.
std::vector<std::shared_ptr<IOTAWizard>>* gLoadingWizards = nullptr;

std::string DlError() {
  const char* text = dlerror();
  return text ? text : "unknown error";
}

}  // namespace

TWizardPlugin::~TWizardPlugin() {
  Unload();
}

bool TWizardPlugin::RegisterWizard(const std::shared_ptr<IOTAWizard>& wizard) {
  if (!gLoadingWizards || !wizard) return false;
  gLoadingWizards->push_back(wizard);
  return true;
}

void TWizardPlugin::Load(const std::string& fileName,
                         const std::shared_ptr<IBorlandIDEServices>& services) {
  if (FHandle) throw EPluginError("A wizard plug-in is already loaded from \"" + FFileName + "\".");
  // Local binding: the library keeps its own copies of the engine's code and state.
  void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle)
    throw EPluginError("Cannot load the wizard plug-in \"" + fileName + "\". " + DlError());
  auto init = reinterpret_cast<TInitProc>(dlsym(handle, "INITWIZARD0001"));
  if (!init) {
    dlclose(handle);
    throw EPluginError("\"" + fileName + "\" is not a wizard plug-in: it has no INITWIZARD0001.");
  }
  FHandle = handle;
  FFileName = fileName;
  TWizardTerminateProc terminate = nullptr;
  gLoadingWizards = &FWizards;
  // The entry reports its own exceptions through the host's dialogs and returns true.
  init(services, &TWizardPlugin::RegisterWizard, &terminate);
  gLoadingWizards = nullptr;
}

void TWizardPlugin::Unload() {
  if (!FHandle) return;
  // The wizards' code lives in the library: release them before it goes.
  FWizards.clear();
  if (auto finalize = reinterpret_cast<TFinalizeProc>(dlsym(FHandle, "FinalizeWizardPackage")))
    finalize();
  dlclose(FHandle);
  FHandle = nullptr;
  FFileName.clear();
}

#ifndef ZAN_PLUGIN_DIR_FROM_BIN
#define ZAN_PLUGIN_DIR_FROM_BIN "../lib/zanmig"
#endif
const char* const TWizardPlugin::kInstalledDir = ZAN_PLUGIN_DIR_FROM_BIN;

std::string TWizardPlugin::DefaultFileName(const std::string& executableDir,
                                           const std::string& installedDir) {
  if (const char* env = std::getenv("ZANMIG_WIZARD_PLUGIN"); env && *env) return env;
  const std::string beside = executableDir + "/zanmig-wizard.so";
  if (std::filesystem::exists(beside)) return beside;
  const std::filesystem::path installed =
      std::filesystem::path(executableDir) / installedDir / "zanmig-wizard.so";
  return installed.lexically_normal().string();
}

}  // namespace zan
