// Builds the Free Pascal reference converter (tests/dfm/fpc/dfmconv.pas)
// into the build folder, once per process. Each process builds its own
// copy: CTest runs the tests of one binary in parallel processes, and one
// process must never execute a helper that another is rewriting.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace zan::test {

/// The helper's path, or an empty path when fpc is not installed or the
/// build fails.
inline std::filesystem::path FpcHelper() {
  static const std::filesystem::path helper = [] {
    namespace fs = std::filesystem;
    if (std::system("command -v fpc > /dev/null 2>&1") != 0) return fs::path();
    fs::path dir = fs::path(ZAN_BINARY_DIR) / "dfm-fpc" / std::to_string(::getpid());
    fs::create_directories(dir);
    fs::path source = fs::path(ZAN_SOURCE_DIR) / "tests" / "dfm" / "fpc" / "dfmconv.pas";
    std::string cmd = "fpc -O2 -FE" + dir.string() + " " + source.string() + " > " +
                      (dir / "build.log").string() + " 2>&1";
    if (std::system(cmd.c_str()) != 0) return fs::path();
    return dir / "dfmconv";
  }();
  return helper;
}

}  // namespace zan::test
