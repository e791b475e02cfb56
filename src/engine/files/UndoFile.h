// The undo file "RExpert.reu": one line per changed file, the original's full
// path, "=" and its backup's full path, each line ended by CR LF (the last
// one too).
//
// It is written in the ANSI code page without a byte-order mark, unless a
// path cannot be represented there: then the whole file is UTF-8 with a
// byte-order mark, so that no path is ever stored damaged. Reading accepts
// both (and UTF-16LE with its mark). Restore and its listing read the file
// through ReadUndoEntries (UndoReader.h).
#pragma once

#include <string>
#include <string_view>

#include "rtl/StringList.h"

namespace zan {

/// The undo file's bytes for the `name=value` lines of `undoList`, in the
/// ANSI code page `codePage`.
std::string EncodeUndoFile(const TStringList& undoList, int codePage);

/// The lines of an undo file's bytes (a final line break adds no line);
/// bytes without a byte-order mark are read in the ANSI code page `codePage`.
TStringList DecodeUndoFile(std::string_view bytes, std::u16string_view fileName, int codePage);

/// Splits an undo line into original and backup. The first "=" separates
/// them, unless the original's path holds "=" itself: then the split whose
/// backup is named like the original's backup and exists is taken
/// (`backupExists` tells whether a file exists). One pass over the line,
/// plus one `backupExists` call for each split whose names match.
template <typename TExists>
void SplitUndoLine(std::u16string_view line, TExists backupExists, std::u16string& original,
                   std::u16string& backup);

/// Unit1.pas -> Unit1.~pas (the name part only), for SplitUndoLine.
bool LooksLikeBackupOf(std::u16string_view original, std::u16string_view backup);

/// Whether splitting `line` at the "=" at `eq` gives an original and a
/// backup named after it (LooksLikeBackupOf), in time bounded by the
/// shorter file name: `slash` is the position of the last "/" before `eq`
/// and `lastSlash` that of the line's last "/" (npos: none).
bool SplitNamesBackup(std::u16string_view line, size_t eq, size_t slash, size_t lastSlash);

template <typename TExists>
void SplitUndoLine(std::u16string_view line, TExists backupExists, std::u16string& original,
                   std::u16string& backup) {
  const size_t first = line.find(u'=');
  if (first == std::u16string_view::npos) {
    original.assign(line);
    backup.clear();
    return;
  }
  const size_t lastSlash = line.rfind(u'/');
  size_t slash = std::u16string_view::npos;  // the last "/" before `eq`
  size_t scanned = 0;
  for (size_t eq = first; eq != std::u16string_view::npos; eq = line.find(u'=', eq + 1)) {
    for (; scanned < eq; ++scanned)
      if (line[scanned] == u'/') slash = scanned;
    if (SplitNamesBackup(line, eq, slash, lastSlash) && backupExists(line.substr(eq + 1))) {
      original.assign(line.substr(0, eq));
      backup.assign(line.substr(eq + 1));
      return;
    }
  }
  original.assign(line.substr(0, first));
  backup.assign(line.substr(first + 1));
}

}  // namespace zan
