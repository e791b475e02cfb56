// Running the built `zanmig` as a program in a scratch folder, and comparing
// folders, for the end-to-end tests of the command line. The tests skip when
// the executable has not been built.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "common/TestUtil.h"
#include "support/JsonSchema.h"

namespace zan::test {

struct TCliRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

/// Runs zanmig with `args` (shell words) in `folder`; stdin is empty. A run
/// still going after two minutes is killed (Exit -1).
inline TCliRun RunZanmig(const std::filesystem::path& folder, const std::string& args) {
  const char* exe = std::getenv("ZANMIG_EXE");
  const std::filesystem::path program =
      exe ? std::filesystem::path(exe) : std::filesystem::path(ZAN_BINARY_DIR) / "zanmig";
  const std::filesystem::path out = folder.parent_path() / (folder.filename().string() + ".out");
  const std::filesystem::path err = folder.parent_path() / (folder.filename().string() + ".err");
  // Killed rather than left hanging: a run that waits on a pipe fails the test.
  const std::string command = "cd '" + folder.string() + "' && timeout -s KILL 120 '" +
                              program.string() + "' " + args + " >'" + out.string() + "' 2>'" +
                              err.string() + "' </dev/null";
  const int status = std::system(command.c_str());
  TCliRun run;
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = ReadFileBytes(out);
  run.Err = ReadFileBytes(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

inline bool ZanmigBuilt() {
  const char* exe = std::getenv("ZANMIG_EXE");
  return std::filesystem::exists(exe ? std::filesystem::path(exe)
                                     : std::filesystem::path(ZAN_BINARY_DIR) / "zanmig");
}

/// The report written at `file`, checked against doc/report.schema.json.
inline nlohmann::json ReadValidReport(const std::filesystem::path& file) {
  nlohmann::json report = nlohmann::json::parse(ReadFileBytes(file));
  for (const std::string& violation : SchemaViolations(report, ReportSchema(ZAN_SOURCE_DIR)))
    ADD_FAILURE() << file.string() << ": " << violation;
  return report;
}

#define ZAN_REQUIRE_ZANMIG() \
  if (!::zan::test::ZanmigBuilt()) GTEST_SKIP() << "zanmig not built"

/// Every file under `folder` (relative path -> bytes).
inline std::map<std::string, std::string> FolderContents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files[std::filesystem::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path());
  return files;
}

/// Copies the files directly in `from` (not its sub-folders) into `to`.
inline void CopyTopLevelFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::create_directories(to);
  for (const auto& entry : std::filesystem::directory_iterator(from))
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), to / entry.path().filename());
}

}  // namespace zan::test
