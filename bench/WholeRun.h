// What the whole-run benchmarks share: timing, the `cp -r` baseline they are
// compared with, and the process's peak memory.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace zan::bench {

/// Seconds since `start`.
inline double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/// A shell command that replaces `to` by a fresh `cp -r` of `from`.
inline std::string CopyTreeCommand(const std::filesystem::path& from,
                                   const std::filesystem::path& to) {
  return "rm -rf '" + to.string() + "' && cp -r '" + from.string() + "' '" + to.string() + "'";
}

/// The peak resident memory of this process so far, in MB.
inline double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace zan::bench
