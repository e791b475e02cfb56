// TScopeExit: a clean-up that runs whenever its scope is left.
#pragma once

#include <exception>
#include <utility>

namespace zan {

/// Runs `cleanup` when the scope is left, normally or by an exception. A
/// clean-up never hides the error that is leaving the scope: while an
/// exception unwinds, the clean-up's own exception is dropped. Left normally,
/// an exception of the clean-up propagates.
template <class TCleanup>
class TScopeExit {
 public:
  explicit TScopeExit(TCleanup cleanup)
      : FCleanup(std::move(cleanup)), FUncaught(std::uncaught_exceptions()) {}
  ~TScopeExit() noexcept(false) {
    if (std::uncaught_exceptions() > FUncaught) {
      try {
        FCleanup();
      } catch (...) {
      }
    } else {
      FCleanup();
    }
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TCleanup FCleanup;
  int FUncaught;
};

}  // namespace zan
