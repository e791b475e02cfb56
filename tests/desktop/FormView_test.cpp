// The Qt views of the wizard models: every page renders, widgets sit where
// the models put them and every text fits, the user's actions reach the
// models and the models' state reaches the widgets (the focus after a failed
// step, the arrow keys among radio buttons, a summary wider than its box),
// the keys and the close box end a showing as the host toolkit does, and the
// dialog seam shows real dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>

#include "DesktopTestUtil.h"
#include "app/desktop/FormView.h"
#include "app/desktop/QtDialogs.h"
#include "app/desktop/QtText.h"
#include "common/TestUtil.h"
#include "engine/catalogue/ReplaceOptions.h"
#include "rtl/SysUtils.h"
#include "support/WizardFakes.h"
#include "wizard/SaveWarn.h"
#include "wizard/ZanWizard.h"

namespace zan::test {
namespace {

void PressKey(QWidget& widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
}

/// A key pressed while `widget` has the focus.
void PressKeyOn(QWidget& widget, int key) {
  widget.setFocus();
  PressKey(widget, key);
}

const QString kSection = QStringLiteral(
    "BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus Migration "
    "Wizard");

/// A wizard as the expert prepares it, shown (FormShow ran) in a view.
class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    Options.Directory = FromQString(QString::fromStdString(Temp.path().string()));
    Wizard.SetProductName(u"Zanthe");
    Wizard.SetReplaceOptions(&Options);
    Wizard.SetLabel2Caption(Options.SourceName(), u"Zanthe");
    Wizard.FormShow(&Wizard);
    Wizard.UpdateActions();
    View = std::make_unique<TFormView>(Wizard);
    View->show();
  }
  void TearDown() override { SetWizardDialogs(nullptr); }

  template <class TWidget>
  TWidget& W(const char* name) {
    return Child<TWidget>(*View, name);
  }
  std::string Title() const { return View->windowTitle().toStdString(); }

  TempDir Temp;
  TReplaceOptions Options{
      u"BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus"};
  TZanWizardForm Wizard;
  std::unique_ptr<TFormView> View;
};

TEST_F(FormViewTest, EveryPageRendersWithItsControls) {
  // FireDAC shows the two configuration-file fields on the scope page.
  W<QComboBox>("cbReplaceComponents").setCurrentIndex(10);
  Wizard.BuildReplaceSummary();
  auto& stack = W<QStackedWidget>("StepsPageControl");
  for (int i = 0; i < Wizard.StepsPageControl.PageCount(); ++i) {
    TTabSheet* page = Wizard.StepsPageControl.Page(i);
    Wizard.StepsPageControl.SetActivePage(page);
    Wizard.UpdateCaption();
    View->Refresh();
    if (page == &Wizard.Step2ReplaceSheet) {  // FireDAC reads connection definitions
      EXPECT_TRUE(W<QComboBox>("cbConnectionDefFileName").isVisible());
    }
    SCOPED_TRACE(ToQString(page->Name()).toStdString());
    EXPECT_EQ(stack.currentWidget()->objectName(), ToQString(page->Name()));
    // (Pages shown out of order are no picture of what a user sees: the
    // screenshots come from the flows of MainWindow_test.)
    const QImage shot = View->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(468, 324) * View->devicePixelRatio());
    EXPECT_TRUE(IsNonBlank(shot)) << i;
    // Every control the model shows on this page is a visible widget; none
    // is cut off or covers another, and every text fits.
    for (TControl* control : page->Controls())
      EXPECT_EQ(View->WidgetOf(control)->isVisible(), control->Visible)
          << ToQString(control->Name()).toStdString();
    ExpectControlsFit(*View);
  }
  EXPECT_EQ(W<QLabel>("lSummary").text().left(6), QStringLiteral("Mode: "));
}

TEST_F(FormViewTest, WidgetsSitWhereTheModelPutsThem) {
  TSaveWarnForm warn;
  TFormView warnView(warn);
  for (auto [form, view] :
       {std::pair<TForm*, TFormView*>{&Wizard, View.get()}, {&warn, &warnView}}) {
    EXPECT_EQ(view->size(), QSize(form->ClientWidth, form->ClientHeight));
    for (TComponent* component : form->Components()) {
      auto* control = dynamic_cast<TControl*>(component);
      if (!control || dynamic_cast<TTabSheet*>(control)) continue;
      QWidget* widget = view->WidgetOf(control);
      ASSERT_NE(widget, nullptr) << ToQString(control->Name()).toStdString();
      EXPECT_EQ(widget->objectName(), ToQString(control->Name()));
      const auto* label = dynamic_cast<TLabel*>(control);
      const QRect want(control->Left, control->Top, control->Width, control->Height);
      if (label && label->AutoSize)  // sized by its text, placed by the model
        EXPECT_EQ(widget->pos(), want.topLeft()) << ToQString(control->Name()).toStdString();
      else
        EXPECT_EQ(widget->geometry(), want) << ToQString(control->Name()).toStdString();
    }
  }
  // The picture is the model's side picture, and the warning shows the question icon.
  const QPixmap side = W<QLabel>("Image1").pixmap();
  EXPECT_EQ(side.size(), QSize(120, 260));
  EXPECT_EQ(side.toImage().pixelColor(60, 5),
            PixmapFromBitmap(Wizard.Image1.Picture).toImage().pixelColor(60, 5));
  EXPECT_FALSE(Child<QLabel>(warnView, "Image1").pixmap().isNull());
}

TEST_F(FormViewTest, EveryTextOfTheSaveWarningFits) {
  for (const bool restore : {false, true})
    for (const bool project : {false, true}) {
      SCOPED_TRACE(std::string(restore ? "restore" : "replace") +
                   (project ? " project" : " folder"));
      TSaveWarnForm warn;
      // As ShowSaveWarning fills it.
      warn.lblNote.Caption = !restore && project ? u"Project forms will be hidden."
                                                 : u"Current project will be closed.";
      warn.lblWarn.Caption = restore ? u"Old files will be restored from backup. Continue?"
                                     : u"Current project will be saved. Continue?";
      TFormView view(warn);
      view.show();
      ExpectControlsFit(view);
    }
}

TEST_F(FormViewTest, EnterPressesNextAndOnTheLastPageFinish) {
  for (int page = 1; page <= 4; ++page) PressKey(*View, Qt::Key_Return);
  EXPECT_EQ(Wizard.StepsPageControl.ActivePage(), &Wizard.FinalStepSheet);
  EXPECT_TRUE(W<QPushButton>("btFinish").isDefault());
  EXPECT_FALSE(W<QPushButton>("btNext").isDefault());
  PressKey(*View, Qt::Key_Return);
  EXPECT_EQ(Wizard.ModalResult(), mrOk);
}

TEST_F(FormViewTest, AFailedNextPutsTheFocusBackEveryTime) {
  TScriptedDialogs dialogs;
  SetWizardDialogs(&dialogs);
  View->activateWindow();
  W<QRadioButton>("rbModeRestore").click();
  W<QPushButton>("btNext").click();
  W<QLineEdit>("edUndoFile").setText(QStringLiteral("/nowhere/RExpert.reu"));
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    // The user clicks Next: the button takes the focus, the step fails.
    W<QPushButton>("btNext").setFocus();
    ASSERT_EQ(View->focusWidget(), &W<QPushButton>("btNext"));
    W<QPushButton>("btNext").click();
    EXPECT_EQ(dialogs.Messages().size(), static_cast<size_t>(attempt + 1));
    EXPECT_EQ(View->focusWidget(), &W<QLineEdit>("edUndoFile"));
  }
}

TEST_F(FormViewTest, ArrowKeysMoveAmongTheRadioButtonsAndCheckThem) {
  auto& replace = W<QRadioButton>("rbModeReplace");
  auto& restore = W<QRadioButton>("rbModeRestore");
  replace.setFocus();
  const struct {
    QRadioButton* From;
    int Key;
    QRadioButton* Checked;
  } steps[] = {
      {&replace, Qt::Key_Down, &restore},  {&restore, Qt::Key_Up, &replace},
      {&replace, Qt::Key_Right, &restore}, {&restore, Qt::Key_Down, &replace},  // round
      {&replace, Qt::Key_Left, &restore},
  };
  for (const auto& step : steps) {
    PressKeyOn(*step.From, step.Key);
    EXPECT_TRUE(step.Checked->isChecked());
    EXPECT_EQ(View->focusWidget(), step.Checked);
    EXPECT_EQ(Wizard.rbModeRestore.Checked(), step.Checked == &restore);
  }
  // The model ran the click's event: restore counts three steps.
  EXPECT_EQ(Title(), "Zanthe Migration Wizard - Step 1 of 3");
  // A button the user cannot reach is passed over: no project, so the
  // project scope is disabled and the folder scope stays checked.
  PressKeyOn(restore, Qt::Key_Up);
  ASSERT_TRUE(Wizard.rbModeReplace.Checked());
  W<QPushButton>("btNext").click();
  auto& folder = W<QRadioButton>("rbDestFolder");
  PressKeyOn(folder, Qt::Key_Up);
  EXPECT_TRUE(folder.isChecked());
  EXPECT_TRUE(Wizard.rbDestFolder.Checked());
}

TEST_F(FormViewTest, ALongPathInTheSummaryCanBeScrolledTo) {
  const QString deep = QString::fromStdString(Temp.path().string()) +
                       QStringLiteral(
                           "/a_folder_with_a_rather_long_name/and_another_one_below_it/"
                           "and_the_project_folder_itself");
  QDir().mkpath(deep);
  W<QPushButton>("btNext").click();
  W<QPushButton>("btNext").click();
  W<QComboBox>("cbDirectory").setEditText(deep);
  W<QPushButton>("btNext").click();
  W<QPushButton>("btNext").click();
  ASSERT_EQ(Wizard.StepsPageControl.ActivePage(), &Wizard.FinalStepSheet);
  auto& summary = W<QLabel>("lSummary");
  const int needed = summary.fontMetrics().horizontalAdvance(deep + QStringLiteral("/RBackup"));
  EXPECT_GE(summary.width(), needed);
  auto& box = W<QScrollArea>("sbSummary");
  EXPECT_GE(box.widget()->width(), summary.geometry().right());
  EXPECT_GT(box.horizontalScrollBar()->maximum(), 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(box.horizontalScrollBar()->isVisible());
  ExpectLabelsFit(*View);
}

TEST_F(FormViewTest, UserActionsReachTheModelAndTheModelReachesTheWidgets) {
  EXPECT_EQ(Title(), "Zanthe Migration Wizard - Step 1 of 5");
  EXPECT_FALSE(W<QPushButton>("btPrev").isEnabled());
  EXPECT_FALSE(W<QPushButton>("btFinish").isEnabled());

  W<QComboBox>("cbReplaceComponents").setCurrentIndex(3);
  EXPECT_EQ(W<QRadioButton>("rbModeReplace").text(), QStringLiteral("Replace Kyrel components"));
  EXPECT_EQ(Wizard.GetWizardMode(), 3);

  // Restore disables the library list and counts three steps, at once.
  W<QRadioButton>("rbModeRestore").click();
  EXPECT_TRUE(W<QRadioButton>("rbModeRestore").isChecked());
  EXPECT_FALSE(W<QRadioButton>("rbModeReplace").isChecked());
  EXPECT_FALSE(W<QComboBox>("cbReplaceComponents").isEnabled());
  EXPECT_EQ(Title(), "Zanthe Migration Wizard - Step 1 of 3");
  W<QPushButton>("btNext").click();
  EXPECT_EQ(W<QStackedWidget>("StepsPageControl").currentWidget()->objectName(),
            "Step2RestoreSheet");
  EXPECT_FALSE(W<QPushButton>("btNext").isEnabled());  // no undo file yet
  W<QLineEdit>("edUndoFile").setText(QStringLiteral("/nowhere/RExpert.reu"));
  EXPECT_EQ(Wizard.edUndoFile.Text, u"/nowhere/RExpert.reu");
  EXPECT_TRUE(W<QPushButton>("btNext").isEnabled());
  W<QPushButton>("btPrev").click();
  W<QRadioButton>("rbModeReplace").click();
  EXPECT_TRUE(W<QComboBox>("cbReplaceComponents").isEnabled());

  // Scope: no project is open, so only the folder can be chosen.
  W<QPushButton>("btNext").click();
  EXPECT_FALSE(W<QRadioButton>("rbDestProject").isEnabled());
  EXPECT_TRUE(W<QRadioButton>("rbDestFolder").isChecked());
  EXPECT_FALSE(W<QComboBox>("cbConnectionDefFileName").isVisible());  // Kyrel uses none
  W<QPushButton>("btNext").click();
  W<QComboBox>("cbDirectory").setEditText(QString::fromStdString(Temp.path().string()));
  W<QPushButton>("btNext").click();
  EXPECT_EQ(Title(), "Zanthe Migration Wizard - Step 4 of 5");
  EXPECT_EQ(W<QComboBox>("cbBackupDir").currentText().toStdString(),
            (Temp.path() / "RBackup").string());

  // Unticking "Make backup" disables the backup folder; typing marks it as the user's.
  W<QCheckBox>("chMakeBackup").click();
  EXPECT_FALSE(Wizard.chMakeBackup.Checked);
  EXPECT_FALSE(W<QComboBox>("cbBackupDir").isEnabled());
  W<QCheckBox>("chMakeBackup").click();
  EXPECT_TRUE(W<QComboBox>("cbBackupDir").isEnabled());
  W<QComboBox>("cbBackupDir").setEditText(QStringLiteral("Bak"));
  EXPECT_TRUE(Wizard.BackupDirModified());
  W<QCheckBox>("chWriteLog").click();
  EXPECT_FALSE(W<QCheckBox>("chViewLog").isEnabled());
  W<QPushButton>("btNext").click();
  EXPECT_TRUE(W<QPushButton>("btFinish").isEnabled());
  EXPECT_NE(W<QLabel>("lSummary").text().indexOf(QStringLiteral("Backup dir: ")), -1);
  W<QPushButton>("btFinish").click();
  EXPECT_EQ(Wizard.ModalResult(), mrOk);
  EXPECT_EQ(Options.Dest, sdDirectory);
  EXPECT_FALSE(Options.WriteLog);
}

TEST_F(FormViewTest, TicksInTheUnitListReachTheModel) {
  Wizard.lbModules.Add(u"b.pas");
  Wizard.lbModules.Add(u"A.pas");
  Wizard.btSelectClick(&Wizard.btSelect);
  Wizard.StepsPageControl.SetActivePage(&Wizard.Step3ProjSheet);
  View->Refresh();
  auto& list = W<QListWidget>("lbModules");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("A.pas"));
  list.item(1)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(Wizard.lbModules.Checked(1));
  W<QPushButton>("btDeselect").click();
  EXPECT_EQ(list.item(0)->checkState(), Qt::Unchecked);
}

/// Runs `form` modally through the dialog seam while `script` answers.
TModalResult ShowScripted(TForm& form, TModalScript& script) {
  TQtDialogs dialogs;
  SetWizardDialogs(&dialogs);
  const TModalResult result = form.ShowModal();
  SetWizardDialogs(nullptr);
  EXPECT_TRUE(script.Done());
  return result;
}

TEST(FormViewModal, KeysAndTheCloseBoxEndAShowingAsTheToolkitDoes) {
  App();
  struct TCase {
    const char* What;
    std::function<void(QWidget&)> Act;
    TModalResult Want;
  };
  const TCase cases[] = {
      {"Esc clicks the Cancel button", [](QWidget& w) { PressKey(w, Qt::Key_Escape); }, mrNo},
      {"Enter clicks the default button", [](QWidget& w) { PressKey(w, Qt::Key_Return); }, mrYes},
      {"the close box cancels", [](QWidget& w) { w.close(); }, mrCancel},
      {"a button with a result", [](QWidget& w) { Child<QPushButton>(w, "CancelBtn").click(); },
       mrNo},
  };
  for (const TCase& c : cases) {
    TSaveWarnForm form;
    TModalScript script;
    script.Then(QStringLiteral("SaveWarnForm"), [&](QWidget& w) {
      EXPECT_EQ(w.windowTitle(), QStringLiteral("BDE Migration Wizard"));
      c.Act(w);
    });
    EXPECT_EQ(ShowScripted(form, script), c.Want) << c.What;
  }
}

TEST(FormViewModal, AnExceptionInAHandlerIsShownAndTheDialogStaysOpen) {
  App();
  TSaveWarnForm form;
  form.OKBtn.ModalResult = mrNone;
  form.OKBtn.OnClick = [](TComponent*) { throw Exception("Failed to create directory."); };
  TModalScript script;
  script.Then(QStringLiteral("SaveWarnForm"),
              [](QWidget& w) { Child<QPushButton>(w, "OKBtn").click(); });
  script.Then(QStringLiteral("ExceptionBox"), [](QWidget& box) {
    EXPECT_EQ(MessageBoxText(box), QStringLiteral("Failed to create directory."));
    EXPECT_EQ(dynamic_cast<QMessageBox&>(box).icon(), QMessageBox::Critical);
    AcceptMessageBox(box);
  });
  script.Then(QStringLiteral("SaveWarnForm"),
              [](QWidget& w) { Child<QPushButton>(w, "CancelBtn").click(); });
  EXPECT_EQ(ShowScripted(form, script), mrNo);
}

TEST(QtDialogs, MessageBoxesCarryTheCaptionAndTheIcon) {
  App();
  TQtDialogs dialogs;
  const std::pair<TMsgBoxIcon, QMessageBox::Icon> icons[] = {
      {TMsgBoxIcon::Information, QMessageBox::Information},
      {TMsgBoxIcon::Error, QMessageBox::Critical},
      {TMsgBoxIcon::Warning, QMessageBox::Warning},
      {TMsgBoxIcon::None, QMessageBox::NoIcon}};
  for (auto [icon, want] : icons) {
    TModalScript script;
    script.Then(QStringLiteral("QMessageBox"), [want = want](QWidget& box) {
      EXPECT_EQ(box.windowTitle(), kSection);
      EXPECT_EQ(MessageBoxText(box), QStringLiteral("Replace failed."));
      EXPECT_EQ(dynamic_cast<QMessageBox&>(box).icon(), want);
      AcceptMessageBox(box);
    });
    dialogs.MessageBox(u"Replace failed.", FromQString(kSection), icon);
    EXPECT_TRUE(script.Done());
  }
  TModalScript script;
  script.Then(QStringLiteral("QMessageBox"), [](QWidget& box) {
    EXPECT_EQ(box.windowTitle(), QStringLiteral("zanmig-ide"));
    EXPECT_EQ(dynamic_cast<QMessageBox&>(box).icon(), QMessageBox::Information);
    AcceptMessageBox(box);
  });
  dialogs.MessageDlg(u"At least one unit should be selected.", TMsgDlgType::mtInformation);
  EXPECT_TRUE(script.Done());
}

TEST(QtDialogs, FiltersBecomeQtNameFilters) {
  const std::pair<std::u16string, QStringList> cases[] = {
      {u"Undo files (*.reu)|*.reu|All files (*.*)|*.*", {"Undo files (*.reu)", "All files (*.*)"}},
      {u"(*.ini)|*.ini", {"(*.ini)"}},
      {u"Units|*.pas;*.dpr", {"Units (*.pas *.dpr)"}},
      {u"|*.txt", {"(*.txt)"}},
      {u"", {}},
      {u"Dangling", {}},
  };
  for (const auto& [filter, want] : cases)
    EXPECT_EQ(QtNameFilters(filter), want) << ToQString(filter).toStdString();
}

/// Types `path` into the file dialog's name field, as a user may, and accepts.
void ChooseInFileDialog(QFileDialog& dialog, const QString& path) {
  Child<QLineEdit>(dialog, "fileNameEdit").setText(path);
  static_cast<QDialog&>(dialog).accept();
}

TEST_F(FormViewTest, BrowseButtonsUseTheFileAndFolderDialogs) {
  TQtDialogs dialogs(View.get());
  SetWizardDialogs(&dialogs);
  const QString ini = QString::fromStdString((Temp.path() / "drivers.ini").string());
  WriteFileBytes(Temp.path() / "drivers.ini", "[x]\n");
  W<QComboBox>("cbReplaceComponents").setCurrentIndex(9);  // AnyDAC
  W<QPushButton>("btNext").click();
  TModalScript script;
  script.Then(QStringLiteral("OpenDialog"), [&](QWidget& w) {
    auto& dialog = dynamic_cast<QFileDialog&>(w);
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("(*.ini)")});
    ChooseInFileDialog(dialog, ini);
  });
  script.Then(QStringLiteral("SelectDirectoryDialog"), [&](QWidget& w) {
    auto& dialog = dynamic_cast<QFileDialog&>(w);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select directory"));
    ChooseInFileDialog(dialog, QString::fromStdString(Temp.path().string()));
  });
  W<QPushButton>("btDriverConfigFileName").click();
  EXPECT_EQ(W<QComboBox>("cbDriverConfigFileName").currentText(), ini);
  EXPECT_TRUE(Wizard.cbConnectionDefFileName.Text.empty());
  EXPECT_EQ(Wizard.OpenDialog.Filter, u"Undo files (*.reu)|*.reu|All files (*.*)|*.*");
  W<QRadioButton>("rbDestFolder").click();
  W<QPushButton>("btNext").click();
  W<QPushButton>("btBrowseFolder").click();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(W<QComboBox>("cbDirectory").currentText().toStdString(), Temp.path().string());
}

}  // namespace
}  // namespace zan::test
