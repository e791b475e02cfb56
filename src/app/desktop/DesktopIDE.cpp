#include "app/desktop/DesktopIDE.h"

#include "engine/files/TextFile.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

std::u16string ErrorText(const std::exception& error) {
  return Utf8ToUtf16(error.what());
}

}  // namespace

// ----- the project

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

TDesktopIDE::TDesktopIDE(TFileSystem* fs)
    : FFileSystem(fs ? *fs : CurrentFileSystem()),
      FModel(FFileSystem, *this),
      FMenuServices(std::make_shared<TMainMenuServices>()) {
  FMenuServices->OnChange = [this] {
    if (FView) FView->MenuChanged();
  };
}

TDesktopIDE::~TDesktopIDE() = default;

void TDesktopIDE::Notify(const std::u16string& text) {
  if (FView) FView->Message(text);
}

std::u16string TDesktopIDE::SettingsFileName() {
  return TRegIniFile::SettingsFileName();
}

TMainMenu& TDesktopIDE::MainMenu() {
  return FMenuServices->GetMainMenu();
}

void TDesktopIDE::LoadProject(const std::u16string& fileName) {
  if (fileName.empty()) throw EProjectError("No project file was given.");
  TProjectFile file = FModel.Read(fileName);
  if (!CloseAll())
    throw EProjectError("Project \"" + Utf16ToUtf8(ProjectFileName()) + "\" was kept open.");
  FModel.Open(std::move(file),
              [this](const std::u16string& unit) { return FModel.FindFormFile(unit); });
  Notify(u"Opened project " + fileName);
  if (FView) FView->ProjectChanged();
}

bool TDesktopIDE::CloseAll() {
  if (!FModel.HasProject()) return true;
  if (const auto modified = ModifiedFiles(); !modified.empty()) {
    const TSaveChangesAnswer answer =
        FView ? FView->AskSaveChanges(modified) : TSaveChangesAnswer::Yes;
    if (answer == TSaveChangesAnswer::Cancel) return false;
    if (answer == TSaveChangesAnswer::Yes && !SaveAll()) return false;
  }
  const std::u16string name = ProjectFileName();
  FModel.Close();
  FBuffers.clear();
  Notify(u"Closed project " + name);
  if (FView) FView->ProjectChanged();
  return true;
}

std::u16string TDesktopIDE::ProjectFileName() const {
  return FModel.HasProject() ? FModel.File()->FileName : std::u16string();
}

std::vector<std::u16string> TDesktopIDE::ProjectModules() const {
  return FModel.HasProject() ? FModel.File()->Modules : std::vector<std::u16string>();
}

std::u16string TDesktopIDE::FormFileOf(const std::u16string& unitName) const {
  for (const TUnitFiles& unit : FModel.Units())
    if (unit.FileName == unitName) return unit.FormName;
  return FModel.FindFormFile(unitName);
}

/// Saving the project is the host's "save all".
bool TDesktopIDE::SaveProject(bool, bool) {
  ++FSaveCount;
  return SaveAll();
}

bool TDesktopIDE::SaveUnit(const std::u16string& unitName, const std::u16string& formName) {
  bool ok = SaveBuffer(unitName);
  if (!formName.empty()) ok = SaveBuffer(formName) && ok;
  return ok;
}

void TDesktopIDE::ShowEditor(const std::u16string& fileName) {
  if (FView) FView->ShowFile(fileName);
}

// ----- buffers

std::u16string TDesktopIDE::KnownName(const std::u16string& fileName) const {
  if (FBuffers.count(fileName)) return fileName;
  for (const auto& [name, buffer] : FBuffers)
    if (SameText(name, fileName)) return name;
  for (const std::u16string& module : ProjectModules())
    if (SameText(module, fileName)) return module;
  for (const TUnitFiles& unit : FModel.Units())
    if (SameText(unit.FormName, fileName)) return unit.FormName;
  return fileName;
}

TFileBuffer TDesktopIDE::ReadBuffer(const std::u16string& fileName) {
  return ReadFileAsText(FFileSystem, fileName);
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
    const std::string bytes =
        EncodeTextFile(buffer.Text, buffer.Encoding, buffer.FileName, AnsiCodePage());
    FFileSystem.WriteAtomic(buffer.FileName, bytes).Check();
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
  for (const TUnitFiles& unit : FModel.Units())
    if (unit.FileName == name && !unit.FormName.empty()) files.push_back(unit.FormName);
  bool found = true;
  for (const std::u16string& file : files) {
    FBuffers.erase(file);
    if (!FFileSystem.IsFile(file)) {
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
  return std::shared_ptr<IOTAModuleServices>(shared_from_this(), &FModel);
}

std::shared_ptr<IOTAActionServices> TDesktopIDE::GetActionServices() {
  return std::make_shared<TActionServices>(shared_from_this());
}

std::shared_ptr<INTAServices> TDesktopIDE::GetNTAServices() {
  return FMenuServices;
}

}  // namespace zan
