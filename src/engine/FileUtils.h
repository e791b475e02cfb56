// The run log and the file utilities of the migration engine.
//
// Paths are engine paths (UTF-16, native separator "/", see rtl/Paths.h). Every
// disk access goes through a TFileSystem: the one passed in, else the
// process-wide CurrentFileSystem() at the time of the call.
// The utilities never raise for file-system failures: they report through
// their results (false, or an empty path). They refuse relative paths (a
// result of false / nothing done), so nothing is ever written relative to the
// current folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "rtl/FileSystem.h"

namespace zan {

/// A local date and time, as the log shows it.
struct TLocalDateTime {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

/// Where the log writer takes the current time from (replaceable in tests).
using TClock = std::function<TLocalDateTime()>;
/// The system's local time.
TLocalDateTime LocalNow();
/// "yyyy-mm-dd hh:nn:ss"; only "yyyy-mm-dd" at exactly midnight.
std::u16string FormatLogDateTime(const TLocalDateTime& time);

/// TLogWriter: the plain-text run log. Lines end with CRLF and are written in
/// the ANSI code page (unrepresentable characters become "?"), without a
/// byte-order mark. While no file is open every write is dropped, so the
/// engine may log unconditionally. Owns the open file; the destructor closes it.
class TLogWriter {
 public:
  /// `fs` is not owned; nullptr means CurrentFileSystem() when the log is opened.
  explicit TLogWriter(TFileSystem* fs = nullptr);
  ~TLogWriter();
  TLogWriter(const TLogWriter&) = delete;
  TLogWriter& operator=(const TLogWriter&) = delete;

  /// Creates (or truncates) the file and writes the header line (when not
  /// empty) and the creation-time line. A log still open is closed first.
  /// Throws EFileError naming the file when it cannot be created or written.
  void OpenLogFile(std::u16string_view fileName);
  /// Closes the file; harmless when none is open. Never throws (it runs in
  /// clean-ups); a failed close loses at most the last lines.
  void CloseLogFile();
  bool IsOpen() const { return FLogFile != nullptr; }

  /// Appends `str` and a line end (none when `str` already ends with CR or LF;
  /// a lone blank " " gives an empty line), then one more line end when
  /// EmptyLineAfterString is on. Throws EFileError on a write error.
  void WriteLine(std::u16string_view str);
  /// Appends raw bytes. Throws EFileError on a write error.
  void Write(const void* buffer, size_t size);

  const std::u16string& Header() const { return FHeader; }
  void SetHeader(std::u16string_view value) { FHeader = value; }
  const std::u16string& CreationTimeString() const { return FCreationTimeString; }
  void SetCreationTimeString(std::u16string_view value) { FCreationTimeString = value; }
  bool EmptyLineAfterString() const { return FEmptyLineAfterString; }
  void SetEmptyLineAfterString(bool value) { FEmptyLineAfterString = value; }
  void SetClock(TClock clock) { FClock = std::move(clock); }

 private:
  TFileSystem* FFileSystem;
  std::unique_ptr<TWritableFile> FLogFile;
  std::u16string FLogFileName;
  std::u16string FHeader;
  std::u16string FCreationTimeString = u"Log created at:";
  bool FEmptyLineAfterString = false;
  TClock FClock = LocalNow;
};

/// The folder, a "/" unless the folder is empty or ends with one, and the name;
/// a name longer than one character loses a leading "/". An empty name gives
/// the folder with its trailing "/".
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

/// Unit1.pas -> Unit1.~pas; a name without extension (or ending in a bare dot)
/// gets ".~". Works on whole paths.
std::u16string MakeBackupName(std::u16string_view fileName);

/// Creates the folder and every missing parent; true when each step was
/// created or already existed (an existing file of that name counts too).
/// Roots ("/", "C:/") are never created. False for a relative path.
bool ForceFolder(std::u16string_view path, TFileSystem* fs = nullptr);

/// Creates a new empty folder in the user's temporary folder named from the
/// first three characters of `prefix` and a number in upper-case hexadecimal
/// ($DS1, $DS2, ... $DSA, ...), the first free one from `firstNumber` on.
/// Returns its path, or an empty string when none can be created; callers
/// must turn that into an error.
std::u16string CreateTempFolder(std::u16string_view prefix, unsigned firstNumber,
                                TFileSystem* fs = nullptr);

/// Copies every file and sub-folder of `source` into `dest`, recursively,
/// creating folders and overwriting files (each copy is atomic). A failed
/// copy or folder does not stop the others; the result is false when anything
/// failed, or when `source` cannot be listed.
bool CopyFolderTree(std::u16string_view source, std::u16string_view dest,
                    TFileSystem* fs = nullptr);

/// Moves every file of `source` to the same place under `dest` with MoveFile
/// (a rename where one file system holds both), creating folders and replacing
/// files; the folders of `source` stay, empty. Failures as CopyFolderTree.
bool MoveFolderTree(std::u16string_view source, std::u16string_view dest,
                    TFileSystem* fs = nullptr);

/// Deletes everything under `folder` and the folder itself; single failures
/// are skipped; the result is whether the folder itself was removed. A
/// symbolic link is removed as a link, never entered.
bool DeleteFolderTree(std::u16string_view folder, TFileSystem* fs = nullptr);

}  // namespace zan
