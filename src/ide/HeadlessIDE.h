// THeadlessIDE: the IDE services without a window, for the command line and
// the tests.
//
// It opens one project at a time (a .dpr or .dproj) in the project model
// (ProjectModel.h) with its units left closed, so the module services list
// the group and the project, and the project lists its modules by full path.
// Saving succeeds (the files on disk are the project), closing drops the
// project, the action services open a project or record a reload. The main
// menu starts with the IDE's usual top-level items so that the plug-in's menu
// code runs as in the IDE. Create it with std::make_shared: the services it
// hands out keep it alive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ide/MenuServices.h"
#include "ide/ProjectModel.h"

namespace zan {

class THeadlessIDE : public IBorlandIDEServices,
                     public std::enable_shared_from_this<THeadlessIDE>,
                     private IProjectModelHost {
 public:
  /// Files are read through `fs` (not owned; it must outlive the host);
  /// nullptr: the process's current file system at construction.
  explicit THeadlessIDE(TFileSystem* fs = nullptr);
  ~THeadlessIDE() override;

  /// Opens the project `fileName` in a new project group, closing the one
  /// open before. Throws EProjectError naming the file when it cannot be read.
  void LoadProject(const std::u16string& fileName);
  /// Closes the project group (nothing happens without one).
  void CloseAll();
  bool HasProject() const { return FModel.HasProject(); }
  /// The project's files as read (valid while it is open).
  const TProjectFile* Project() const { return FModel.File(); }

  // What the IDE was asked to do, for tests and the command line.
  const std::vector<std::u16string>& ReloadedFiles() const { return FReloaded; }
  const std::vector<std::u16string>& OpenedProjects() const { return FOpened; }
  int SaveCount() const { return FSaveCount; }
  int CloseCount() const { return FCloseCount; }

  // IBorlandIDEServices
  std::shared_ptr<IOTAModuleServices> GetModuleServices() override;
  std::shared_ptr<IOTAActionServices> GetActionServices() override;
  std::shared_ptr<INTAServices> GetNTAServices() override;

 private:
  class TActionServices;

  // IProjectModelHost
  bool CloseProject() override;
  bool SaveProject(bool changeName, bool forceSave) override;

  TFileSystem& FFileSystem;
  TProjectModel FModel;
  std::shared_ptr<TMainMenuServices> FMenuServices;
  std::vector<std::u16string> FReloaded;
  std::vector<std::u16string> FOpened;
  int FSaveCount = 0;
  int FCloseCount = 0;
};

}  // namespace zan
