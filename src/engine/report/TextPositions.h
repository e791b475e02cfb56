// Line and column (1-based) of offsets in a text, for the places a report
// names. Asked in increasing order it walks the text once; an earlier offset
// starts the walk again.
#pragma once

#include <cstddef>
#include <string_view>

namespace zan {

class TTextPositions {
 public:
  explicit TTextPositions(std::u16string_view text) : FText(text) {}
  void At(size_t pos, int& line, int& column) {
    if (pos < FPos) *this = TTextPositions(FText);
    for (; FPos < pos && FPos < FText.size(); ++FPos)
      if (FText[FPos] == u'\n') {
        ++FLine;
        FLineStart = FPos + 1;
      }
    line = FLine;
    column = static_cast<int>(pos - FLineStart) + 1;
  }

 private:
  std::u16string_view FText;
  size_t FPos = 0, FLineStart = 0;
  int FLine = 1;
};

}  // namespace zan
