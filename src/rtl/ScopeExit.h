// The one scope-exit helper of the code base: the "finally" part of the
// host's try/finally blocks.
#pragma once

#include <exception>
#include <utility>

namespace zan {

/// Runs a clean-up when the scope that holds it ends, whatever ends it:
///
///   TScopeExit removeTemp([&] { DeleteFolderTree(tempFolder); });
///
/// Policy, by how the scope is left:
/// - by an exception: the clean-up runs; should it throw too, its exception
///   is dropped, so that a clean-up never hides the error that is leaving the
///   scope (the caller sees the first error, not a follow-up failure);
/// - normally: the clean-up runs; should it throw, its exception leaves the
///   scope as an exception of the statement that ended it would (as a
///   finally block's does): the work is done but its clean-up failed, and the
///   caller must hear of it. Guards declared earlier in the same scope then
///   run as for any exception, their own failures dropped.
/// A clean-up that must never fail the caller catches its own errors.
/// "Leaving by an exception" is judged against the exceptions already in
/// flight when the guard was made, so a guard used inside a destructor that
/// runs during unwinding follows the same policy for its own scope.
/// Only for locals: it can be neither copied nor moved.
template <class TCleanup>
class TScopeExit {
 public:
  [[nodiscard]] explicit TScopeExit(TCleanup cleanup)
      : FCleanup(std::move(cleanup)), FExceptionsAtEntry(std::uncaught_exceptions()) {}

  ~TScopeExit() noexcept(false) {
    if (std::uncaught_exceptions() > FExceptionsAtEntry) {
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
  int FExceptionsAtEntry;
};

}  // namespace zan
