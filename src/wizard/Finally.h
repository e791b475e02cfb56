// A clean-up that runs when the scope is left, also by an exception (the
// protected blocks of the wizard and the expert).
#pragma once

#include <utility>

namespace zan {

template <class TCleanup>
class TFinally {
 public:
  explicit TFinally(TCleanup cleanup) : FCleanup(std::move(cleanup)) {}
  ~TFinally() { FCleanup(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  TCleanup FCleanup;
};

}  // namespace zan
