// The IDE's open tools services as the program sees them.
//
// These interfaces are shaped like the services the IDE offers to a plug-in:
// module services, modules, the project group and its projects, action
// services, editors, the form editor and the main-menu services. Two hosts
// implement them, the headless project host (HeadlessIDE.h; the command line
// and the tests) and the Qt desktop host, both over the same project model
// (ProjectModel.h) and menu services (MenuServices.h). Interfaces are held by
// std::shared_ptr, standing in for the IDE's reference counting; "supports an
// interface" is a dynamic_pointer_cast, and identity is pointer equality.
//
// The process-wide services pointer (`BorlandIDEServices`) is empty until a
// host or the plug-in entry sets it; every operation of the facade
// (IDEUtils.h) asks it for its service anew and copes with an empty answer.
#pragma once

#include <memory>
#include <string>

#include "ide/MainMenu.h"

namespace zan {

class IOTAProject;

/// An editor of one file of a module (source, form, resource).
class IOTAEditor {
 public:
  virtual ~IOTAEditor() = default;
  virtual std::u16string GetFileName() const = 0;
  /// Brings the editor to the front.
  virtual void Show() = 0;
};

/// The editor of a form file; the program only tests whether an editor is one.
class IOTAFormEditor : public IOTAEditor {};

/// An open module: a unit with its files, a project or a project group.
class IOTAModule {
 public:
  virtual ~IOTAModule() = default;
  virtual std::u16string GetFileName() const = 0;
  /// Closes the module; false when the IDE refused.
  virtual bool CloseModule() = 0;
  virtual bool Save(bool changeName, bool forceSave) = 0;
  virtual int GetModuleFileCount() const { return 0; }
  virtual std::shared_ptr<IOTAEditor> GetModuleFileEditor(int index) const;
  virtual int GetOwnerCount() const { return 0; }
  virtual std::shared_ptr<IOTAProject> GetOwner(int index) const;
};

/// What a project knows of one of its modules without opening it.
class IOTAModuleInfo {
 public:
  virtual ~IOTAModuleInfo() = default;
  virtual std::u16string GetFileName() const = 0;
};

class IOTAProject : public IOTAModule {
 public:
  virtual int GetModuleCount() const = 0;
  virtual std::shared_ptr<IOTAModuleInfo> GetModule(int index) const = 0;
};

class IOTAProjectGroup : public IOTAModule {
 public:
  virtual std::shared_ptr<IOTAProject> GetActiveProject() const = 0;
};

class IOTAModuleServices {
 public:
  virtual ~IOTAModuleServices() = default;
  virtual int GetModuleCount() const = 0;
  virtual std::shared_ptr<IOTAModule> GetModule(int index) const = 0;
};

class IOTAActionServices {
 public:
  virtual ~IOTAActionServices() = default;
  virtual bool OpenProject(const std::u16string& projName, bool newProjGroup) = 0;
  virtual bool ReloadFile(const std::u16string& fileName) = 0;
};

/// The IDE's menu services.
class INTAServices {
 public:
  virtual ~INTAServices() = default;
  virtual TMainMenu& GetMainMenu() = 0;
  /// Adds `item` relative to the item named `name`: with `isMultiSelectable`
  /// inside that item's menu, otherwise as its sibling; after the existing
  /// entries, or after that item, when `insertAfter` (TMainMenu::Insert).
  virtual void AddActionMenu(const std::u16string& name, std::shared_ptr<TMenuItem> item,
                             bool insertAfter, bool isMultiSelectable) = 0;
};

/// The IDE's root services interface; a failed query yields nullptr.
class IBorlandIDEServices {
 public:
  virtual ~IBorlandIDEServices() = default;
  virtual std::shared_ptr<IOTAModuleServices> GetModuleServices() { return nullptr; }
  virtual std::shared_ptr<IOTAActionServices> GetActionServices() { return nullptr; }
  virtual std::shared_ptr<INTAServices> GetNTAServices() { return nullptr; }
};

/// The process-wide services pointer (empty at start).
std::shared_ptr<IBorlandIDEServices> BorlandIDEServices();
void SetBorlandIDEServices(std::shared_ptr<IBorlandIDEServices> services);

}  // namespace zan
