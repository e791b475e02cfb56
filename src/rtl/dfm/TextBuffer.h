// An append-only UTF-16 buffer for building long texts piece by piece.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace zan::dfm {

/// Grows its string in large steps and hands out room to write into, so that
/// appending a few characters costs a bounds check and plain stores: a
/// string's own `resize` fills every appended piece with zeros first, and
/// `append` of short pieces goes through the library's general copy.
class TTextBuffer {
 public:
  void Reserve(size_t n) { FBuf.reserve(n); }
  size_t Size() const { return FLen; }
  std::u16string_view View() const { return {FBuf.data(), FLen}; }
  void Clear() { FLen = 0; }

  /// Room for `n` more characters, to be written by the caller.
  char16_t* Extend(size_t n) {
    if (n > FBuf.size() - FLen) Grow(n);
    char16_t* p = FBuf.data() + FLen;
    FLen += n;
    return p;
  }

  void Push(char16_t c) { *Extend(1) = c; }

  void Append(std::u16string_view s) {
    char16_t* p = Extend(s.size());
    if (s.size() <= kShort) {
      for (char16_t c : s) *p++ = c;
    } else {
      std::copy(s.begin(), s.end(), p);
    }
  }

  /// A literal ("end", " = "): its characters are known here, so they are
  /// stored one by one. (Through the view above, GCC 12 inlines the long
  /// branch's copy for literals of a few characters and warns that it reads
  /// past them, which that branch never does for them.)
  template <size_t N>
  void Append(const char16_t (&literal)[N]) {
    static_assert(N > 0);
    char16_t* p = Extend(N - 1);
    for (size_t i = 0; i + 1 < N; ++i) p[i] = literal[i];
  }

  void Fill(size_t n, char16_t c) { std::fill_n(Extend(n), n, c); }

  /// The text built; the buffer is left empty.
  std::u16string Take() {
    FBuf.resize(FLen);
    FLen = 0;
    return std::move(FBuf);
  }

 private:
  static constexpr size_t kShort = 16;
  static constexpr size_t kMinGrowth = 4096;

  void Grow(size_t n) {
    // Only the new part is zeroed. The step stays within the capacity while
    // that has room: beyond it the string reallocates to twice its capacity.
    size_t step = std::max(kMinGrowth, FBuf.size() / 2);
    size_t room = FBuf.capacity() - FLen;
    if (n <= room) step = std::min(step, room);
    FBuf.resize(FLen + std::max(n, step));
  }

  std::u16string FBuf;  // FBuf.size() is the room made so far
  size_t FLen = 0;
};

}  // namespace zan::dfm
