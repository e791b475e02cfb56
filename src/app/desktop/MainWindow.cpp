#include "app/desktop/MainWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/desktop/ExceptionGuard.h"
#include "app/desktop/MenuBarView.h"
#include "app/desktop/QtText.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr int kFileRole = Qt::UserRole;

std::shared_ptr<TMenuItem> MenuItem(std::u16string name, std::u16string caption,
                                    std::function<void()> click = nullptr) {
  auto item = std::make_shared<TMenuItem>();
  item->Name = std::move(name);
  item->Caption = std::move(caption);
  if (click) item->OnClick = [click](TMenuItem&) { click(); };
  return item;
}

}  // namespace

TMainWindow::TMainWindow(std::shared_ptr<TDesktopIDE> ide, QWidget* parent)
    : QMainWindow(parent), FIDE(std::move(ide)), FDialogs(this) {
  setObjectName(QStringLiteral("MainWindow"));
  resize(1000, 640);

  // The seams: the plug-in borrows them, the host's own models use them too.
  FIDE->SetView(this);
  FIDE->SetDialogs(&FDialogs);
  FIDE->SetBusyIndicator(&FWaitCursor);
  FIDE->SetShell(&FShell);
  FPreviousDialogs = SetWizardDialogs(&FDialogs);
  FPreviousBusy = SetBusyIndicator(&FWaitCursor);
  FPreviousShell = SetShell(&FShell);
  FPreviousServices = BorlandIDEServices();
  SetBorlandIDEServices(FIDE);
  FWaitCursor.OnStep = [this](const QString& what) { statusBar()->showMessage(what); };
  FWaitCursor.OnIdle = [this] { RunEnded(); };

  FUnitList = new QListWidget;
  FUnitList->setObjectName(QStringLiteral("UnitList"));
  FEditorTitle = new QLabel;
  FEditor = new QPlainTextEdit;
  FEditor->setObjectName(QStringLiteral("Editor"));
  FEditor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  FEditor->setLineWrapMode(QPlainTextEdit::NoWrap);
  FMessages = new QPlainTextEdit;
  FMessages->setObjectName(QStringLiteral("Messages"));
  FMessages->setReadOnly(true);

  FEditorPane = new QWidget;
  auto* editorLayout = new QVBoxLayout(FEditorPane);
  editorLayout->setContentsMargins(0, 0, 0, 0);
  editorLayout->addWidget(FEditorTitle);
  editorLayout->addWidget(FEditor);
  FChanges = new TChangesView;
  FTabs = new QTabWidget;
  FTabs->setObjectName(QStringLiteral("Tabs"));
  FTabs->addTab(FEditorPane, QStringLiteral("&Source"));
  FTabs->addTab(FChanges, QStringLiteral("C&hanges"));
  auto* top = new QSplitter(Qt::Horizontal);
  top->addWidget(FUnitList);
  top->addWidget(FTabs);
  top->setSizes({180, 820});
  auto* all = new QSplitter(Qt::Vertical);
  all->addWidget(top);
  all->addWidget(FMessages);
  all->setSizes({500, 120});
  setCentralWidget(all);
  statusBar()->showMessage(QStringLiteral("Ready"));

  connect(FUnitList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (!item || FShowing) return;
    ShowInEditor(FromQString(item->data(kFileRole).toString()));
    FTabs->setCurrentWidget(FEditorPane);
  });
  connect(FEditor, &QPlainTextEdit::textChanged, this, [this] { EditorTextChanged(); });

  BuildHostMenu();
  UpdateTitle();
}

TMainWindow::~TMainWindow() {
  FPlugin.Unload();
  FIDE->SetView(nullptr);
  FIDE->SetDialogs(nullptr);
  FIDE->SetBusyIndicator(nullptr);
  FIDE->SetShell(nullptr);
  SetWizardDialogs(FPreviousDialogs);
  SetBusyIndicator(FPreviousBusy);
  SetShell(FPreviousShell);
  SetBorlandIDEServices(FPreviousServices);
}

// ----- menu

void TMainWindow::BuildHostMenu() {
  TMainMenu& menu = FIDE->MainMenu();
  auto file = MenuItem(u"FileMenu", u"&File");
  file->Items.push_back(
      MenuItem(u"FileOpenProjectItem", u"&Open Project...", [this] { ChooseProject(); }));
  file->Items.push_back(
      MenuItem(u"FileCloseProjectItem", u"&Close Project", [this] { FIDE->CloseAll(); }));
  file->Items.push_back(MenuItem(u"FileSeparator1", u"-"));
  file->Items.push_back(MenuItem(u"FileExitItem", u"E&xit", [this] { close(); }));
  auto help = MenuItem(u"HelpMenu", u"&Help");
  help->Items.push_back(MenuItem(u"HelpAboutItem", u"&About...", [this] {
    QMessageBox::about(this, QStringLiteral("About zanmig-ide"),
                       QStringLiteral("zanmig-ide: a desktop host standing in for the IDE, "
                                      "into which the migration wizard plug-in is loaded."));
  }));
  // A product menu goes before the last top-level item, as in the IDE.
  menu.Items = {file, help};
  RebuildMenuBar();
}

void TMainWindow::RebuildMenuBar() {
  ShowMainMenu(*menuBar(), FIDE->MainMenu(), this);
}

void TMainWindow::MenuChanged() {
  RebuildMenuBar();
}

// ----- plug-in and project

bool TMainWindow::LoadPlugin(const std::string& fileName) {
  const bool ok = RunGuarded(this, [&] { FPlugin.Load(fileName, FIDE); });
  if (ok) Message(u"Loaded wizard plug-in " + Utf8ToUtf16(fileName));
  RebuildMenuBar();
  return ok;
}

void TMainWindow::UnloadPlugin() {
  FPlugin.Unload();
  RebuildMenuBar();
}

bool TMainWindow::OpenProject(const std::u16string& fileName) {
  return RunGuarded(this, [&] { FIDE->LoadProject(fileName); });
}

void TMainWindow::ChooseProject() {
  QFileDialog dialog(this, QStringLiteral("Open Project"));
  dialog.setObjectName(QStringLiteral("OpenProjectDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {QStringLiteral("Delphi projects (*.dpr *.dproj)"), QStringLiteral("All files (*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenProject(FromQString(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath()));
}

void TMainWindow::ProjectChanged() {
  FillUnitList();
  if (!FIDE->HasProject()) {
    // A restore closes the project first: the changes shown are undone.
    FChanges->Clear();
    FShownFile.clear();
    FShowing = true;
    FEditor->clear();
    FShowing = false;
    FEditorTitle->clear();
  } else if (FUnitList->count() > 0) {
    FUnitList->setCurrentRow(0);
  }
  UpdateTitle();
}

void TMainWindow::UpdateTitle() {
  QString title = QStringLiteral("zanmig-ide");
  if (FIDE->HasProject())
    title += QStringLiteral(" - ") + ToQString(ExtractFileName(FIDE->ProjectFileName()));
  setWindowTitle(title);
}

// ----- unit list and editor

void TMainWindow::FillUnitList() {
  FShowing = true;
  FUnitList->clear();
  const std::u16string folder = ExtractFilePath(FIDE->ProjectFileName());
  auto add = [this, &folder](const std::u16string& fileName, bool indent) {
    std::u16string shown = fileName;
    if (!folder.empty() && shown.rfind(folder, 0) == 0) shown = shown.substr(folder.size());
    auto* item = new QListWidgetItem(QString(indent ? 4 : 0, QLatin1Char(' ')) + ToQString(shown));
    item->setData(kFileRole, ToQString(fileName));
    item->setToolTip(ToQString(fileName));
    FUnitList->addItem(item);
  };
  for (const std::u16string& module : FIDE->ProjectModules()) {
    add(module, false);
    if (const std::u16string form = FIDE->FormFileOf(module); !form.empty()) add(form, true);
  }
  FShowing = false;
  UpdateListMarks();
}

void TMainWindow::UpdateListMarks() {
  const auto modified = FIDE->ModifiedFiles();
  for (int i = 0; i < FUnitList->count(); ++i) {
    QListWidgetItem* item = FUnitList->item(i);
    const std::u16string name = FromQString(item->data(kFileRole).toString());
    QFont font = item->font();
    font.setBold(std::find(modified.begin(), modified.end(), name) != modified.end());
    item->setFont(font);
  }
}

void TMainWindow::RunEnded() {
  const std::u16string undoFile = FIDE->TakeWrittenUndoFile();
  if (undoFile.empty()) return;
  // Names are shown relative to the project's folder, else to the folder
  // that holds the backup folder.
  const std::u16string base = FIDE->HasProject() ? ExtractFileDir(FIDE->ProjectFileName())
                                                 : ExtractFileDir(ExtractFileDir(undoFile));
  FChanges->ShowRun(FIDE->Files(), undoFile, base, AnsiCodePage());
  FTabs->setCurrentWidget(FChanges);
  Message(u"The changes of the run are shown under Changes (backups: " + undoFile + u").");
}

void TMainWindow::ShowInEditor(const std::u16string& fileName) {
  const TFileBuffer& buffer = FIDE->Buffer(fileName);
  FShownFile = buffer.FileName;
  // The editor works with line feeds; edits go back with the file's own line break.
  QString text = ToQString(buffer.Error.empty() ? buffer.Text : buffer.Error);
  FShownLineBreak =
      text.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  FShowing = true;
  FEditor->setPlainText(text);
  FEditor->setReadOnly(buffer.ReadOnly);
  for (int i = 0; i < FUnitList->count(); ++i)
    if (FromQString(FUnitList->item(i)->data(kFileRole).toString()) == FShownFile)
      FUnitList->setCurrentRow(i);
  FShowing = false;
  QString title = ToQString(FShownFile);
  if (buffer.ReadOnly) title += QStringLiteral("  (read-only)");
  FEditorTitle->setText(title);
}

void TMainWindow::EditorTextChanged() {
  if (FShowing || FShownFile.empty()) return;
  // The raw text keeps non-breaking spaces, which toPlainText would turn into blanks.
  QString text = FEditor->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, FShownLineBreak);
  text.replace(QChar::LineSeparator, FShownLineBreak);
  FIDE->EditBuffer(FShownFile, FromQString(text));
  UpdateListMarks();
}

// ----- what the IDE services report

void TMainWindow::FileReloaded(const std::u16string& fileName) {
  if (fileName == FShownFile) ShowInEditor(fileName);
  UpdateListMarks();
}

void TMainWindow::ShowFile(const std::u16string& fileName) {
  ShowInEditor(fileName);
  FTabs->setCurrentWidget(FEditorPane);
}

void TMainWindow::Message(const std::u16string& text) {
  FMessages->appendPlainText(ToQString(text));
}

TSaveChangesAnswer TMainWindow::AskSaveChanges(const std::vector<std::u16string>& fileNames) {
  QString names;
  for (const std::u16string& name : fileNames) names += QStringLiteral("\n") + ToQString(name);
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                  QStringLiteral("Save changes to these files?") + names,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                  QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this);
  box.setObjectName(QStringLiteral("SaveChangesBox"));
  switch (box.exec()) {
    case QMessageBox::Yes:
      return TSaveChangesAnswer::Yes;
    case QMessageBox::No:
      return TSaveChangesAnswer::No;
    default:
      return TSaveChangesAnswer::Cancel;
  }
}

}  // namespace zan
