#include "support/WizardFakes.h"

#include <stdexcept>

#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"

namespace zan::test {

// ----- TScriptedDialogs

namespace {
const char* IconName(TMsgBoxIcon icon) {
  switch (icon) {
    case TMsgBoxIcon::Information:
      return "Information";
    case TMsgBoxIcon::Error:
      return "Error";
    case TMsgBoxIcon::Warning:
      return "Warning";
    case TMsgBoxIcon::Question:
      return "Question";
    default:
      return "None";
  }
}
}  // namespace

void TScriptedDialogs::MessageBox(const std::u16string& text, const std::u16string& caption,
                                  TMsgBoxIcon icon) {
  Log.push_back(std::string("MessageBox ") + IconName(icon) + "|" + U8(caption) + "|" + U8(text));
}

void TScriptedDialogs::MessageDlg(const std::u16string& text, TMsgDlgType type) {
  Log.push_back(std::string("MessageDlg") +
                (type == TMsgDlgType::mtInformation ? " Information|" : "|") + U8(text));
}

void TScriptedDialogs::ShowModal(TForm& form) {
  Log.push_back("ShowModal|" + U8(form.Name()));
  if (ModalScripts.empty()) {
    form.Close();
    return;
  }
  auto script = std::move(ModalScripts.front());
  ModalScripts.pop_front();
  script(form);
}

bool TScriptedDialogs::ExecuteOpenDialog(TOpenDialog& dialog) {
  Log.push_back("OpenDialog|" + U8(dialog.Filter) + "|" + U8(dialog.InitialDir));
  if (OnOpenDialog) OnOpenDialog(dialog);
  if (OpenAnswers.empty()) return false;
  auto answer = OpenAnswers.front();
  OpenAnswers.pop_front();
  if (!answer) return false;
  dialog.FileName = *answer;
  return true;
}

bool TScriptedDialogs::SelectDirectory(const std::u16string& caption, const std::u16string&,
                                       std::u16string& directory) {
  Log.push_back("SelectDirectory|" + U8(caption));
  if (FolderAnswers.empty()) return false;
  auto answer = FolderAnswers.front();
  FolderAnswers.pop_front();
  if (!answer) return false;
  directory = *answer;
  return true;
}

void TScriptedDialogs::ShowException(const std::u16string& message) {
  Log.push_back("Exception|" + U8(message));
}

std::vector<std::string> TScriptedDialogs::Messages() const {
  std::vector<std::string> messages;
  for (const std::string& entry : Log)
    if (entry.rfind("Message", 0) == 0) messages.push_back(entry.substr(entry.rfind('|') + 1));
  return messages;
}

// ----- user steps

void Click(TForm& form, std::u16string_view name) {
  Get<TControl>(form, name).Click();
}

void Type(TForm& form, std::u16string_view name, std::u16string_view text) {
  TComponent* component = form.FindComponent(name);
  if (auto* combo = dynamic_cast<TComboBox*>(component))
    combo->UserSetText(text);
  else
    Get<TEdit>(form, name).UserSetText(text);
}

void Select(TForm& form, std::u16string_view name, int index) {
  Get<TComboBox>(form, name).UserSelect(index);
}

// ----- TFakeIDE

class TFakeIDE::TActions : public IOTAActionServices {
 public:
  explicit TActions(TFakeIDE& ide) : FIde(ide) {}
  bool OpenProject(const std::u16string& name, bool newGroup) override {
    FIde.Calls.push_back("OpenProject|" + U8(name) + (newGroup ? "" : " (same group)"));
    return true;
  }
  bool ReloadFile(const std::u16string& name) override {
    FIde.Calls.push_back("ReloadFile|" + U8(name));
    return true;
  }

 private:
  TFakeIDE& FIde;
};

TFakeIDE::TFakeIDE(TFileSystem* fs)
    : Disk(fs),
      FModel(fs ? *fs : FNoDisk, *this),
      FMenus(std::make_shared<TMainMenuServices>(IDEMainMenu())) {}

TFakeIDE::~TFakeIDE() = default;

void TFakeIDE::OpenProjectWith(const std::u16string& projectName,
                               const std::vector<std::u16string>& units, bool withForms) {
  TProjectFile file;
  file.FileName = projectName;
  file.Modules = units;
  FModel.Open(std::move(file), [withForms](const std::u16string& unit) {
    return withForms ? ChangeFileExt(unit, u".dfm") : std::u16string();
  });
}

void TFakeIDE::CloseAll() {
  FModel.Close();
}

bool TFakeIDE::CloseProject() {
  Calls.push_back("CloseProject");
  CloseAll();
  return true;
}

bool TFakeIDE::SaveProject(bool changeName, bool forceSave) {
  Calls.push_back(std::string("SaveProject") + (changeName ? " rename" : "") +
                  (forceSave ? " force" : ""));
  return SaveResult;
}

void TFakeIDE::ShowEditor(const std::u16string& fileName) {
  Calls.push_back("Show|" + U8(fileName));
}

std::shared_ptr<IOTAModuleServices> TFakeIDE::GetModuleServices() {
  return std::shared_ptr<IOTAModuleServices>(shared_from_this(), &FModel);
}

std::shared_ptr<IOTAActionServices> TFakeIDE::GetActionServices() {
  return std::make_shared<TActions>(*this);
}

std::shared_ptr<INTAServices> TFakeIDE::GetNTAServices() {
  return FMenus;
}

// ----- TScopedSeams

TScopedSeams::TScopedSeams(IWizardDialogs& dialogs, TFileSystem& fs, IShell* shell)
    : FDialogs(SetWizardDialogs(&dialogs)),
      FFileSystem(SetCurrentFileSystem(&fs)),
      FSetShell(shell != nullptr),
      FShell(shell ? SetShell(shell) : nullptr) {
  TRegIniFile::SetSettingsFileName(kSettingsFile);
}

TScopedSeams::~TScopedSeams() {
  SetWizardDialogs(FDialogs);
  SetCurrentFileSystem(FFileSystem);
  if (FSetShell) SetShell(FShell);
  TRegIniFile::SetSettingsFileName(u"");
}

// ----- WizardTest

WizardTest::WizardTest()
    : Ide(std::make_shared<TFakeIDE>(&Fs)), Dialogs(Ide->ScriptedDialogs), Seams(Dialogs, Fs) {
  SetBorlandIDEServices(Ide);
  Fs.AddFile(kProject, "program Project1;");
  Ide->OpenProjectWith(kProject, {u"/proj/Unit1.pas", u"/proj/sub/Data.pas"});
}

WizardTest::~WizardTest() {
  Form.reset();
  SetBorlandIDEServices(nullptr);
}

TZanWizardForm& WizardTest::Open() {
  Form = std::make_unique<TZanWizardForm>();
  Form->SetReplaceOptions(&Options);
  Form->SetProductName(u"Zanthe");
  Form->OnShow(Form.get());
  Form->UpdateActions();
  return *Form;
}

std::string WizardTest::Step() const {
  const std::string caption = U8(Form->Caption);
  const size_t at = caption.find("Step");
  return at == std::string::npos ? caption : caption.substr(at);
}

std::string WizardTest::Page() const {
  auto* page = Form->StepsPageControl.ActivePage();
  return page ? U8(page->Name()) : "";
}

}  // namespace zan::test
