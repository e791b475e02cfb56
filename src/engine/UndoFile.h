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

/// The undo file's bytes for the `name=value` lines of `undoList`.
/// `codePage` 0: the process's ANSI code page.
std::string EncodeUndoFile(const TStringList& undoList, int codePage = 0);

/// The lines of an undo file's bytes (a final line break adds no line).
TStringList DecodeUndoFile(std::string_view bytes, std::u16string_view fileName, int codePage = 0);

/// Splits an undo line into original and backup. The first "=" separates
/// them, unless the original's path holds "=" itself: then the split whose
/// backup is named like the original's backup and exists is taken
/// (`backupExists` tells whether a file exists).
template <typename TExists>
void SplitUndoLine(std::u16string_view line, TExists backupExists, std::u16string& original,
                   std::u16string& backup);

/// Unit1.pas -> Unit1.~pas (the name part only), for SplitUndoLine.
bool LooksLikeBackupOf(std::u16string_view original, std::u16string_view backup);

template <typename TExists>
void SplitUndoLine(std::u16string_view line, TExists backupExists, std::u16string& original,
                   std::u16string& backup) {
  const size_t first = line.find(u'=');
  if (first == std::u16string_view::npos) {
    original.assign(line);
    backup.clear();
    return;
  }
  for (size_t eq = first; eq != std::u16string_view::npos; eq = line.find(u'=', eq + 1)) {
    const std::u16string_view name = line.substr(0, eq);
    const std::u16string_view value = line.substr(eq + 1);
    if (LooksLikeBackupOf(name, value) && backupExists(value)) {
      original.assign(name);
      backup.assign(value);
      return;
    }
  }
  original.assign(line.substr(0, first));
  backup.assign(line.substr(first + 1));
}

}  // namespace zan
