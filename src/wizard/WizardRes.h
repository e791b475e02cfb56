// The fixed texts of the wizard forms and the save warning, exactly as users
// see them (typos included), and the names of their settings values. The
// texts shared with the engine and the expert are in engine/report/RExpertRes.h.
// Formats use "%s" for every argument (res::Fmt); numbers are passed as text.
#pragma once

#include <string_view>

#include "engine/report/RExpertRes.h"

namespace zan::res {

// The wizard's frame.
inline constexpr std::u16string_view sWizardDesignCaption = u"BDE Migration Wizard";
inline constexpr std::u16string_view sWizardStepCaption = u"%s Migration Wizard - Step %s of %s";
inline constexpr std::u16string_view sBack = u"< Back";
inline constexpr std::u16string_view sNext = u"Next >";
inline constexpr std::u16string_view sFinish = u"Finish";
inline constexpr std::u16string_view sCancel = u"Cancel";
inline constexpr std::u16string_view sUndoFilesFilter =
    u"Undo files (*.reu)|*.reu|All files (*.*)|*.*";
inline constexpr std::u16string_view sSelectDirectory = u"Select directory";

// Step 1.
inline constexpr std::u16string_view sWelcome = u"Welcome to Migration Wizard";
inline constexpr std::u16string_view sWelcomeText =
    u"Wizard facilitates converting your application to %s. It replaces all standard %s "
    u"components to corresponding %s components. You may need to make some changes manually "
    u"to compile your application successfully.";
inline constexpr std::u16string_view sBackupAdvice =
    u"If any problem occurs during the migration process, you can restore your project from "
    u"backup files. However, it is highly recommended to make a reserved copy of your project "
    u"before running the migration process.";
inline constexpr std::u16string_view sStep1 = u"Step 1 - Select mode";
inline constexpr std::u16string_view sModeRestore = u"R&estore original files from backup";

// Step 2, restore.
inline constexpr std::u16string_view sStep2Restore = u"Step 2 - Select backup file";
inline constexpr std::u16string_view sBackupFileLabel = u"&Backup file:";
inline constexpr std::u16string_view sRestoreBrowse = u"Bro&wse...";
inline constexpr std::u16string_view sBackupFileNote =
    u"Note: Backup file is created while replacing if 'Make backup' option is selected.";

// Step 2, replace.
inline constexpr std::u16string_view sStep2Replace = u"Step 2 - Select location of files to search";
inline constexpr std::u16string_view sDestProject = u"&Current open project";
inline constexpr std::u16string_view sDestFolder = u"&Disk folder";
inline constexpr std::u16string_view sDestNote =
    u"Note: Using 'Current open project' option gives more information about files.";

// Step 3.
inline constexpr std::u16string_view sStep3Project = u"Step 3 - Select units to replace components";
inline constexpr std::u16string_view sSelectAll = u"Select All";
inline constexpr std::u16string_view sDeselectAll = u"Deselect All";
inline constexpr std::u16string_view sStep3Folder = u"Step 3 - Select folder to search units";
inline constexpr std::u16string_view sTargetFolder = u"Target &folder:";
inline constexpr std::u16string_view sBrowseFolder = u"&Browse...";
inline constexpr std::u16string_view sIncludeSubfolders = u"Include &subfolders";

// Step 4.
inline constexpr std::u16string_view sStep4 = u"Step 4 - Set advanced options";
inline constexpr std::u16string_view sMakeBackup = u"&Make backup";
inline constexpr std::u16string_view sBackupFolder = u"Backup &folder:";
inline constexpr std::u16string_view sWriteLog = u"&Write log";
inline constexpr std::u16string_view sLogNote =
    u"Note: Log file will be placed in project folder or target folder you selected.";
inline constexpr std::u16string_view sViewLogAfterReplace = u"View log after replace";
inline constexpr std::u16string_view sFixCode = u"Fix renamed members in the code";
inline constexpr std::u16string_view sSummaryFixCode = u"Fix renamed members in the code";

// Step 5.
inline constexpr std::u16string_view sStep5 = u"Step 5 - Start units converting";
inline constexpr std::u16string_view sReviewNote =
    u"If you want to review or change any settings, click Back. Otherwise click Finish to start "
    u"replacing.";
inline constexpr std::u16string_view sSummaryLabel = u"Summary:";
// The last page of the restore path (step 3 of 3).
inline constexpr std::u16string_view sStep3RestoreSummary = u"Step 3 - Start restoring files";
inline constexpr std::u16string_view sRestoreReviewNote =
    u"If you want to review or change any settings, click Back. Otherwise click Finish to start "
    u"restoring.";

// Validation.
inline constexpr std::u16string_view sTargetDirMissing = u"Target directory \"%s\" does not exist.";
inline constexpr std::u16string_view sSelectOneUnit = u"At least one unit should be selected.";

// Summaries.
inline constexpr std::u16string_view sSummaryMode = u"Mode: ";
inline constexpr std::u16string_view sSummaryRestore = u"Restore original files from backup";
inline constexpr std::u16string_view sSummaryUndoFile = u"Undo file: \"%s\"";
inline constexpr std::u16string_view sSummaryReplace = u"Replace %s components";
inline constexpr std::u16string_view sSummaryScan = u"Scan destination: ";
inline constexpr std::u16string_view sSummaryProject = u"Current open project";
inline constexpr std::u16string_view sSummaryFolder = u"Folder \"%s\"";
inline constexpr std::u16string_view sSummaryBackupDir = u"Backup dir: \"%s\"";
inline constexpr std::u16string_view sSummaryWriteLog = u"Write log file";
inline constexpr std::u16string_view sSummaryViewLog = u"View log afer replace";
inline constexpr std::u16string_view sSummaryUnits = u"Units list:";
inline constexpr std::u16string_view sSummaryConnectionDef = u"Connection Definition File:";
inline constexpr std::u16string_view sSummaryDriverConfig = u"Driver configuration  File:";
inline constexpr std::u16string_view sSummaryAliasFile = u"BDE Alias File:";

// The target wizard.
inline constexpr std::u16string_view sZanWizardDesignCaption = u"Zanthe Migration Wizard";
inline constexpr std::u16string_view sZanModeReplace = u"&Replace components";
inline constexpr std::u16string_view sZanWelcomeText =
    u"Wizard facilitates converting your application to Zanthe. It replaces BDE, IBX, ADO, "
    u"dbGo, Kyrel, Fenmark, Sarvo, Trindle, Elvast, Wenrod, AnyDAC, FireDAC, FIBPlus components "
    u"to corresponding Zanthe components. You may need to make some changes manually to compile "
    u"your application successfully.";
inline constexpr std::u16string_view sConnectionDefLabel = u"Connection Definition File Name: ";
inline constexpr std::u16string_view sDriverConfigLabel = u"Driver Configuration File Name";
inline constexpr std::u16string_view sAliasFileLabel = u"BDE Alias File Name";
inline constexpr std::u16string_view sBrowse = u"Browse...";
inline constexpr std::u16string_view sIniFilter = u"(*.ini)|*.ini";
inline constexpr std::u16string_view sRuleFilesLabel = u"Rule Files (separated by \";\"):";
inline constexpr std::u16string_view sRuleFileFilter = u"(*.toml)|*.toml";
inline constexpr std::u16string_view sSummaryRuleFiles = u"Rule Files:";

// The save warning.
inline constexpr std::u16string_view sSaveWarnQuestion =
    u"All modified files will be saved. Continue?";
inline constexpr std::u16string_view sNoteLabel = u"Note:";
inline constexpr std::u16string_view sDontAsk = u"&Don't ask me this again";
inline constexpr std::u16string_view sYes = u"&Yes";
inline constexpr std::u16string_view sNo = u"&No";
inline constexpr std::u16string_view sFormsHidden = u"Project forms will be hidden.";
inline constexpr std::u16string_view sProjectClosed = u"Current project will be closed.";
inline constexpr std::u16string_view sRestoreQuestion =
    u"Old files will be restored from backup. Continue?";
inline constexpr std::u16string_view sSaveQuestion = u"Current project will be saved. Continue?";

// Names of settings values.
inline constexpr std::u16string_view sValLeft = u"Left";
inline constexpr std::u16string_view sValTop = u"Top";
inline constexpr std::u16string_view sValDirHistory = u"DirHistory";
inline constexpr std::u16string_view sValBackDirHistory = u"BackDirHistory";
inline constexpr std::u16string_view sValReplaceMode = u"ReplaceMode";
inline constexpr std::u16string_view sValLastUndo = u"LastUndo";
inline constexpr std::u16string_view sValConnectionDefFileName = u"ConnectionDefFileName";
inline constexpr std::u16string_view sValDriverConfFileName = u"DriverConfFileName";
inline constexpr std::u16string_view sValRuleFileNames = u"RuleFileNames";
inline constexpr std::u16string_view sValAliasFileName = u"AliasFileName";
inline constexpr std::u16string_view sValReplaceProjWarn = u"ReplaceProjWarn";
inline constexpr std::u16string_view sValReplaceDirWarn = u"ReplaceDirWarn";
inline constexpr std::u16string_view sValRestoreProjWarn = u"RestoreProjWarn";
inline constexpr std::u16string_view sValRestoreDirWarn = u"RestoreDirWarn";

}  // namespace zan::res
