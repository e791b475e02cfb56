#include "ide/ProjectModel.h"

#include "ide/FileCase.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

/// An editor of one file of a unit; Show is the host's to carry out. The
/// source editor is a plain editor, only the form's is a form editor.
template <class TBase>
class TProjectModel::TEditor : public TBase {
 public:
  TEditor(TProjectModel& model, std::u16string fileName)
      : FModel(model), FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  void Show() override { FModel.FHost.ShowEditor(FFileName); }

 private:
  TProjectModel& FModel;
  std::u16string FFileName;
};

class TProjectModel::TModuleInfo : public IOTAModuleInfo {
 public:
  explicit TModuleInfo(std::u16string fileName) : FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }

 private:
  std::u16string FFileName;
};

class TProjectModel::TProjectModule : public IOTAProject {
 public:
  TProjectModule(TProjectModel& model, TProjectFile file) : FModel(model), FFile(std::move(file)) {
    for (const std::u16string& module : FFile.Modules)
      FModules.push_back(std::make_shared<TModuleInfo>(module));
  }
  std::u16string GetFileName() const override { return FFile.FileName; }
  bool CloseModule() override { return FModel.FHost.CloseProject(); }
  bool Save(bool changeName, bool forceSave) override {
    return FModel.FHost.SaveProject(changeName, forceSave);
  }
  int GetModuleCount() const override { return static_cast<int>(FModules.size()); }
  std::shared_ptr<IOTAModuleInfo> GetModule(int index) const override {
    if (index < 0 || index >= GetModuleCount()) return nullptr;
    return FModules[static_cast<size_t>(index)];
  }
  const TProjectFile& File() const { return FFile; }

 private:
  TProjectModel& FModel;
  TProjectFile FFile;
  std::vector<std::shared_ptr<TModuleInfo>> FModules;
};

class TProjectModel::TGroup : public IOTAProjectGroup {
 public:
  TGroup(TProjectModel& model, std::u16string fileName)
      : FModel(model), FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  bool CloseModule() override { return FModel.FHost.CloseProject(); }
  bool Save(bool, bool) override { return FModel.FHost.SaveAll(); }
  std::shared_ptr<IOTAProject> GetActiveProject() const override { return FModel.FProject; }

 private:
  TProjectModel& FModel;
  std::u16string FFileName;
};

/// A unit of the project: its source file and, when there is one, its form.
class TProjectModel::TUnitModule : public IOTAModule {
 public:
  TUnitModule(TProjectModel& model, TUnitFiles files) : FModel(model), FFiles(std::move(files)) {
    FEditors.push_back(std::make_shared<TEditor<IOTAEditor>>(model, FFiles.FileName));
    if (!FFiles.FormName.empty())
      FEditors.push_back(std::make_shared<TEditor<IOTAFormEditor>>(model, FFiles.FormName));
  }
  std::u16string GetFileName() const override { return FFiles.FileName; }
  bool CloseModule() override { return true; }
  bool Save(bool, bool) override { return FModel.FHost.SaveUnit(FFiles.FileName, FFiles.FormName); }
  int GetModuleFileCount() const override { return static_cast<int>(FEditors.size()); }
  std::shared_ptr<IOTAEditor> GetModuleFileEditor(int index) const override {
    if (index < 0 || index >= GetModuleFileCount()) return nullptr;
    return FEditors[static_cast<size_t>(index)];
  }
  int GetOwnerCount() const override { return FModel.FProject ? 1 : 0; }
  std::shared_ptr<IOTAProject> GetOwner(int index) const override {
    return index == 0 ? FModel.FProject : nullptr;
  }

 private:
  TProjectModel& FModel;
  TUnitFiles FFiles;
  std::vector<std::shared_ptr<IOTAEditor>> FEditors;
};

TProjectModel::TProjectModel(TFileSystem& fs, IProjectModelHost& host)
    : FFileSystem(fs), FHost(host) {}

TProjectModel::~TProjectModel() = default;

TProjectFile TProjectModel::Read(const std::u16string& fileName) const {
  return ReadProjectFile(FFileSystem, fileName);
}

void TProjectModel::Open(TProjectFile file, const TFormFileFinder& formOf) {
  Close();
  FGroup =
      std::make_shared<TGroup>(*this, ExtractFilePath(file.FileName) + u"ProjectGroup1.groupproj");
  if (formOf)
    for (const std::u16string& module : file.Modules)
      if (IsPascalUnitFile(module)) {
        FUnits.push_back({module, formOf(module)});
        FUnitModules.push_back(std::make_shared<TUnitModule>(*this, FUnits.back()));
      }
  FProject = std::make_shared<TProjectModule>(*this, std::move(file));
}

void TProjectModel::Close() {
  FUnitModules.clear();
  FUnits.clear();
  FGroup.reset();
  FProject.reset();
}

const TProjectFile* TProjectModel::File() const {
  return FProject ? &FProject->File() : nullptr;
}

std::shared_ptr<IOTAProjectGroup> TProjectModel::Group() const {
  return FGroup;
}

std::shared_ptr<IOTAProject> TProjectModel::Project() const {
  return FProject;
}

std::u16string TProjectModel::FindFormFile(const std::u16string& unitName) const {
  for (const char16_t* extension : {u".dfm", u".nfm"}) {
    std::u16string found = FindFileIgnoringCase(FFileSystem, ChangeFileExt(unitName, extension));
    if (!found.empty() && FFileSystem.IsFile(found)) return found;
  }
  return {};
}

int TProjectModel::GetModuleCount() const {
  return FGroup ? 2 + static_cast<int>(FUnitModules.size()) : 0;
}

std::shared_ptr<IOTAModule> TProjectModel::GetModule(int index) const {
  if (index < 0 || index >= GetModuleCount()) return nullptr;
  if (index == 0) return FGroup;
  if (index == 1) return FProject;
  return FUnitModules[static_cast<size_t>(index - 2)];
}

}  // namespace zan
