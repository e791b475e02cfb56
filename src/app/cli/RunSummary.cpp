#include "app/cli/RunSummary.h"

#include <algorithm>
#include <map>
#include <vector>

#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan::cli {

namespace {

/// The `count` most frequent dropped property names, most frequent first
/// (ties in name order), as "Name N, Name N".
std::string MostDropped(const TRunReport& report, size_t count, int& total) {
  std::map<std::u16string, int> counts;
  total = 0;
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects)
    for (const std::u16string& name : object.DroppedProperties) {
      ++counts[name];
      ++total;
    }
  std::vector<std::pair<std::u16string, int>> ranked(counts.begin(), counts.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string text;
  for (size_t i = 0; i < ranked.size() && i < count; ++i) {
    if (i > 0) text += ", ";
    text += Utf16ToUtf8(ranked[i].first) + " " + std::to_string(ranked[i].second);
  }
  return text;
}

}  // namespace

std::string FormatOutsideUnits(const TRunReport& report) {
  const std::u16string root = IncludeTrailingPathDelimiter(report.RootFolder);
  std::string lines;
  int count = 0;
  for (const TRunReport::TFileEntry& file : report.Files) {
    if (file.Reason.empty() || report.RootFolder.empty() || file.FileName.starts_with(root))
      continue;
    ++count;
    lines += "  " + Utf16ToUtf8(file.FileName) + " (" + Utf16ToUtf8(file.Reason) + ")\n";
  }
  if (count == 0) return {};
  return "Units outside the project folder: " + std::to_string(count) + "\n" + lines;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string FormatRunSummary(const TRunReport& report, const std::u16string& reportFile) {
  int converted = 0;
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects)
    converted += object.Converted;
  const int left = static_cast<int>(report.FormObjects.size()) - converted;
  int dropped = 0;
  const std::string most = MostDropped(report, 5, dropped);
  std::string text;
  text += "Files: " + std::to_string(report.Files.size()) + " processed, " +
          std::to_string(report.ChangedFileCount()) + " changed.\n";
  text += FormatOutsideUnits(report);
  text += "Form objects: " + std::to_string(converted) + " converted, " + std::to_string(left) +
          " left as they were.\n";
  text += "Properties dropped: " + std::to_string(dropped) +
          (most.empty() ? std::string() : " (" + most + ")") + ".\n";
  text += "Warnings: " + std::to_string(report.Warnings.size()) + ".\n";
  if (!report.Todo.empty())
    text += std::to_string(report.Todo.size()) +
            " places need your attention (the report's to-do list; `zanmig todo REPORT.json` "
            "lists them).\n";
  if (!report.LogFile.empty()) text += "Log: " + Utf16ToUtf8(report.LogFile) + "\n";
  if (!reportFile.empty()) text += "Report: " + Utf16ToUtf8(reportFile) + "\n";
  if (!report.UndoFile.empty()) {
    const std::string undo = Utf16ToUtf8(report.UndoFile);
    text += "Undo file: " + undo + "\n";
    text += "To undo the run: zanmig restore " + ShellQuoted(undo) + "\n";
  }
  return text;
}

}  // namespace zan::cli
