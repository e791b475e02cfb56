#include "engine/files/LogWriter.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

// ----- date and time

TLocalDateTime LocalNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto sinceEpoch = now.time_since_epoch();
  int ms = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,  local.tm_hour,
          local.tm_min,         local.tm_sec,     ms < 0 ? 0 : ms};
}

std::u16string FormatLogDateTime(const TLocalDateTime& time) {
  char text[64];
  if (time.Hour == 0 && time.Minute == 0 && time.Second == 0 && time.Millisecond == 0)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.Year, time.Month, time.Day);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.Year, time.Month,
                  time.Day, time.Hour, time.Minute, time.Second);
  return U16(text);
}

// ----- TLogWriter

TLogWriter::TLogWriter(TFileSystem* fs, int codePage) : FFileSystem(fs), FCodePage(codePage) {}

TLogWriter::~TLogWriter() {
  CloseLogFile();
}

void TLogWriter::OpenLogFile(std::u16string_view fileName) {
  CloseLogFile();
  std::unique_ptr<TWritableFile> file;
  Assert(FFileSystem != nullptr, "MigWizard\\FileUtils");
  FFileSystem->OpenForWriting(fileName, file).Check();
  FLogFile = std::move(file);
  FLogFileName = fileName;
  if (!FHeader.empty()) WriteLine(FHeader);
  WriteLine(FCreationTimeString + u" " + FormatLogDateTime(FClock()));
}

void TLogWriter::CloseLogFile() {
  if (!FLogFile) return;
  (void)FLogFile->Close();
  FLogFile.reset();
  FLogFileName.clear();
}

void TLogWriter::WriteLine(std::u16string_view str) {
  if (!FLogFile) return;
  std::u16string text;
  if (str == u" ") {
    text = u"\r\n";
  } else {
    text = str;
    if (str.empty() || (str.back() != u'\r' && str.back() != u'\n')) text += u"\r\n";
  }
  if (FEmptyLineAfterString) text += u"\r\n";
  std::string bytes = UnicodeToAnsi(text, FCodePage);
  Write(bytes.data(), bytes.size());
}

void TLogWriter::Write(const void* buffer, size_t size) {
  if (!FLogFile) return;
  FLogFile->Append(std::string_view(static_cast<const char*>(buffer), size)).Check();
}

}  // namespace zan
