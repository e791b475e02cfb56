// layer: parsing
// The Pascal lexer on arbitrary text: lexemes follow each other without gap or
// overlap (PrevPos is the sum of the lengths before), each text lies inside its
// span, and with quotes kept the texts joined give back the input. The first
// byte chooses the mode: bit 0 reads the rest as UTF-16LE code units (any
// 16-bit value) instead of one byte per character, bit 1 switches quote-keeping
// off, bit 2 starts in the middle with SetPos.
#include <cstddef>
#include <cstdint>
#include <string>

#include "parsing/PasParser.h"

#define CHECK(cond)                \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  std::u16string text;
  if (mode & 1) {
    text.resize(size / 2);
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  } else {
    text.assign(data, data + size);
  }
  const bool keepQuotes = !(mode & 2);
  const size_t start = (mode & 4) ? text.size() / 3 : 0;

  zan::TPasParser lexer;
  lexer.SetTextRef(text);
  lexer.SetKeepQuotes(keepQuotes);
  lexer.SetPos(static_cast<int64_t>(start));
  zan::TPasParser copying(text);  // the same through GetNext into a string
  copying.SetKeepQuotes(keepQuotes);
  copying.SetPos(static_cast<int64_t>(start));

  std::u16string joined;
  std::u16string copy;
  size_t offset = start;
  for (;;) {
    const zan::TLexeme& lex = lexer.Next();
    CHECK(lex.Start == offset && lexer.PrevPos() == offset);
    CHECK(copying.GetNext(copy) == lex.Code && copy == lex.Text && copying.PrevPos() == offset);
    if (lex.Code == zan::lexEnd) {
      CHECK(offset == text.size() && lex.Text.empty());
      break;
    }
    CHECK(lex.Length > 0 && lex.Length <= text.size() - offset);
    const char16_t* spanBegin = text.data() + offset;
    CHECK(lex.Text.data() >= spanBegin &&
          lex.Text.data() + lex.Text.size() <= spanBegin + lex.Length);
    if (keepQuotes) CHECK(lex.Text.size() == lex.Length);
    joined += lex.Text;
    offset += lex.Length;
  }
  if (keepQuotes) CHECK(joined == std::u16string_view(text).substr(start));
  return 0;
}
