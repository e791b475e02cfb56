#include "common/TestUtil.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zan::test {

fs::path SharedDir() {
  fs::path dir;
  if (const char* env = std::getenv("ZAN_SHARED_DIR"); env && *env)
    dir = env;
  else
    dir = fs::path(ZAN_SOURCE_DIR) / ".." / "shared";
  std::error_code ec;
  if (!fs::is_directory(dir / "corpus", ec)) return {};
  return fs::weakly_canonical(dir, ec);
}

fs::path FuzzInput(const std::string& name) {
  const fs::path shared = SharedDir();
  std::error_code ec;
  if (shared.empty() || !fs::is_regular_file(shared / "fuzz" / name, ec)) return {};
  return shared / "fuzz" / name;
}

std::vector<fs::path> CorpusFiles(const std::vector<std::string>& extensions) {
  std::vector<fs::path> files;
  fs::path shared = SharedDir();
  if (shared.empty()) return files;
  for (const auto& entry : fs::recursive_directory_iterator(shared / "corpus")) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsBinaryForm(const std::string& bytes) {
  return (bytes.size() >= 3 && bytes.compare(0, 3, "\xFF\x0A\x00", 3) == 0) ||
         bytes.compare(0, 4, "TPF0") == 0;
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("zanmig-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TFifoWatchdog::TFifoWatchdog(std::vector<fs::path> fifos, int seconds) : FFifos(std::move(fifos)) {
  for (const fs::path& fifo : FFifos) EXPECT_EQ(::mkfifo(fifo.c_str(), 0644), 0) << fifo.string();
  FThread = std::thread([this, seconds] {
    std::unique_lock<std::mutex> lock(FMutex);
    if (FDone.wait_for(lock, std::chrono::seconds(seconds), [this] { return FStopping; })) return;
    FFired = true;
    // A writer let through would be killed by SIGPIPE once we close.
    ::signal(SIGPIPE, SIG_IGN);
    std::vector<int> fds;
    for (const fs::path& fifo : FFifos)
      if (int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK); fd >= 0) fds.push_back(fd);
    FDone.wait_for(lock, std::chrono::milliseconds(200), [this] { return FStopping; });
    for (int fd : fds) ::close(fd);
  });
}

TFifoWatchdog::~TFifoWatchdog() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FStopping = true;
  }
  FDone.notify_all();
  FThread.join();
  EXPECT_FALSE(FFired) << "an open() waited on a pipe";
}

}  // namespace zan::test
