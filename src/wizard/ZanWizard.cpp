#include "wizard/ZanWizard.h"

#include "engine/catalogue/ZanReplacer.h"
#include "rtl/ScopeExit.h"
#include "wizard/WizardRes.h"

namespace zan {

namespace {
constexpr std::u16string_view kConnectionDefButton = u"btConnectionDefFileName";
}

TZanWizardForm::TZanWizardForm() {
  Caption = res::sZanWizardDesignCaption;
  Image1.Picture = DrawSidePicture();

  // First page: the welcome text grows, the mode radios move down, the
  // library list goes beside the replace radio.
  Label2.Height = 100;
  Label11.Top = 124;
  Label3.Top = 179;
  rbModeReplace.Caption = res::sZanModeReplace;
  rbModeReplace.Top = 198;
  rbModeReplace.Width = 176;
  rbModeRestore.SetBounds(rbModeRestore.Left, 226, 200, 20);
  rbModeRestore.OnClick = Bind(this, &TZanWizardForm::rbModeRestoreClick);
  cbReplaceComponents.Style = TComboBox::csDropDownList;
  cbReplaceComponents.SetBounds(194, 194, 85, 21);
  for (const TLibraryInfo& library : CatalogueLibraries())
    cbReplaceComponents.Items.Add(library.Name);
  cbReplaceComponents.OnChange = Bind(this, &TZanWizardForm::cbReplaceComponentsChange);

  // Scope page, below the scope radios: the rule files (every library), then
  // the two configuration files (FireDAC and AnyDAC), then the page's note.
  Step2ReplaceSheet.OnShow = Bind(this, &TZanWizardForm::Step2ReplaceSheetShow);
  lbRuleFileNames.Caption = res::sRuleFilesLabel;
  lbRuleFileNames.FocusControl = &cbRuleFileNames;
  lbRuleFileNames.SetBounds(16, 81, 200, 13);
  cbRuleFileNames.SetBounds(16, 97, 220, 21);
  btRuleFileNames.Caption = res::sBrowse;
  btRuleFileNames.SetBounds(242, 96, 75, 23);
  btRuleFileNames.OnClick = Bind(this, &TZanWizardForm::btRuleFileNamesClick);
  lbConnectionDefFileName.Caption = res::sConnectionDefLabel;
  lbConnectionDefFileName.FocusControl = &cbConnectionDefFileName;
  lbConnectionDefFileName.SetBounds(16, 127, 170, 13);
  cbConnectionDefFileName.SetBounds(16, 143, 220, 21);
  btConnectionDefFileName.Caption = res::sBrowse;
  btConnectionDefFileName.SetBounds(242, 142, 75, 23);
  btConnectionDefFileName.OnClick = Bind(this, &TZanWizardForm::btConnectionDefFileNameClick);
  lbDriverConfigFileName.Caption = res::sDriverConfigLabel;
  lbDriverConfigFileName.FocusControl = &cbDriverConfigFileName;
  lbDriverConfigFileName.SetBounds(16, 173, 160, 13);
  cbDriverConfigFileName.SetBounds(16, 189, 220, 21);
  btDriverConfigFileName.Caption = res::sBrowse;
  btDriverConfigFileName.SetBounds(242, 188, 75, 23);
  btDriverConfigFileName.OnClick = Bind(this, &TZanWizardForm::btConnectionDefFileNameClick);
  lbAliasFileName.Caption = res::sAliasFileLabel;
  lbAliasFileName.FocusControl = &cbAliasFileName;
  lbAliasFileName.SetBounds(16, 127, 170, 13);
  cbAliasFileName.SetBounds(16, 143, 220, 21);
  btAliasFileName.Caption = res::sBrowse;
  btAliasFileName.SetBounds(242, 142, 75, 23);
  btAliasFileName.OnClick = Bind(this, &TZanWizardForm::btAliasFileNameClick);
  // Shown for BDE only (Step2ReplaceSheetShow), in the place of the FireDAC fields.
  lbAliasFileName.Visible = cbAliasFileName.Visible = btAliasFileName.Visible = false;
  Label7.SetBounds(16, 224, 300, 26);
}

TZanWizardForm::~TZanWizardForm() = default;

std::u16string TZanWizardForm::SelectedLibrary() const {
  const int index = cbReplaceComponents.ItemIndex();
  return index >= 0 ? cbReplaceComponents.Items[index] : std::u16string();
}

bool TZanWizardForm::UsesAliasFile() const {
  return SelectedLibrary() == u"BDE";
}

bool TZanWizardForm::UsesConfigFiles() const {
  const std::u16string library = SelectedLibrary();
  return library == u"AnyDAC" || library == u"FireDAC";
}

// ----- overridden operations

std::u16string TZanWizardForm::SummarySourceName() {
  return SelectedLibrary();
}

void TZanWizardForm::BuildReplaceSummary() {
  TWizardForm::BuildReplaceSummary();
  if (!cbRuleFileNames.Text.empty())
    lSummary.Caption +=
        std::u16string(res::sSummaryRuleFiles) + u"\n\n" + cbRuleFileNames.Text + u"\n\n";
  if (UsesAliasFile() && !cbAliasFileName.Text.empty())
    lSummary.Caption +=
        std::u16string(res::sSummaryAliasFile) + u"\n\n" + cbAliasFileName.Text + u"\n\n";
  if (!UsesConfigFiles()) return;
  // The line feed comes before the carriage return here, as the product has it.
  if (!cbConnectionDefFileName.Text.empty())
    lSummary.Caption += std::u16string(res::sSummaryConnectionDef) + u"\n\n" +
                        cbConnectionDefFileName.Text + u"\n\r";
  if (!cbDriverConfigFileName.Text.empty())
    lSummary.Caption +=
        std::u16string(res::sSummaryDriverConfig) + u"\n\n" + cbDriverConfigFileName.Text + u"\n\r";
}

void TZanWizardForm::LoadState(const TRegIniFile& iniFile, std::u16string_view section) {
  TWizardForm::LoadState(iniFile, section);
  SetItemsText(cbConnectionDefFileName,
               iniFile.ReadString(section, res::sValConnectionDefFileName, u""));
  SetItemsText(cbDriverConfigFileName,
               iniFile.ReadString(section, res::sValDriverConfFileName, u""));
  SetItemsText(cbRuleFileNames, iniFile.ReadString(section, res::sValRuleFileNames, u""));
  SetItemsText(cbAliasFileName, iniFile.ReadString(section, res::sValAliasFileName, u""));
}

void TZanWizardForm::SaveState(TRegIniFile& iniFile, std::u16string_view section) {
  TWizardForm::SaveState(iniFile, section);
  iniFile.WriteString(section, res::sValConnectionDefFileName,
                      cbConnectionDefFileName.Items.Text());
  iniFile.WriteString(section, res::sValDriverConfFileName, cbDriverConfigFileName.Items.Text());
  iniFile.WriteString(section, res::sValRuleFileNames, cbRuleFileNames.Items.Text());
  iniFile.WriteString(section, res::sValAliasFileName, cbAliasFileName.Items.Text());
}

int TZanWizardForm::GetWizardMode() {
  return rbModeRestore.Checked() ? kRestoreMode : cbReplaceComponents.ItemIndex();
}

void TZanWizardForm::SetLabel2Caption(std::u16string_view, std::u16string_view) {
  Label2.Caption = res::sZanWelcomeText;
}

std::u16string TZanWizardForm::GetConnectionDefFileName() {
  return UsesConfigFiles() ? cbConnectionDefFileName.Text : std::u16string();
}

std::u16string TZanWizardForm::GetDriverConfFileName() {
  return UsesConfigFiles() ? cbDriverConfigFileName.Text : std::u16string();
}

std::u16string TZanWizardForm::GetAliasFileName() {
  return UsesAliasFile() ? cbAliasFileName.Text : std::u16string();
}

std::u16string TZanWizardForm::GetRuleFileNames() {
  return cbRuleFileNames.Text;
}

void TZanWizardForm::UpdateHistories() {
  TWizardForm::UpdateHistories();
  AddToHistory(cbRuleFileNames);
  if (UsesAliasFile()) AddToHistory(cbAliasFileName);
  if (!UsesConfigFiles()) return;
  AddToHistory(cbConnectionDefFileName);
  AddToHistory(cbDriverConfigFileName);
}

// ----- event handlers

void TZanWizardForm::FormShow(TComponent* sender) {
  TWizardForm::FormShow(sender);
  const TReplaceOptions& options = Options();
  cbConnectionDefFileName.Text = options.ConnectionDefFileName;
  cbDriverConfigFileName.Text = options.DriverConfFileName;
  cbRuleFileNames.Text = options.RuleFileNames;
  cbAliasFileName.Text = options.AliasFileName;
  if (rbModeReplace.Checked())
    rbModeRestore.SetChecked(false);
  else
    rbModeRestore.SetChecked(true);
  // The library list follows the mode restored from the settings at once.
  cbReplaceComponents.Enabled = !rbModeRestore.Checked();
  cbReplaceComponents.SetItemIndex(0);
  cbReplaceComponentsChange(&cbReplaceComponents);
}

void TZanWizardForm::rbModeReplaceClick(TComponent* sender) {
  TWizardForm::rbModeReplaceClick(sender);
  cbReplaceComponents.Enabled = !rbModeRestore.Checked();
}

void TZanWizardForm::rbModeRestoreClick(TComponent*) {
  cbReplaceComponents.Enabled = !rbModeRestore.Checked();
  UpdateCaption();
}

void TZanWizardForm::cbReplaceComponentsChange(TComponent*) {
  rbModeReplace.Caption = res::Fmt(res::sSummaryReplace, {SelectedLibrary()});
}

void TZanWizardForm::Step2ReplaceSheetShow(TComponent*) {
  const bool visible = UsesConfigFiles();
  for (TControl* control : {static_cast<TControl*>(&lbConnectionDefFileName),
                            static_cast<TControl*>(&cbConnectionDefFileName),
                            static_cast<TControl*>(&btConnectionDefFileName),
                            static_cast<TControl*>(&lbDriverConfigFileName),
                            static_cast<TControl*>(&cbDriverConfigFileName),
                            static_cast<TControl*>(&btDriverConfigFileName)})
    control->Visible = visible;
  const bool aliases = UsesAliasFile();
  for (TControl* control :
       {static_cast<TControl*>(&lbAliasFileName), static_cast<TControl*>(&cbAliasFileName),
        static_cast<TControl*>(&btAliasFileName)})
    control->Visible = aliases;
}

void TZanWizardForm::btConnectionDefFileNameClick(TComponent* sender) {
  auto* button = dynamic_cast<TButton*>(sender);
  if (!button) return;
  const std::u16string filter = OpenDialog.Filter;
  TScopeExit restoreFilter([&] { OpenDialog.Filter = filter; });
  OpenDialog.Filter = res::sIniFilter;
  if (!OpenDialog.Execute()) return;
  if (button->Name() == kConnectionDefButton)
    cbConnectionDefFileName.Text = OpenDialog.FileName;
  else
    cbDriverConfigFileName.Text = OpenDialog.FileName;
}

void TZanWizardForm::btAliasFileNameClick(TComponent*) {
  const std::u16string filter = OpenDialog.Filter;
  TScopeExit restoreFilter([&] { OpenDialog.Filter = filter; });
  OpenDialog.Filter = res::sIniFilter;
  if (OpenDialog.Execute()) cbAliasFileName.Text = OpenDialog.FileName;
}

void TZanWizardForm::btRuleFileNamesClick(TComponent*) {
  const std::u16string filter = OpenDialog.Filter;
  TScopeExit restoreFilter([&] { OpenDialog.Filter = filter; });
  OpenDialog.Filter = res::sRuleFileFilter;
  if (!OpenDialog.Execute()) return;
  std::u16string& text = cbRuleFileNames.Text;
  text += (text.empty() ? u"" : u";") + OpenDialog.FileName;
}

}  // namespace zan
