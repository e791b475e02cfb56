// The tool's version, as `zanmig --version` and the run report give it.
#pragma once

namespace zan::cli {

inline constexpr const char* kToolVersion = "0.1.0";

}  // namespace zan::cli
