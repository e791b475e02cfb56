// THeadlessIDE: the IDE services without a window, for the command line and
// the tests.
//
// It opens one project at a time (a .dpr or .dproj, ProjectFile.h) in a
// project group of its own and answers the facade's questions about it: the
// module services list the group and the project, the project lists its
// modules by full path. Saving succeeds (the files on disk are the project),
// closing drops the project, the action services open a project or record a
// reload. The main menu starts with the usual top-level items so that the
// plug-in's menu code runs as in the IDE. Files are read through the given
// file system, or the current one at each call. Create it with
// std::make_shared: the services it hands out keep it alive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ide/ProjectFile.h"
#include "ide/ToolsAPI.h"

namespace zan {

class THeadlessIDE : public IBorlandIDEServices, public std::enable_shared_from_this<THeadlessIDE> {
 public:
  /// `fs` is not owned; nullptr uses CurrentFileSystem() at each call.
  explicit THeadlessIDE(TFileSystem* fs = nullptr);
  ~THeadlessIDE() override;

  /// Opens the project `fileName` in a new project group, closing the one
  /// open before. Throws EProjectError naming the file when it cannot be read.
  void LoadProject(const std::u16string& fileName);
  /// Closes the project group (nothing happens without one).
  void CloseAll();
  bool HasProject() const { return FProject != nullptr; }
  /// The project's files as read (valid while it is open).
  const TProjectFile* Project() const;

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
  class TModuleInfo;
  class TProject;
  class TProjectGroup;
  class TModuleServices;
  class TActionServices;
  class TNTAServices;
  friend class TProject;
  friend class TProjectGroup;
  friend class TActionServices;

  TFileSystem& FS();

  TFileSystem* FFileSystem;
  std::shared_ptr<TProjectGroup> FGroup;
  std::shared_ptr<TProject> FProject;
  std::shared_ptr<TNTAServices> FNTAServices;
  std::vector<std::u16string> FReloaded;
  std::vector<std::u16string> FOpened;
  int FSaveCount = 0;
  int FCloseCount = 0;
};

}  // namespace zan
