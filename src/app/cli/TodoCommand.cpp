// zanmig todo: the to-do list of a run's report, one line a place in the
// order the run found them, as a compiler prints its messages
// (`file:line:column: kind: what -- action`), so that editors and grep can
// take them; or the entries as JSON.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "app/cli/Commands.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

// What a report says is shown cut to this many characters, with control
// characters escaped: the file may hold anything.
constexpr size_t kShownText = 1000;

struct TTodoItem {
  std::string Kind, File, What, Action;
  int64_t Line = 0, Column = 0, Count = 1;
};

/// The to-do item `number` (from 1) of the report `path`. A field of the wrong
/// type is an error naming the file, the item and the field; a missing one is
/// empty (or 0).
TTodoItem ReadTodoItem(const nlohmann::json& json, const std::u16string& path, size_t number) {
  auto fail = [&](const std::string& what) -> void {
    throw Exception("\"" + Utf16ToUtf8(path) + "\": to-do item " + std::to_string(number) + " " +
                    what);
  };
  if (!json.is_object()) fail("is not an object");
  TTodoItem item;
  for (auto [key, field] : {std::pair{"kind", &item.Kind},
                            {"file", &item.File},
                            {"what", &item.What},
                            {"action", &item.Action}}) {
    const auto found = json.find(key);
    if (found == json.end() || found->is_null()) continue;
    if (!found->is_string()) fail("has a \"" + std::string(key) + "\" that is not a string");
    *field = found->get<std::string>();
  }
  for (auto [key, field] :
       {std::pair{"line", &item.Line}, {"column", &item.Column}, {"count", &item.Count}}) {
    const auto found = json.find(key);
    if (found == json.end() || found->is_null()) continue;
    if (!found->is_number_integer())
      fail("has a \"" + std::string(key) + "\" that is not a whole number");
    *field = found->get<int64_t>();
  }
  return item;
}

/// The file of an item as an editor started in the current folder opens it:
/// relative to that folder when the file lies below it, else absolute (a
/// relative name in the report is taken from the report's folder).
std::string ShownFile(const std::string& file, const std::filesystem::path& reportFolder,
                      const std::filesystem::path& current) {
  namespace fs = std::filesystem;
  if (file.empty()) return file;
  fs::path path(file);
  if (path.is_relative()) path = reportFolder / path;
  path = path.lexically_normal();
  if (current.empty() || current == current.root_path()) return path.string();
  const fs::path relative = path.lexically_relative(current);
  if (!relative.empty() && *relative.begin() != "..") return relative.string();
  return path.string();
}

nlohmann::ordered_json ItemJson(const TTodoItem& item) {
  return {{"kind", item.Kind},     {"file", item.File},   {"line", item.Line},
          {"column", item.Column}, {"count", item.Count}, {"what", item.What},
          {"action", item.Action}};
}

int PrintTodo(const std::string& reportArgument, bool json) {
  const std::u16string path = CommandLinePath(reportArgument);
  std::string bytes;
  if (TFileStatus status = RealFileSystem().Read(path, bytes); !status)
    throw EFileError(Utf16ToUtf8(path).insert(0, "Cannot read report \"") + "\". " +
                     FileErrorText(status.Code()));
  nlohmann::json report;
  try {
    report = nlohmann::json::parse(bytes);
  } catch (const nlohmann::json::exception&) {
    throw Exception("\"" + Utf16ToUtf8(path) + "\" is not a report of zanmig (not JSON)");
  }
  if (!report.is_object() || !report.contains("todo") || !report["todo"].is_array())
    throw Exception("\"" + Utf16ToUtf8(path) + "\" holds no to-do list (a report of zanmig 1?)");
  const auto& todo = report["todo"];
  // Every item is checked before anything is printed.
  std::vector<TTodoItem> items;
  for (size_t i = 0; i < todo.size(); ++i) items.push_back(ReadTodoItem(todo[i], path, i + 1));
  if (json) {
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const TTodoItem& item : items) entries.push_back(ItemJson(item));
    // Texts that are not UTF-8 come out with U+FFFD rather than failing.
    std::cout << entries.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitSuccess;
  }
  std::error_code ec;
  const std::filesystem::path current = std::filesystem::current_path(ec);
  const std::filesystem::path reportFolder = std::filesystem::path(Utf16ToUtf8(path)).parent_path();
  // The places, then how many of each kind in the order the kinds came.
  std::vector<std::pair<std::string, size_t>> kinds;
  for (const TTodoItem& item : items) {
    const std::string file = ShownFile(item.File, reportFolder, current);
    if (!file.empty()) std::cout << DisplayText(file, kShownText) << ":";
    if (item.Line > 0) std::cout << item.Line << ":" << item.Column << ":";
    if (!file.empty() || item.Line > 0) std::cout << " ";
    const std::string kind = item.Kind.empty() ? "todo" : item.Kind;
    std::cout << DisplayText(kind, kShownText) << ": " << DisplayText(item.What, kShownText);
    if (!item.Action.empty()) std::cout << " -- " << DisplayText(item.Action, kShownText);
    std::cout << "\n";
    auto counted = std::find_if(kinds.begin(), kinds.end(),
                                [&](const auto& entry) { return entry.first == kind; });
    if (counted == kinds.end())
      kinds.emplace_back(kind, 1);
    else
      ++counted->second;
  }
  if (!items.empty()) std::cout << "\n";
  for (const auto& [kind, count] : kinds)
    std::cout << std::setw(6) << count << " " << DisplayText(kind, kShownText) << "\n";
  std::cout << items.size() << " places need your attention.\n";
  return kExitSuccess;
}

}  // namespace

TCommandRun AddTodoCommand(CLI::App& app) {
  auto report = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand(
      "todo", "List the places a replace run left for you, from its --report file.");
  cmd->add_option("REPORT", *report, "the JSON report of a replace run (--report)")->required();
  cmd->add_flag("--json", *json, "print the entries as a JSON array instead");
  cmd->footer(
      "Prints one line a place, as compilers do: FILE:LINE:COLUMN: KIND: WHAT -- ACTION\n"
      "(FILE: KIND: ... for a place without a line), then how many of each kind.\n"
      "FILE is relative to the current folder when the file lies below it.\n\n"
      "Example:\n  zanmig replace --library IBX --dir app --report run.json\n"
      "  zanmig todo run.json");
  return [report, json] { return PrintTodo(*report, *json); };
}

}  // namespace zan::cli
