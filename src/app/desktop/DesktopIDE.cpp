#include "app/desktop/DesktopIDE.h"

#include <algorithm>

#include "engine/FileUtils.h"
#include "engine/TextFile.h"
#include "ide/FileCase.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"
#include "rtl/dfm/ResourceHeader.h"

namespace zan {

namespace {

bool IsFormFile(const std::u16string& fileName) {
  return EndsText(u".dfm", fileName) || EndsText(u".nfm", fileName);
}

std::u16string ErrorText(const std::exception& error) {
  return Utf8ToUtf16(error.what());
}

}  // namespace

// ----- modules and editors

/// An editor of one file; Show asks the view to bring the file to the front.
class TDesktopIDE::TEditor : public IOTAFormEditor {
 public:
  TEditor(TDesktopIDE& host, std::u16string fileName)
      : FHost(host), FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  void Show() override {
    if (FHost.FView) FHost.FView->ShowFile(FFileName);
  }

 private:
  TDesktopIDE& FHost;
  std::u16string FFileName;
};

namespace {
/// The source editor is a plain editor: only the form editor is a form editor.
class TSourceEditor : public IOTAEditor {
 public:
  explicit TSourceEditor(std::shared_ptr<IOTAEditor> inner) : FInner(std::move(inner)) {}
  std::u16string GetFileName() const override { return FInner->GetFileName(); }
  void Show() override { FInner->Show(); }

 private:
  std::shared_ptr<IOTAEditor> FInner;
};
}  // namespace

/// A unit of the project: its source file and, when there is one, its form.
class TDesktopIDE::TUnitModule : public IOTAModule {
 public:
  TUnitModule(TDesktopIDE& host, std::u16string fileName, std::u16string formName)
      : FHost(host), FFileName(std::move(fileName)), FFormName(std::move(formName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  bool CloseModule() override { return true; }
  bool Save(bool, bool) override {
    bool ok = FHost.SaveBuffer(FFileName);
    if (!FFormName.empty()) ok = FHost.SaveBuffer(FFormName) && ok;
    return ok;
  }
  int GetModuleFileCount() const override { return FFormName.empty() ? 1 : 2; }
  std::shared_ptr<IOTAEditor> GetModuleFileEditor(int index) const override {
    if (index == 0)
      return std::make_shared<TSourceEditor>(std::make_shared<TEditor>(FHost, FFileName));
    if (index == 1 && !FFormName.empty()) return std::make_shared<TEditor>(FHost, FFormName);
    return nullptr;
  }
  int GetOwnerCount() const override { return FHost.FProject ? 1 : 0; }
  std::shared_ptr<IOTAProject> GetOwner(int index) const override;
  const std::u16string& FormName() const { return FFormName; }

 private:
  TDesktopIDE& FHost;
  std::u16string FFileName;
  std::u16string FFormName;
};

class TDesktopIDE::TModuleInfo : public IOTAModuleInfo {
 public:
  explicit TModuleInfo(std::u16string fileName) : FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }

 private:
  std::u16string FFileName;
};

class TDesktopIDE::TProject : public IOTAProject {
 public:
  TProject(TDesktopIDE& host, TProjectFile file) : FHost(host), FFile(std::move(file)) {
    for (const std::u16string& module : FFile.Modules)
      FModules.push_back(std::make_shared<TModuleInfo>(module));
  }
  std::u16string GetFileName() const override { return FFile.FileName; }
  bool CloseModule() override { return FHost.CloseAll(); }
  /// Saves every modified file of the project (the host's "save all").
  bool Save(bool, bool) override {
    ++FHost.FSaveCount;
    return FHost.SaveAll();
  }
  int GetModuleCount() const override { return static_cast<int>(FModules.size()); }
  std::shared_ptr<IOTAModuleInfo> GetModule(int index) const override {
    if (index < 0 || index >= GetModuleCount()) return nullptr;
    return FModules[static_cast<size_t>(index)];
  }
  const TProjectFile& File() const { return FFile; }

 private:
  TDesktopIDE& FHost;
  TProjectFile FFile;
  std::vector<std::shared_ptr<TModuleInfo>> FModules;
};

std::shared_ptr<IOTAProject> TDesktopIDE::TUnitModule::GetOwner(int index) const {
  return index == 0 ? FHost.FProject : nullptr;
}

class TDesktopIDE::TProjectGroup : public IOTAProjectGroup {
 public:
  TProjectGroup(TDesktopIDE& host, std::u16string fileName)
      : FHost(host), FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  bool CloseModule() override { return FHost.CloseAll(); }
  bool Save(bool, bool) override { return FHost.SaveAll(); }
  std::shared_ptr<IOTAProject> GetActiveProject() const override { return FHost.FProject; }

 private:
  TDesktopIDE& FHost;
  std::u16string FFileName;
};

/// The group, the project, then the units, in that order.
class TDesktopIDE::TModuleServices : public IOTAModuleServices {
 public:
  explicit TModuleServices(std::shared_ptr<TDesktopIDE> host) : FHost(std::move(host)) {}
  int GetModuleCount() const override {
    return FHost->FGroup ? 2 + static_cast<int>(FHost->FUnits.size()) : 0;
  }
  std::shared_ptr<IOTAModule> GetModule(int index) const override {
    if (!FHost->FGroup || index < 0 || index >= GetModuleCount()) return nullptr;
    if (index == 0) return FHost->FGroup;
    if (index == 1) return FHost->FProject;
    return FHost->FUnits[static_cast<size_t>(index - 2)];
  }

 private:
  std::shared_ptr<TDesktopIDE> FHost;
};

class TDesktopIDE::TActionServices : public IOTAActionServices {
 public:
  explicit TActionServices(std::shared_ptr<TDesktopIDE> host) : FHost(std::move(host)) {}
  bool OpenProject(const std::u16string& projName, bool) override {
    try {
      FHost->LoadProject(projName);
      return true;
    } catch (const EProjectError& error) {
      FHost->Notify(ErrorText(error));
      return false;
    }
  }
  bool ReloadFile(const std::u16string& fileName) override { return FHost->ReloadBuffer(fileName); }

 private:
  std::shared_ptr<TDesktopIDE> FHost;
};

/// The main menu: the host's own menus, into which the plug-in adds its items.
class TDesktopIDE::TNTAServices : public INTAServices {
 public:
  explicit TNTAServices(TDesktopIDE& host) : FHost(host) {}
  TMainMenu& GetMainMenu() override { return FMenu; }
  void AddActionMenu(const std::u16string& name, std::shared_ptr<TMenuItem> item, bool insertAfter,
                     bool isMultiSelectable) override {
    std::shared_ptr<TMenuItem> parent;
    auto relative = FMenu.FindItem(name, &parent);
    if (isMultiSelectable && relative) {
      auto& items = relative->Items;
      items.insert(insertAfter ? items.end() : items.begin(), std::move(item));
    } else {
      auto& siblings = parent ? parent->Items : FMenu.Items;
      auto at = std::find(siblings.begin(), siblings.end(), relative);
      if (at != siblings.end() && insertAfter) ++at;
      siblings.insert(at, std::move(item));
    }
    if (FHost.FView) FHost.FView->MenuChanged();
  }

 private:
  TDesktopIDE& FHost;
  TMainMenu FMenu;
};

// ----- the host

TDesktopIDE::TDesktopIDE(TFileSystem* fs)
    : FFileSystem(fs), FNTAServices(std::make_shared<TNTAServices>(*this)) {}

TDesktopIDE::~TDesktopIDE() = default;

TFileSystem& TDesktopIDE::FS() const {
  return FFileSystem ? *FFileSystem : CurrentFileSystem();
}

void TDesktopIDE::Notify(const std::u16string& text) {
  if (FView) FView->Message(text);
}

std::u16string TDesktopIDE::SettingsFileName() {
  return TRegIniFile::SettingsFileName();
}

TMainMenu& TDesktopIDE::MainMenu() {
  return FNTAServices->GetMainMenu();
}

void TDesktopIDE::LoadProject(const std::u16string& fileName) {
  if (fileName.empty()) throw EProjectError("No project file was given.");
  TProjectFile file = ReadProjectFile(FS(), fileName);
  if (!CloseAll())
    throw EProjectError("Project \"" + Utf16ToUtf8(ProjectFileName()) + "\" was kept open.");
  FGroup = std::make_shared<TProjectGroup>(
      *this, JoinPath(ExtractFileDir(fileName), u"ProjectGroup1.groupproj"));
  for (const std::u16string& module : file.Modules)
    if (EndsText(u".pas", module))
      FUnits.push_back(std::make_shared<TUnitModule>(*this, module, FormFileOf(module)));
  FProject = std::make_shared<TProject>(*this, std::move(file));
  Notify(u"Opened project " + fileName);
  if (FView) FView->ProjectChanged();
}

bool TDesktopIDE::CloseAll() {
  if (!FGroup) return true;
  if (const auto modified = ModifiedFiles(); !modified.empty()) {
    const TSaveChangesAnswer answer =
        FView ? FView->AskSaveChanges(modified) : TSaveChangesAnswer::Yes;
    if (answer == TSaveChangesAnswer::Cancel) return false;
    if (answer == TSaveChangesAnswer::Yes && !SaveAll()) return false;
  }
  const std::u16string name = ProjectFileName();
  FUnits.clear();
  FGroup.reset();
  FProject.reset();
  FBuffers.clear();
  Notify(u"Closed project " + name);
  if (FView) FView->ProjectChanged();
  return true;
}

std::u16string TDesktopIDE::ProjectFileName() const {
  return FProject ? FProject->GetFileName() : std::u16string();
}

std::vector<std::u16string> TDesktopIDE::ProjectModules() const {
  return FProject ? FProject->File().Modules : std::vector<std::u16string>();
}

std::u16string TDesktopIDE::FormFileOf(const std::u16string& unitName) const {
  for (const auto& unit : FUnits)
    if (unit->GetFileName() == unitName) return unit->FormName();
  TFileSystem& fs = FS();
  for (const char16_t* extension : {u".dfm", u".nfm"}) {
    std::u16string found = FindFileIgnoringCase(fs, ChangeFileExt(unitName, extension));
    if (!found.empty() && fs.IsFile(found)) return found;
  }
  return {};
}

// ----- buffers

std::u16string TDesktopIDE::KnownName(const std::u16string& fileName) const {
  if (FBuffers.count(fileName)) return fileName;
  for (const auto& [name, buffer] : FBuffers)
    if (SameText(name, fileName)) return name;
  for (const std::u16string& module : ProjectModules())
    if (SameText(module, fileName)) return module;
  for (const auto& unit : FUnits)
    if (SameText(unit->FormName(), fileName)) return unit->FormName();
  return fileName;
}

TFileBuffer TDesktopIDE::ReadBuffer(const std::u16string& fileName) {
  TFileBuffer buffer;
  buffer.FileName = fileName;
  std::string bytes;
  if (TFileStatus status = FS().Read(fileName, bytes); !status) {
    buffer.Error = Utf8ToUtf16(status.Message());
    buffer.ReadOnly = true;
    return buffer;
  }
  try {
    if (IsFormFile(fileName) && IsBinaryFormData(bytes)) {
      TFormConvertOptions options;
      options.FileName = Utf16ToUtf8(fileName);
      buffer.Text = ReadBinaryForm(bytes, options).Text;
      buffer.ReadOnly = true;
    } else {
      buffer.Text = ReadTextFile(bytes, buffer.Encoding, fileName);
    }
  } catch (const std::exception& error) {
    buffer.Text.clear();
    buffer.Error = ErrorText(error);
    buffer.ReadOnly = true;
  }
  return buffer;
}

const TFileBuffer& TDesktopIDE::Buffer(const std::u16string& fileName) {
  const std::u16string name = KnownName(fileName);
  auto at = FBuffers.find(name);
  if (at == FBuffers.end()) at = FBuffers.emplace(name, ReadBuffer(name)).first;
  return at->second;
}

void TDesktopIDE::EditBuffer(const std::u16string& fileName, std::u16string_view text) {
  Buffer(fileName);
  TFileBuffer& buffer = FBuffers[KnownName(fileName)];
  if (buffer.ReadOnly || buffer.Text == text) return;
  buffer.Text = text;
  buffer.Modified = true;
}

bool TDesktopIDE::SaveBuffer(const std::u16string& fileName) {
  auto at = FBuffers.find(KnownName(fileName));
  if (at == FBuffers.end() || !at->second.Modified) return true;
  TFileBuffer& buffer = at->second;
  try {
    const std::string bytes = EncodeTextFile(buffer.Text, buffer.Encoding, buffer.FileName);
    FS().WriteAtomic(buffer.FileName, bytes).Check();
  } catch (const std::exception& error) {
    Notify(ErrorText(error));
    return false;
  }
  buffer.Modified = false;
  Notify(u"Saved " + buffer.FileName);
  return true;
}

bool TDesktopIDE::SaveAll() {
  bool ok = true;
  for (const std::u16string& name : ModifiedFiles()) ok = SaveBuffer(name) && ok;
  return ok;
}

bool TDesktopIDE::ReloadBuffer(const std::u16string& fileName) {
  const std::u16string name = KnownName(fileName);
  FReloaded.push_back(name);
  // A unit is reloaded with its form, as the IDE reloads the whole module.
  std::vector<std::u16string> files{name};
  for (const auto& unit : FUnits)
    if (unit->GetFileName() == name && !unit->FormName().empty()) files.push_back(unit->FormName());
  bool found = true;
  for (const std::u16string& file : files) {
    FBuffers.erase(file);
    if (!FS().IsFile(file)) {
      if (file == name) found = false;
      continue;
    }
    Buffer(file);
    Notify(u"Reloaded " + file);
    if (FView) FView->FileReloaded(file);
  }
  return found;
}

std::vector<std::u16string> TDesktopIDE::ModifiedFiles() const {
  std::vector<std::u16string> names;
  for (const auto& [name, buffer] : FBuffers)
    if (buffer.Modified) names.push_back(name);
  return names;
}

// ----- services

std::shared_ptr<IOTAModuleServices> TDesktopIDE::GetModuleServices() {
  return std::make_shared<TModuleServices>(shared_from_this());
}

std::shared_ptr<IOTAActionServices> TDesktopIDE::GetActionServices() {
  return std::make_shared<TActionServices>(shared_from_this());
}

std::shared_ptr<INTAServices> TDesktopIDE::GetNTAServices() {
  return FNTAServices;
}

}  // namespace zan
