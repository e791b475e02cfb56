// The fixed texts of the engine and the expert: log lines, messages and file
// names, exactly as users and scripts see them (typos included: scripts match
// "sucessfully" and "succefully").
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zan::res {

/// The text with each "%s" replaced by the next argument, in order.
inline std::u16string Fmt(std::u16string_view format,
                          std::initializer_list<std::u16string_view> args) {
  std::u16string result;
  auto arg = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' && arg != args.end()) {
      result += *arg++;
      ++i;
    } else {
      result += format[i];
    }
  }
  return result;
}

// File names.
inline constexpr std::u16string_view sUndoFileName = u"RExpert.reu";
inline constexpr std::u16string_view sLogFileName = u"Wiz_Log.txt";
inline constexpr std::u16string_view sBackupFolderName = u"RBackup";
inline constexpr std::u16string_view sTempFolderPrefix = u"$DS";

// The log.
inline constexpr std::u16string_view sLogHeaderSuffix = u" log";
inline constexpr std::u16string_view sLogCreatedAt = u"Created at:";
inline constexpr std::u16string_view sInitializingUnitList = u"Initializing unit list";
inline constexpr std::u16string_view sCreatingBackupFolder = u"Creating backup folder";
inline constexpr std::u16string_view sAllocatingTempFolder = u"Allocating temporary folder";
inline constexpr std::u16string_view sProcessingFile = u"Processing file: %s";
inline constexpr std::u16string_view sNoChanges = u"No changes";
inline constexpr std::u16string_view sChanges = u" change(s)";
inline constexpr std::u16string_view sReplacingOriginals =
    u"Replacing original files with changed versions";
inline constexpr std::u16string_view sBackupFile = u"Backup file: %s";
inline constexpr std::u16string_view sRemovingTempFolder = u"Removing temporary folder";
inline constexpr std::u16string_view sReplaceSucceeded =
    u"Replace procedure was performed sucessfully.";
inline constexpr std::u16string_view sReplaceFailed = u"Replace failed.";

// Results of a restore.
inline constexpr std::u16string_view sRestoreSucceeded = u"Files were succefully restored.";
inline constexpr std::u16string_view sRestoreFailed = u"Failed to restore files.";

// Errors.
inline constexpr std::u16string_view sFailedToCreateDirectory = u"Failed to create directory.";
inline constexpr std::u16string_view sFailedToCreateTempFolder =
    u"Failed to create a temporary folder in \"%s\".";
inline constexpr std::u16string_view sTempFolderUnavailable =
    u"Failed to create a temporary folder: the user's temporary folder is not available.";
inline constexpr std::u16string_view sBackupFailed =
    u"Failed to copy \"%s\" to the backup file \"%s\". %s";
inline constexpr std::u16string_view sUndoFileWriteFailed =
    u"Failed to write the undo file \"%s\". %s";
inline constexpr std::u16string_view sUndoFileReadFailed = u"Cannot read undo file \"%s\". %s";
inline constexpr std::u16string_view sUnitNotInProject =
    u"Unit \"%s\" is not a unit of project \"%s\".";
inline constexpr std::u16string_view sUnitFileMissing =
    u"Unit file \"%s\" of project \"%s\" does not exist.";
inline constexpr std::u16string_view sNoProjectOpen = u"No project is open.";
inline constexpr std::u16string_view sSameBareName =
    u"Files \"%s\" and \"%s\" have the same name; a project run keeps its changed files and "
    u"backups in one folder and cannot take both.";
inline constexpr std::u16string_view sCannotDecodeUnit = u"Cannot decode file \"%s\" as %s.";
inline constexpr std::u16string_view sCannotEncodeUnit =
    u"Cannot write file \"%s\" back in %s without changing its characters.";
inline constexpr std::u16string_view sFormFileMissing =
    u"Form file \"%s\" named in \"%s\" was not found; it is left out.";
inline constexpr std::u16string_view sFolderMissing = u"Folder \"%s\" does not exist.";

// A safe run: what it leaves alone, what it refuses.
inline constexpr std::u16string_view sFileLinkSkipped =
    u"File \"%s\" is a symbolic link; it is left as it is.";
inline constexpr std::u16string_view sFolderLinkSkipped =
    u"Folder \"%s\" is a symbolic link; it is not searched.";
inline constexpr std::u16string_view sLineBreakSkipped =
    u"File \"%s\" has a line break in its name, which the undo file cannot hold; it is left as "
    u"it is.";
inline constexpr std::u16string_view sSpecialFileSkipped =
    u"File \"%s\" is not a regular file (a pipe, device or socket); it is left as it is.";
inline constexpr std::u16string_view sRawNameSkipped =
    u"File \"%s\" has a name that is not valid UTF-8; it is left as it is.";
inline constexpr std::u16string_view sRawFolderNameSkipped =
    u"Folder \"%s\" has a name that is not valid UTF-8; it is not searched.";
inline constexpr std::u16string_view sUnitLeftForItsForm =
    u"Unit \"%s\" is left as it is, as is its form \"%s\".";
inline constexpr std::u16string_view sRunLocked =
    u"Another zanmig run (%s) is working on \"%s\"; nothing was changed. Try again when it "
    u"has finished.";
inline constexpr std::u16string_view sBackupFolderOfAnotherTree =
    u"Backup folder \"%s\" holds the backups of \"%s\", not of \"%s\" that this run works "
    u"on; nothing was changed. Give each tree a backup folder of its own.";
inline constexpr std::u16string_view sWritesThroughLink =
    u"\"%s\" is a symbolic link; a run never writes through a link. Nothing was changed.";
inline constexpr std::u16string_view sCannotReplaceOriginal =
    u"Cannot replace \"%s\": it is read-only, not a plain file, or its folder cannot be "
    u"written. No original was changed.";
inline constexpr std::u16string_view sPublishRolledBack =
    u"Cannot replace \"%s\". %s The originals replaced before it were put back: no original "
    u"was changed.";
inline constexpr std::u16string_view sPublishNotRolledBack =
    u"Cannot replace \"%s\". %s These originals were replaced and could not be put back: %s. "
    u"Restore them from the undo file \"%s\".";
inline constexpr std::u16string_view sFormLeft =
    u"Form file \"%s\" is left as it is, and so is the unit that names it (%s): %s";
inline constexpr std::u16string_view sNoUnitInFolder =
    u"No unit (.pas or .dpr) was found in folder \"%s\"%s; nothing was changed.";
inline constexpr std::u16string_view sUnitsInSubFolders =
    u" (its sub-folders hold units: include them, with --recursive on the command line)";
inline constexpr std::u16string_view sNoUnitInProject =
    u"No unit was selected in project \"%s\"; nothing was changed.";
inline constexpr std::u16string_view sLogNotViewed =
    u"The log \"%s\" could not be shown: no viewer could be started (xdg-open).";
inline constexpr std::u16string_view sRunInterrupted =
    u"The run was interrupted; no original was changed.";

// The expert and the wizard.
inline constexpr std::u16string_view sMigrationWizardSuffix = u" Migration Wizard";
inline constexpr std::u16string_view sRExpertItem = u"RExpertItem";
inline constexpr std::u16string_view sMigrationWizardItem = u"&Migration Wizard";
inline constexpr std::u16string_view sReplaceComponents = u"&Replace %s components";
inline constexpr std::u16string_view sExpertIDString = u"Kestova.%sMigrationWizard";
inline constexpr std::u16string_view sCannotStartReplace = u"Cannot start replace process.";
inline constexpr std::u16string_view sProjectNotSaved = u"Project was not saved.";
inline constexpr std::u16string_view sUndoFileMissing = u"Undo file \"%s\" does not exist.";
inline constexpr std::u16string_view sRegistryKeyBase = u"Software\\Kestova";

// A project's closure and the forms across the run's scope.
inline constexpr std::u16string_view sDescendantOutside =
    u"Form \"%s\" %s \"%s\", which is converted, but it lies outside the run's scope and "
    u"keeps its source classes; convert the two in one run.";
inline constexpr std::u16string_view sAncestorOutside =
    u"Form \"%s\" is converted, but it %s \"%s\", which lies outside the run's scope and keeps "
    u"its source classes; convert the two in one run.";
inline constexpr std::u16string_view sInheritsFrom = u"inherits from";
inline constexpr std::u16string_view sEmbedsFrame = u"embeds the frame";
inline constexpr std::u16string_view sInheritanceTodoAction =
    u"convert it in a run that takes both (a recursive folder run over a folder that holds "
    u"both, or a project that holds both units)";
inline constexpr std::u16string_view sSearchPathMacro =
    u"Search path entry \"%s\" of project \"%s\" holds a macro that cannot be expanded; no unit "
    u"is looked for there.";
inline constexpr std::u16string_view sUnitInSeveralFolders =
    u"Unit \"%s\" is found in several folders below the project folder; the run takes \"%s\" "
    u"(also found: %s).";

}  // namespace zan::res
