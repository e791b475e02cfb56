// A file of a project as the host shows it: a unit or a text form decoded
// from its encoding, a binary form as the text the engine's form reader
// makes of it.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"

namespace zan {

/// The text of one file of the project as the editor shows it.
struct TFileBuffer {
  std::u16string FileName;
  std::u16string Text;
  TTextEncoding Encoding = TTextEncoding::Ansi;
  bool Modified = false;
  /// A binary form shown as text: never written back.
  bool ReadOnly = false;
  /// Why the file could not be read (the buffer is then empty and read-only).
  std::u16string Error;
};

/// Reads `fileName` through `fs`. `kindName` tells by its extension what the
/// file is (a backup "Main.~dfm" is read as the form "Main.dfm" it copies);
/// empty: `fileName` itself. Never throws: a failure is the buffer's Error.
TFileBuffer ReadFileAsText(TFileSystem& fs, const std::u16string& fileName,
                           std::u16string_view kindName = {});

}  // namespace zan
