// TProjectModel: the open project as the IDE's module services show it, the
// one model of the headless host, the Qt host and the test fakes.
//
// One project at a time, in a project group of its own named
// "ProjectGroup1.groupproj" beside the project file. The model is the module
// services: it lists the group, the project and, when the host opens them,
// the project's ".pas" units, each with a source editor and, when it has one,
// a form editor; a unit's owner is the open project. What these objects are
// asked to do beyond answering (save, close, bring an editor to the front)
// goes to the host (IProjectModelHost), which is all a host decides. Projects
// are read (ProjectFile.h) and forms looked for on the file system given at
// construction.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ide/ProjectFile.h"
#include "ide/ToolsAPI.h"

namespace zan {

/// What the project objects ask of the host that shows them.
class IProjectModelHost {
 public:
  virtual ~IProjectModelHost() = default;
  /// CloseModule of the group or the project: closes the project group;
  /// false when the host refused.
  virtual bool CloseProject() = 0;
  /// Save of the project.
  virtual bool SaveProject(bool changeName, bool forceSave) = 0;
  /// Save of the project group.
  virtual bool SaveAll() { return true; }
  /// Save of a unit module: its source and its form file (empty: none).
  virtual bool SaveUnit(const std::u16string& /*unitName*/, const std::u16string& /*formName*/) {
    return true;
  }
  /// An editor of `fileName` was asked to come to the front.
  virtual void ShowEditor(const std::u16string& /*fileName*/) {}
};

/// The form file of a unit, empty when it has none.
using TFormFileFinder = std::function<std::u16string(const std::u16string& unitName)>;

/// The files of a unit the model opened.
struct TUnitFiles {
  std::u16string FileName;
  std::u16string FormName;  // empty: the unit has no form
};

class TProjectModel : public IOTAModuleServices {
 public:
  /// `fs` and `host` are not owned and must outlive the model and every
  /// module it handed out.
  TProjectModel(TFileSystem& fs, IProjectModelHost& host);
  ~TProjectModel() override;

  /// Reads the project `fileName`. Throws EProjectError naming the file when
  /// it cannot be read or is not a project.
  TProjectFile Read(const std::u16string& fileName) const;
  /// Shows `file` as the open project in a new group, dropping whatever was
  /// open without asking. With `formOf`, each ".pas" module of the project is
  /// opened as a unit module whose form file `formOf` names; without it only
  /// the group and the project are open.
  void Open(TProjectFile file, const TFormFileFinder& formOf = nullptr);
  /// Drops the group, the project and its units.
  void Close();

  bool HasProject() const { return FProject != nullptr; }
  /// The project's files as read; nullptr without a project.
  const TProjectFile* File() const;
  std::shared_ptr<IOTAProjectGroup> Group() const;
  std::shared_ptr<IOTAProject> Project() const;
  /// The open units in project order.
  const std::vector<TUnitFiles>& Units() const { return FUnits; }
  /// A ".dfm" or ".nfm" file beside `unitName`, found in any letter case;
  /// empty when there is none.
  std::u16string FindFormFile(const std::u16string& unitName) const;

  // IOTAModuleServices: the group, the project, then the open units.
  int GetModuleCount() const override;
  std::shared_ptr<IOTAModule> GetModule(int index) const override;

 private:
  template <class TBase>
  class TEditor;
  class TModuleInfo;
  class TProjectModule;
  class TGroup;
  class TUnitModule;

  TFileSystem& FFileSystem;
  IProjectModelHost& FHost;
  std::shared_ptr<TGroup> FGroup;
  std::shared_ptr<TProjectModule> FProject;
  std::vector<TUnitFiles> FUnits;
  std::vector<std::shared_ptr<TUnitModule>> FUnitModules;
};

}  // namespace zan
