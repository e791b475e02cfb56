#include "wizard/ReplaceExpert.h"

#include <algorithm>

#include "engine/RunPlan.h"
#include "engine/catalogue/Replacer.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/ScopeExit.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "wizard/Dialogs.h"
#include "wizard/SaveWarn.h"
#include "wizard/WizardRes.h"

namespace zan {

namespace {

/// Reads the rule files `fileNames` (separated by ";") for the library at
/// catalogue index `library` and registers their target classes in
/// `registry` (the run's own: they do not outlive the run). Raises
/// EUserRulesError on a mistake: the host shows it, nothing was written.
void LoadUserRules(const std::u16string& fileNames, int library, TFileSystem& fs, TUserRules& rules,
                   TClassRegistry& registry) {
  for (size_t start = 0; start <= fileNames.size();) {
    size_t end = fileNames.find(u';', start);
    if (end == std::u16string::npos) end = fileNames.size();
    const std::u16string file = Trim(std::u16string_view(fileNames).substr(start, end - start));
    if (!file.empty()) rules.LoadFromFile(fs, file, library);
    start = end + 1;
  }
  registry.AddClassesOf(TClassRegistry::Global());
  rules.RegisterTargetClasses(registry);
}

/// The top-level item of the main menu named `name`, or nullptr.
std::shared_ptr<TMenuItem> TopLevelItem(const std::u16string& name) {
  auto services = BorlandIDEServices();
  auto nta = services ? services->GetNTAServices() : nullptr;
  return nta ? nta->GetMainMenu().FindTopLevel(name) : nullptr;
}

}  // namespace

std::shared_ptr<TCompReplaceExpert> TCompReplaceExpert::Create(
    TWizardFormClass wizardFormClass, std::u16string_view productName,
    const TProductMenu& wizardMenu, TComponentReplacer& componentReplacer) {
  std::shared_ptr<TCompReplaceExpert> expert(
      new TCompReplaceExpert(wizardFormClass, productName, wizardMenu, componentReplacer));
  expert->AddMenuItem();
  return expert;
}

TCompReplaceExpert::TCompReplaceExpert(TWizardFormClass wizardFormClass,
                                       std::u16string_view productName,
                                       const TProductMenu& wizardMenu,
                                       TComponentReplacer& componentReplacer)
    : FProductName(productName), FWizardFormClass(wizardFormClass), FWizardMenu(wizardMenu) {
  RegisterReplacer(componentReplacer);
}

TCompReplaceExpert::~TCompReplaceExpert() = default;

void TCompReplaceExpert::AddMenuItem() {
  FMenuItemName = std::u16string(res::sRExpertItem) +
                  StringReplaceAll(GetDefaultReplacer().ReplaceOptions().SourceName(), u"/", u"_") +
                  RemoveAmpersands(FProductName);
  FCreatedProductItem = TopLevelItem(FWizardMenu.Name) == nullptr;
  std::weak_ptr<TCompReplaceExpert> self = weak_from_this();
  TIDEUtils::AddWizard(FWizardMenu, std::u16string(res::sMigrationWizardItem), FMenuItemName,
                       [self](TMenuItem& sender) {
                         if (auto expert = self.lock()) expert->MenuItemClick(sender);
                       });
}

void TCompReplaceExpert::RemoveMenuItems() {
  TIDEUtils::RemoveMenuItem(FMenuItemName);
  if (!FCreatedProductItem) return;
  auto product = TopLevelItem(FWizardMenu.Name);
  if (product && product->Items.empty()) TIDEUtils::RemoveMenuItem(FWizardMenu.Name);
  FCreatedProductItem = false;
}

void TCompReplaceExpert::RegisterReplacer(TComponentReplacer& componentReplacer) {
  FReplacers.push_back(&componentReplacer);
}

TComponentReplacer& TCompReplaceExpert::GetReplacer(int replacerIndex) {
  Assert(replacerIndex >= 0 && replacerIndex < ReplacerCount(),
         "MigWizard\\ReplaceExpert, line 300");
  return *FReplacers[static_cast<size_t>(replacerIndex)];
}

TComponentReplacer& TCompReplaceExpert::GetDefaultReplacer() {
  Assert(ReplacerCount() > 0, "MigWizard\\ReplaceExpert, line 306");
  return *FReplacers.front();
}

std::u16string TCompReplaceExpert::GetIDString() {
  return res::Fmt(res::sExpertIDString, {GetDefaultReplacer().ReplaceOptions().SourceName()}) +
         u"." + RemoveAmpersands(FProductName);
}

std::u16string TCompReplaceExpert::GetName() {
  return GetDefaultReplacer().ReplaceOptions().Caption();
}

std::u16string TCompReplaceExpert::RegistryKey() const {
  return std::u16string(res::sRegistryKeyBase) + u"\\" + FProductName;
}

// ----- one showing of the wizard

void TCompReplaceExpert::MenuItemClick(TMenuItem&) {
  std::unique_ptr<TWizardForm> form = FWizardFormClass();
  WizardForm = form.get();
  // The form variable never outlives the form it refers to.
  TScopeExit freeForm([&form] {
    WizardForm = nullptr;
    form.reset();
  });
  const std::u16string productName = RemoveAmpersands(FProductName);
  TReplaceOptions& options = GetDefaultReplacer().ReplaceOptions();
  form->SetProductName(productName);
  form->SetReplaceOptions(&options);
  form->SetLabel2Caption(options.SourceName(), productName);
  form->rbModeReplace.Caption = res::Fmt(res::sReplaceComponents, {options.SourceName()});
  LoadDesktop();
  if (form->ShowModal() != mrOk) return;
  const int mode = form->GetWizardMode();
  if (mode == TWizardForm::kRestoreMode)
    PerformRestore(form->edUndoFile.Text);
  else
    PerformReplace(GetReplacer(mode));
  SaveDesktop();
}

void TCompReplaceExpert::LoadDesktop() {
  TRegIniFile iniFile(RegistryKey());
  TReplaceOptions& options = GetDefaultReplacer().ReplaceOptions();
  const std::u16string section = options.Caption();
  options.LoadFromIniFile(iniFile, section);
  if (WizardForm) WizardForm->LoadState(iniFile, section);
}

void TCompReplaceExpert::SaveDesktop() {
  TRegIniFile iniFile(RegistryKey());
  TReplaceOptions& options = GetDefaultReplacer().ReplaceOptions();
  const std::u16string section = options.Caption();
  options.SaveToIniFile(iniFile, section);
  if (WizardForm) WizardForm->SaveState(iniFile, section);
}

// ----- the runs

void TCompReplaceExpert::PerformReplace(TComponentReplacer& componentReplacer) {
  const TReplaceOptions& options = componentReplacer.ReplaceOptions();
  const std::u16string caption = options.Caption();
  const std::u16string title = MessageBoxTitle(FProductName, caption);
  // The rule files are read first: a mistake in one stops here. Their
  // target classes go into a class registry of the run's own.
  TUserRules userRules;
  TClassRegistry runRegistry;
  if (!options.RuleFileNames.empty()) {
    // The expert's replacers are the catalogue's, in catalogue order.
    const auto at = std::find(FReplacers.begin(), FReplacers.end(), &componentReplacer);
    Assert(at != FReplacers.end(), "MigWizard\\ReplaceExpert");
    LoadUserRules(options.RuleFileNames, static_cast<int>(at - FReplacers.begin()),
                  CurrentFileSystem(), userRules, runRegistry);
  }
  const std::u16string projectName = TIDEUtils::GetProjectName();
  if (!projectName.empty() && options.Dest == sdProject &&
      !ShowSaveWarning(caption, true, FProductName, false))
    return;
  if (options.Dest == sdProject) {
    if (!TIDEUtils::SaveProject()) {
      WizardDialogs().MessageBox(
          std::u16string(res::sCannotStartReplace) + u"\n" + std::u16string(res::sProjectNotSaved),
          title, TMsgBoxIcon::Information);
      return;
    }
    ShowProjectForms();
  }
  // The run's context: the host's seams as they are now, with the rules.
  TRunContext context = componentReplacer.FrontEndContext();
  if (!userRules.Empty()) {
    context.UserRules = &userRules;
    context.ClassRegistry = &runRegistry;
  }
  TRunPlan plan = zan::Plan(context, TUnitSelection::FromLines(options.ModuleList));
  if (!zan::Execute(plan)) {
    WizardDialogs().MessageBox(std::u16string(res::sReplaceFailed), title, TMsgBoxIcon::Error);
    return;
  }
  if (options.Dest == sdProject) {
    const int count = TIDEUtils::GetUnitCount();
    for (int i = 0; i < count; ++i) {
      const std::u16string unitName = TIDEUtils::GetUnitName(i);
      if (IsPascalUnitFile(unitName)) TIDEUtils::ReloadFile(unitName);
    }
  }
  WizardDialogs().MessageBox(std::u16string(res::sReplaceSucceeded), title,
                             TMsgBoxIcon::Information);
}

void TCompReplaceExpert::ShowProjectForms() {
  auto modules = TIDEUtils::GetModuleServices();
  if (!modules) return;
  const int moduleCount = modules->GetModuleCount();
  for (int i = 0; i < moduleCount; ++i) {
    auto module = modules->GetModule(i);
    if (!module) continue;
    std::shared_ptr<IOTAEditor> formEditor;
    const int fileCount = module->GetModuleFileCount();
    for (int j = 0; j < fileCount && !formEditor; ++j)
      if (auto editor = module->GetModuleFileEditor(j);
          std::dynamic_pointer_cast<IOTAFormEditor>(editor))
        formEditor = editor;
    if (!formEditor || fileCount <= 1) continue;
    const auto project = TIDEUtils::GetActiveProject();
    for (int k = 0; k < module->GetOwnerCount(); ++k)
      if (project && module->GetOwner(k) == project) {
        formEditor->Show();
        break;
      }
  }
}

void TCompReplaceExpert::PerformRestore(const std::u16string& undoFile) {
  const std::u16string caption = GetDefaultReplacer().ReplaceOptions().Caption();
  const std::u16string title = MessageBoxTitle(FProductName, caption);
  if (!ShowSaveWarning(caption, false, FProductName, true)) return;
  const std::u16string projectName = TIDEUtils::GetProjectName();
  TIDEUtils::CloseProject();
  // Opened again however the restore ends (another run holding the tree
  // raises): the user gets back the project the wizard closed.
  TScopeExit reopen([&projectName] { TIDEUtils::OpenProject(projectName); });
  if (GetDefaultReplacer().PerformRestore(undoFile))
    WizardDialogs().MessageBox(std::u16string(res::sRestoreSucceeded), title,
                               TMsgBoxIcon::Information);
  else
    WizardDialogs().MessageBox(std::u16string(res::sRestoreFailed), title, TMsgBoxIcon::Error);
}

}  // namespace zan
