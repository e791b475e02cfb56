// zanmig-ide's main window with the real plug-in loaded: the product menu
// appears as the plug-in places it, a replace over the open project is
// clicked through the real dialogs and converts the project (saving an
// unsaved edit first, reloading the units after, showing its changes), a
// restore puts it back, and exceptions from menu clicks and plug-in loading
// are shown, not fatal. The screenshots of the wizard come from these flows,
// so they show what a user sees.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>

#include <unistd.h>

#include "DesktopTestUtil.h"
#include "app/desktop/FormView.h"
#include "app/desktop/MainWindow.h"
#include "app/desktop/QtText.h"
#include "common/TestUtil.h"
#include "rtl/FileSystem.h"
#include "rtl/RegIniFile.h"

namespace zan::test {
namespace {

const char* const kPlugin = ZAN_BINARY_DIR "/zanmig-wizard.so";
const QString kItemName = QStringLiteral(
    "RExpertItemBDE_IBX_ADO_Kyrel_Fenmark_Sarvo_Trindle_Elvast_Wenrod_AnyDAC_FireDAC_"
    "FIBPlusZanthe");
const QString kSection = QStringLiteral(
    "BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus Migration "
    "Wizard");

std::u16string U(const std::filesystem::path& path) {
  return FromQString(QString::fromStdString(path.string()));
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    TRegIniFile::SetSettingsFileName(U(Temp.path() / "settings.ini"));
    Ide = std::make_shared<TDesktopIDE>();
  }
  void TearDown() override {
    Window.reset();
    TRegIniFile::SetSettingsFileName(u"");
  }
  void Open(bool withPlugin = true) {
    Window = std::make_unique<TMainWindow>(Ide);
    Window->show();
    if (withPlugin) {
      ASSERT_TRUE(Window->LoadPlugin(kPlugin));
    }
  }
  QStringList MenuCaptions() const {
    QStringList captions;
    for (QAction* action : Window->menuBar()->actions()) captions << action->text();
    return captions;
  }
  /// The action named `name` in the menu bar as it stands (menus replaced
  /// by a rebuild may linger until deleted).
  QAction* MenuAction(const QString& name) const {
    for (QAction* top : Window->menuBar()->actions()) {
      if (top->objectName() == name) return top;
      if (top->menu())
        for (QAction* action : top->menu()->actions())
          if (action->objectName() == name) return action;
    }
    return nullptr;
  }
  QStringList ListedFiles() const {
    QStringList files;
    for (int i = 0; i < Window->UnitList()->count(); ++i)
      files << Window->UnitList()->item(i)->text();
    return files;
  }

  TempDir Temp;
  std::shared_ptr<TDesktopIDE> Ide;
  std::unique_ptr<TMainWindow> Window;
};

/// Checks a result box of the expert and closes it.
std::function<void(QWidget&)> ExpectResult(const QString& text, QMessageBox::Icon icon) {
  return [text, icon](QWidget& box) {
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Zanthe"));  // not the wizard's long name
    EXPECT_EQ(MessageBoxText(box), text);
    EXPECT_EQ(dynamic_cast<QMessageBox&>(box).icon(), icon);
    AcceptMessageBox(box);
  };
}

void Click(QWidget& form, const char* name) {
  Child<QAbstractButton>(form, name).click();
}

/// A screenshot of a form as the user sees it in a flow, whose texts all fit.
void Shoot(QWidget& form, const std::string& name) {
  SCOPED_TRACE(name);
  ExpectControlsFit(dynamic_cast<TFormView&>(form));
  QCoreApplication::processEvents();  // scroll bars follow their contents' sizes
  EXPECT_TRUE(IsNonBlank(SaveScreenshot(form, name)));
}

TEST_F(MainWindowTest, ThePlugInPutsItsProductMenuBeforeTheLastMenu) {
  struct TCase {
    TProductMenu Menu;
    QStringList Want;
  };
  const TCase cases[] = {
      {kDefaultProductMenu, {"&File", "&Zanthe", "&Help"}},
      // A caption that clashes with an existing menu takes the alternate caption.
      {{u"ZantheProductMenu", u"&Help", u"Zanthe &Data Access"},
       {"&File", "Zanthe &Data Access", "&Help"}},
  };
  for (const TCase& c : cases) {
    Ide = std::make_shared<TDesktopIDE>();
    Ide->SetProductMenu(c.Menu);
    Open();
    EXPECT_EQ(MenuCaptions(), c.Want);
    ASSERT_EQ(Window->Plugin().Wizards().size(), 1u);
    EXPECT_EQ(ToQString(Window->Plugin().Wizards()[0]->GetName()), kSection);
    QMenu* product = nullptr;
    for (QAction* action : Window->menuBar()->actions())
      if (action->menu() && action->menu()->objectName() == QStringLiteral("ZantheProductMenu"))
        product = action->menu();
    ASSERT_NE(product, nullptr);
    ASSERT_EQ(product->actions().size(), 1);
    EXPECT_EQ(product->actions()[0]->objectName(), kItemName);
    EXPECT_EQ(product->actions()[0]->text(), QStringLiteral("&Migration Wizard"));
    // Unloading takes the plug-in's menus away and leaves the host's.
    Window->UnloadPlugin();
    EXPECT_EQ(MenuCaptions(), (QStringList{"&File", "&Help"}));
    Window.reset();
  }
}

TEST_F(MainWindowTest, ReplaceThenRestoreThroughTheDialogs) {
  const TSampleProject project(Temp.path() / "proj");
  Open();
  ASSERT_TRUE(Window->OpenProject(U(project.Project)));
  EXPECT_EQ(ListedFiles(), (QStringList{"Unit1.pas", "    Unit1.dfm", "sub/Data.pas"}));
  EXPECT_EQ(Window->windowTitle(), QStringLiteral("zanmig-ide - Project1.dpr"));
  EXPECT_TRUE(
      Window->Messages()->toPlainText().startsWith(QStringLiteral("Loaded wizard plug-in ")))
      << Window->Messages()->toPlainText().toStdString();

  // An edit that is not saved yet: the replace saves it first.
  Window->ShowInEditor(U(project.Data));
  Window->Editor()->moveCursor(QTextCursor::Start);
  Window->Editor()->insertPlainText(QStringLiteral("// edited\n"));
  EXPECT_EQ(Ide->ModifiedFiles(), std::vector<std::u16string>{U(project.Data)});
  const std::string edited = "// edited\r\n" + project.DataText;

  TModalScript replace;
  replace.Then(QStringLiteral("WizardForm"), [&](QWidget& form) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zanthe Migration Wizard - Step 1 of 5"));
    Shoot(form, "wizard-replace-1-welcome");
    Click(form, "btNext");
    EXPECT_TRUE(Child<QRadioButton>(form, "rbDestProject").isChecked());
    Shoot(form, "wizard-replace-2-scope");
    Click(form, "btNext");
    auto& units = Child<QListWidget>(form, "lbModules");
    ASSERT_EQ(units.count(), 2);
    EXPECT_EQ(units.item(0)->text(), QStringLiteral("Data.pas"));
    Shoot(form, "wizard-replace-3-units");
    Click(form, "btNext");
    Shoot(form, "wizard-replace-4-backup");
    Click(form, "btNext");
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zanthe Migration Wizard - Step 5 of 5"));
    EXPECT_FALSE(Child<QPushButton>(form, "btNext").isEnabled());
    // The summary names the chosen library and needs no sideways scrolling.
    EXPECT_TRUE(Child<QLabel>(form, "lSummary")
                    .text()
                    .startsWith(QStringLiteral("Mode: Replace BDE components\n")));
    EXPECT_FALSE(Child<QScrollArea>(form, "sbSummary").horizontalScrollBar()->isVisible());
    Shoot(form, "wizard-replace-5-summary");
    Click(form, "btFinish");
  });
  replace.Then(QStringLiteral("SaveWarnForm"), [](QWidget& form) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zanthe"));
    EXPECT_EQ(Child<QLabel>(form, "lblWarn").text(),
              QStringLiteral("Current project will be saved. Continue?"));
    EXPECT_EQ(Child<QLabel>(form, "lblNote").text(),
              QStringLiteral("Project forms will be hidden."));
    Shoot(form, "save-warning-replace");
    Click(form, "OKBtn");
  });
  replace.Then(QStringLiteral("QMessageBox"),
               ExpectResult(QStringLiteral("Replace procedure was performed sucessfully."),
                            QMessageBox::Information));
  ASSERT_NE(MenuAction(kItemName), nullptr);
  MenuAction(kItemName)->trigger();
  ASSERT_TRUE(replace.Done());

  // The Changes view shows what the run changed, each file beside its backup.
  EXPECT_EQ(Window->Tabs()->currentWidget(), Window->Changes());
  TChangesView& changes = *Window->Changes();
  EXPECT_EQ(ToQString(changes.UndoFile()),
            QString::fromStdString((project.Folder / "RBackup" / "RExpert.reu").string()));
  QStringList changed;
  for (int i = 0; i < changes.FileList()->count(); ++i)
    changed << changes.FileList()->item(i)->text();
  changed.sort();
  EXPECT_EQ(changed, (QStringList{"Unit1.dfm", "Unit1.pas", "sub/Data.pas"}));
  for (int i = 0; i < changes.FileCount(); ++i) {
    changes.SelectFile(i);
    EXPECT_GT(changes.Shown().ChangedRows(), 0) << changed[i].toStdString();
  }
  changes.SelectFile(static_cast<int>(changed.indexOf(QStringLiteral("Unit1.pas"))));
  EXPECT_TRUE(changes.BackupText()->toPlainText().contains(QStringLiteral("Query1: TQuery;")));
  EXPECT_TRUE(changes.CurrentText()->toPlainText().contains(QStringLiteral("Query1: TZanQuery;")));
  EXPECT_TRUE(IsNonBlank(SaveScreenshot(*Window, "main-window-changes")));

  const std::string unit1 = ReadText(project.Unit1);
  EXPECT_NE(unit1.find("DBTables, Zan, Quillbase"), std::string::npos) << unit1;
  EXPECT_NE(unit1.find("Query1: TZanQuery;"), std::string::npos);
  EXPECT_NE(ReadText(project.Form1).find("object Query1: TZanQuery"), std::string::npos);
  const std::string data = ReadText(project.Data);
  EXPECT_EQ(data.rfind("// edited\r\nunit Data;", 0), 0u) << data;
  EXPECT_NE(data.find("T: TZanTable;"), std::string::npos);
  EXPECT_EQ(ReadText(project.Folder / "RBackup" / "Data.~pas"), edited);
  EXPECT_TRUE(std::filesystem::exists(project.Folder / "RBackup" / "RExpert.reu"));
  // The units were reloaded: the editor shows what is on disk, nothing is left unsaved.
  EXPECT_TRUE(Ide->ModifiedFiles().empty());
  EXPECT_NE(std::find(Ide->ReloadedFiles().begin(), Ide->ReloadedFiles().end(), U(project.Data)),
            Ide->ReloadedFiles().end());
  Window->ShowInEditor(U(project.Unit1));
  EXPECT_NE(Window->Editor()->toPlainText().indexOf(QStringLiteral("TZanQuery")), -1);
  // The wait cursor was on during the run and is off again.
  EXPECT_GE(Window->WaitCursor().Starts(), 1);
  EXPECT_EQ(Window->WaitCursor().Depth(), 0);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The wizard's steps of a restore, confirmed.
  auto restoreSteps = [&](TModalScript& restore, bool shoot) {
    restore.Then(QStringLiteral("WizardForm"), [&, shoot](QWidget& form) {
      Click(form, "rbModeRestore");
      if (shoot) Shoot(form, "wizard-restore-1-welcome");
      Click(form, "btNext");
      EXPECT_EQ(Child<QLineEdit>(form, "edUndoFile").text().toStdString(),
                (project.Folder / "RBackup" / "RExpert.reu").string());
      if (shoot) Shoot(form, "wizard-restore-2-undo-file");
      Click(form, "btNext");
      EXPECT_EQ(form.windowTitle(), QStringLiteral("Zanthe Migration Wizard - Step 3 of 3"));
      EXPECT_EQ(Child<QLabel>(form, "Label12").text(),
                QStringLiteral("Step 3 - Start restoring files"));
      if (shoot) Shoot(form, "wizard-restore-3-summary");
      Click(form, "btFinish");
    });
    restore.Then(QStringLiteral("SaveWarnForm"), [shoot](QWidget& form) {
      EXPECT_EQ(Child<QLabel>(form, "lblWarn").text(),
                QStringLiteral("Old files will be restored from backup. Continue?"));
      EXPECT_EQ(Child<QLabel>(form, "lblNote").text(),
                QStringLiteral("Current project will be closed."));
      if (shoot) Shoot(form, "save-warning-restore");
      Click(form, "OKBtn");
    });
  };

  // While a replace run holds the project's folder (its lock taken through
  // another file-system object, as another run's is), the restore is
  // refused with the holder named, and nothing is put back.
  {
    TRealFileSystem otherRun;
    std::unique_ptr<TFolderLock> held;
    std::u16string holder;
    ASSERT_TRUE(otherRun.LockFolder(U(project.Folder), held, holder));
    TModalScript refused;
    restoreSteps(refused, false);
    refused.Then(QStringLiteral("ExceptionBox"), [&](QWidget& box) {
      EXPECT_EQ(MessageBoxText(box).toStdString(),
                "Another zanmig run (process " + std::to_string(getpid()) + ") is working on \"" +
                    project.Folder.string() +
                    "\"; nothing was changed. Try again when it has finished.");
      AcceptMessageBox(box);
    });
    MenuAction(kItemName)->trigger();
    ASSERT_TRUE(refused.Done());
    EXPECT_EQ(ReadText(project.Unit1), unit1);
    // The project the restore closed is open again.
    EXPECT_EQ(ToQString(Ide->ProjectFileName()), QString::fromStdString(project.Project.string()));
  }

  TModalScript restore;
  restoreSteps(restore, true);
  restore.Then(
      QStringLiteral("QMessageBox"),
      ExpectResult(QStringLiteral("Files were succefully restored."), QMessageBox::Information));
  MenuAction(kItemName)->trigger();
  ASSERT_TRUE(restore.Done());

  EXPECT_EQ(ReadText(project.Unit1), project.Unit1Text);
  EXPECT_EQ(ReadText(project.Form1), project.Form1Text);
  EXPECT_EQ(ReadText(project.Data), edited);
  // The project was closed for the restore and opened again.
  EXPECT_EQ(ToQString(Ide->ProjectFileName()), QString::fromStdString(project.Project.string()));
  EXPECT_EQ(ListedFiles().size(), 3);
  // The changes were undone: the Changes view shows none, the editor is in front.
  EXPECT_EQ(Window->Changes()->FileCount(), 0);
  EXPECT_EQ(Window->Tabs()->currentIndex(), 0);
  Window->ShowInEditor(U(project.Unit1));
  EXPECT_EQ(Window->Editor()->toPlainText().indexOf(QStringLiteral("TZanQuery")), -1);
  EXPECT_TRUE(IsNonBlank(SaveScreenshot(*Window, "main-window")));
}

TEST_F(MainWindowTest, TheHostFindsThePlugInBesideItselfOrWhereItIsInstalled) {
  const std::filesystem::path bin = Temp.path() / "usr" / "bin";
  std::filesystem::create_directories(bin);
  const std::string installed =
      (Temp.path() / "usr" / "lib" / "zanmig" / "zanmig-wizard.so").string();
  EXPECT_EQ(TWizardPlugin::DefaultFileName(bin.string()), installed);
  EXPECT_EQ(std::string(TWizardPlugin::kInstalledDir), "../lib/zanmig");
  // In the build tree the plug-in lies beside the program.
  WriteFileBytes(bin / "zanmig-wizard.so", "");
  EXPECT_EQ(TWizardPlugin::DefaultFileName(bin.string()), (bin / "zanmig-wizard.so").string());
  setenv("ZANMIG_WIZARD_PLUGIN", "/opt/wizard.so", 1);
  EXPECT_EQ(TWizardPlugin::DefaultFileName(bin.string()), "/opt/wizard.so");
  unsetenv("ZANMIG_WIZARD_PLUGIN");
}

TEST_F(MainWindowTest, AnExceptionFromAMenuClickIsShownAndTheHostGoesOn) {
  Open(false);
  int clicks = 0;
  auto item = std::make_shared<TMenuItem>();
  item->Name = u"FailingItem";
  item->Caption = u"Fail";
  item->OnClick = [&clicks](TMenuItem&) {
    ++clicks;
    throw Exception("Failed to create directory.");
  };
  Ide->MainMenu().Items.front()->Items.push_back(item);
  Window->MenuChanged();
  for (int round = 0; round < 2; ++round) {
    TModalScript script;
    script.Then(QStringLiteral("ExceptionBox"), [](QWidget& box) {
      EXPECT_EQ(MessageBoxText(box), QStringLiteral("Failed to create directory."));
      AcceptMessageBox(box);
    });
    ASSERT_NE(MenuAction(QStringLiteral("FailingItem")), nullptr);
    MenuAction(QStringLiteral("FailingItem"))->trigger();
    EXPECT_TRUE(script.Done());
  }
  EXPECT_EQ(clicks, 2);
}

TEST_F(MainWindowTest, APlugInThatCannotBeLoadedIsReported) {
  Open(false);
  for (const std::string& file :
       {Temp.path().string() + "/missing.so", std::string(ZAN_BINARY_DIR "/zanmig")}) {
    TModalScript script;
    script.Then(QStringLiteral("ExceptionBox"), [&](QWidget& box) {
      EXPECT_TRUE(MessageBoxText(box).contains(QString::fromStdString(file)))
          << MessageBoxText(box).toStdString();
      AcceptMessageBox(box);
    });
    EXPECT_FALSE(Window->LoadPlugin(file));
    EXPECT_TRUE(script.Done());
    EXPECT_FALSE(Window->Plugin().Loaded());
  }
  EXPECT_EQ(MenuCaptions(), (QStringList{"&File", "&Help"}));
}

TEST_F(MainWindowTest, OpeningAProjectThatCannotBeReadIsReportedAndKeepsTheOpenOne) {
  const TSampleProject project(Temp.path() / "proj");
  Open(false);
  ASSERT_TRUE(Window->OpenProject(U(project.Project)));
  TModalScript script;
  script.Then(QStringLiteral("ExceptionBox"), [](QWidget& box) {
    EXPECT_TRUE(MessageBoxText(box).contains(QStringLiteral("Cannot read project file")))
        << MessageBoxText(box).toStdString();
    AcceptMessageBox(box);
  });
  EXPECT_FALSE(Window->OpenProject(U(Temp.path() / "Other.dpr")));
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(ListedFiles().size(), 3);
}

}  // namespace
}  // namespace zan::test
