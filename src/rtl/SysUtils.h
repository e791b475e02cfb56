// The error types of the whole program and the always-on assertion.
//
// Every error is an `Exception` carrying a UTF-8 message (what()); the system's
// fixed texts ("Failed to create directory.", "Unknown nonterminal: ...") are
// the messages. Assertions stay active in release builds and throw
// `EAssertionFailed` whose message is "Assertion failure" followed by the
// source name given at the call (for example `MigWizard\LL1Parser`).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zan {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  explicit Exception(std::u16string_view message);
  /// The message as UTF-16 text.
  std::u16string Message() const;
};

class EAssertionFailed : public Exception {
 public:
  explicit EAssertionFailed(std::string_view sourceName);
};

/// A file could not be opened, read, written or created; the message names it.
class EFileError : public Exception {
 public:
  using Exception::Exception;
};

/// Text that cannot be decoded or encoded without loss.
class EEncodingError : public Exception {
 public:
  using Exception::Exception;
};

/// Throws EAssertionFailed naming `sourceName` when `condition` is false.
inline void Assert(bool condition, std::string_view sourceName) {
  if (!condition) throw EAssertionFailed(sourceName);
}

}  // namespace zan
