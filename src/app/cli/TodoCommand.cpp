// zanmig todo: the to-do list of a run's report as a checklist, one line a
// place, grouped by file in the order the run found them.
#include <cstdint>
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
  std::string File, What, Action;
  int64_t Line = 0, Column = 0;
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
  for (auto [key, field] :
       {std::pair{"file", &item.File}, {"what", &item.What}, {"action", &item.Action}}) {
    const auto found = json.find(key);
    if (found == json.end() || found->is_null()) continue;
    if (!found->is_string()) fail("has a \"" + std::string(key) + "\" that is not a string");
    *field = found->get<std::string>();
  }
  for (auto [key, field] : {std::pair{"line", &item.Line}, {"column", &item.Column}}) {
    const auto found = json.find(key);
    if (found == json.end() || found->is_null()) continue;
    if (!found->is_number_integer())
      fail("has a \"" + std::string(key) + "\" that is not a whole number");
    *field = found->get<int64_t>();
  }
  return item;
}

int PrintTodo(const std::string& reportArgument) {
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
  std::string file;
  for (const TTodoItem& item : items) {
    if (item.File != file) {
      std::cout << (file.empty() ? "" : "\n") << DisplayText(item.File, kShownText) << "\n";
      file = item.File;
    }
    std::cout << "  [ ] ";
    if (item.Line > 0) std::cout << item.Line << ":" << item.Column << ": ";
    std::cout << DisplayText(item.What, kShownText) << " -- "
              << DisplayText(item.Action, kShownText) << "\n";
  }
  std::cout << (todo.empty() ? "" : "\n") << todo.size() << " places need your attention.\n";
  return kExitSuccess;
}

}  // namespace

TCommandRun AddTodoCommand(CLI::App& app) {
  auto report = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "todo", "List the places a replace run left for you, from its --report file.");
  cmd->add_option("REPORT", *report, "the JSON report of a replace run (--report)")->required();
  cmd->footer(
      "Example:\n  zanmig replace --library IBX --dir app --report run.json\n"
      "  zanmig todo run.json");
  return [report] { return PrintTodo(*report); };
}

}  // namespace zan::cli
