// zanmig todo: the to-do list of a run's report as a checklist, one line a
// place, grouped by file in the order the run found them.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/Commands.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

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
  std::string file;
  for (const auto& item : todo) {
    const std::string itemFile = item.value("file", "");
    if (itemFile != file) {
      std::cout << (file.empty() ? "" : "\n") << itemFile << "\n";
      file = itemFile;
    }
    std::cout << "  [ ] ";
    if (item.value("line", 0) > 0)
      std::cout << item.value("line", 0) << ":" << item.value("column", 0) << ": ";
    std::cout << item.value("what", "") << " -- " << item.value("action", "") << "\n";
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
