// Helpers shared by every test binary: where the shared corpus is, reading
// whole files, and a scratch folder removed at the end of a test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zan::test {

/// The shared folder beside the project (ZAN_SHARED_DIR overrides it), or an
/// empty path when it is not there.
std::filesystem::path SharedDir();
/// Every file under shared/corpus with one of the extensions (lower case,
/// with the dot, e.g. ".dfm"), sorted; empty when the corpus is missing.
std::vector<std::filesystem::path> CorpusFiles(const std::vector<std::string>& extensions = {
                                                   ".dfm"});
/// The file `name` of shared/fuzz (inputs the fuzz targets found), or an empty
/// path when it is not there.
std::filesystem::path FuzzInput(const std::string& name);
/// True when the file starts with the binary resource header FF 0A 00 or TPF0.
bool IsBinaryForm(const std::string& bytes);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

/// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// Makes a test that would wait on a pipe for ever fail instead: makes the
/// FIFOs `fifos` (mkfifo) and, should the test still run after `seconds`,
/// opens each of them from both ends, which lets an open() waiting on one
/// return, and records that it had to (Fired()). The destructor adds a
/// failure when it fired.
class TFifoWatchdog {
 public:
  explicit TFifoWatchdog(std::vector<std::filesystem::path> fifos, int seconds = 10);
  ~TFifoWatchdog();
  TFifoWatchdog(const TFifoWatchdog&) = delete;
  TFifoWatchdog& operator=(const TFifoWatchdog&) = delete;
  bool Fired() const { return FFired; }

 private:
  std::vector<std::filesystem::path> FFifos;
  std::mutex FMutex;
  std::condition_variable FDone;
  bool FStopping = false;
  std::atomic<bool> FFired{false};
  std::thread FThread;
};

}  // namespace zan::test

/// Skips the current test with a clear message when the shared corpus is absent.
#define ZAN_REQUIRE_CORPUS()                                                             \
  do {                                                                                   \
    if (::zan::test::SharedDir().empty())                                                \
      GTEST_SKIP() << "shared/corpus not found beside the project (set ZAN_SHARED_DIR)"; \
  } while (0)
