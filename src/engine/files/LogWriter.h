// TLogWriter: the run log "Wiz_Log.txt", and the clock it stamps it with.
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
/// the run's ANSI code page (unrepresentable characters become "?"), without a
/// byte-order mark. While no file is open every write is dropped, so the
/// engine may log unconditionally. Owns the open file; the destructor closes it.
class TLogWriter {
 public:
  /// `fs` (where the log is written) is not owned and must outlive the
  /// writer; it must be set before a file is opened. A run sets its own
  /// code page (SetCodePage) before it opens the log.
  explicit TLogWriter(TFileSystem* fs = nullptr, int codePage = 1252);
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
  void SetFileSystem(TFileSystem* fs) { FFileSystem = fs; }
  void SetClock(TClock clock) { FClock = std::move(clock); }
  const TClock& Clock() const { return FClock; }
  int CodePage() const { return FCodePage; }
  void SetCodePage(int codePage) { FCodePage = codePage; }

 private:
  TFileSystem* FFileSystem;
  int FCodePage;
  std::unique_ptr<TWritableFile> FLogFile;
  std::u16string FLogFileName;
  std::u16string FHeader;
  std::u16string FCreationTimeString = u"Log created at:";
  bool FEmptyLineAfterString = false;
  TClock FClock = LocalNow;
};

}  // namespace zan
