// TZanWizardForm: the wizard the expert shows. It adds to TWizardForm the
// choice of the source library (its position in the list is the catalogue
// index of the replacer that runs) and, on the scope page, the FireDAC/AnyDAC
// connection-definition and driver-configuration files and the user's rule
// files (doc/rules.md), which reach the options at Finish and from there the
// run.
//
// Every showing starts with the first library (BDE); the file names live in
// the shared options for as long as the plug-in is loaded, and their history
// lists in the settings store.
#pragma once

#include "wizard/Wizard.h"

namespace zan {

/// The side picture of the wizard: 120 x 260 pixels, 24 bits per pixel, drawn by the program.
TBitmap DrawSidePicture();

/// The wizard the expert shows: the base flow plus the library list and the
/// two configuration-file fields with their Browse buttons.
class TZanWizardForm : public TWizardForm {
 public:
  TZanWizardForm();
  ~TZanWizardForm() override;

  // ----- added to the first page and the scope page
  TComboBox cbReplaceComponents{this, &Step1Sheet, u"cbReplaceComponents"};
  TLabel lbConnectionDefFileName{this, &Step2ReplaceSheet, u"lbConnectionDefFileName"};
  TComboBox cbConnectionDefFileName{this, &Step2ReplaceSheet, u"cbConnectionDefFileName"};
  TButton btConnectionDefFileName{this, &Step2ReplaceSheet, u"btConnectionDefFileName"};
  TLabel lbDriverConfigFileName{this, &Step2ReplaceSheet, u"lbDriverConfigFileName"};
  TComboBox cbDriverConfigFileName{this, &Step2ReplaceSheet, u"cbDriverConfigFileName"};
  TButton btDriverConfigFileName{this, &Step2ReplaceSheet, u"btDriverConfigFileName"};
  TLabel lbRuleFileNames{this, &Step2ReplaceSheet, u"lbRuleFileNames"};
  TComboBox cbRuleFileNames{this, &Step2ReplaceSheet, u"cbRuleFileNames"};
  TButton btRuleFileNames{this, &Step2ReplaceSheet, u"btRuleFileNames"};
  // BDE only, where the FireDAC definition file's field stands for FireDAC.
  TLabel lbAliasFileName{this, &Step2ReplaceSheet, u"lbAliasFileName"};
  TComboBox cbAliasFileName{this, &Step2ReplaceSheet, u"cbAliasFileName"};
  TButton btAliasFileName{this, &Step2ReplaceSheet, u"btAliasFileName"};

  /// True when the selected library reads connection definitions (AnyDAC, FireDAC).
  bool UsesConfigFiles() const;
  /// True when the selected library resolves BDE aliases (BDE).
  bool UsesAliasFile() const;
  /// The selected library's name ("" when none is selected).
  std::u16string SelectedLibrary() const;

  // ----- overridden operations
  void BuildReplaceSummary() override;
  void LoadState(const TRegIniFile& iniFile, std::u16string_view section) override;
  void SaveState(TRegIniFile& iniFile, std::u16string_view section) override;
  /// 100 for a restore, else the selected library's index (0 to 11).
  int GetWizardMode() override;
  /// Sets the fixed welcome text of the target library; the arguments are not used.
  void SetLabel2Caption(std::u16string_view sourceName, std::u16string_view productName) override;
  std::u16string GetConnectionDefFileName() override;
  std::u16string GetDriverConfFileName() override;
  std::u16string GetAliasFileName() override;
  std::u16string GetRuleFileNames() override;

  // ----- event handlers
  void FormShow(TComponent* sender) override;
  void rbModeReplaceClick(TComponent* sender) override;
  void rbModeRestoreClick(TComponent* sender);
  void cbReplaceComponentsChange(TComponent* sender);
  void Step2ReplaceSheetShow(TComponent* sender);
  /// Both Browse buttons: picks an ini file for the field beside the button.
  void btConnectionDefFileNameClick(TComponent* sender);
  /// Picks the BDE alias file.
  void btAliasFileNameClick(TComponent* sender);
  /// Adds a rule file picked with the open dialog to the rule-file field.
  void btRuleFileNamesClick(TComponent* sender);

 protected:
  /// The folder and rule-file histories, and the two configuration-file
  /// histories when the chosen library uses them.
  void UpdateHistories() override;
  /// The library chosen on the first page, not the catalogue's twelve names.
  std::u16string SummarySourceName() override;
};

}  // namespace zan
