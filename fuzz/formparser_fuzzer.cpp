// layer: parsing
// Drives ParseString with the form grammar on arbitrary text. The first byte
// chooses how the rest becomes text (one character per byte, or UTF-16LE so
// that characters above #255 occur) and which rule to start from; a hook
// that also inserts option lines exercises the restore of the output list.
// Checks the parse contract: Pos moves only on success, and nothing of a
// failed parse survives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "parsing/FormParser.h"

namespace {

class TFuzzParser : public zan::TFormParser {
 protected:
  void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) override {
    if (!PropName.empty() && (PropName[0] == u'O' || PropName[0] == u'o')) {
      int index = IndexOfProp(u"SpecificOptions.Strings");
      if (index < 0)
        AddProperty(u"SpecificOptions.Strings", u"(\r\n'" + PropName + u"'\r\n)");
      else
        InsertPropLine(index, this->PropValue(index).Count() - 1, PropValue);
      return;
    }
    AddProperty(PropName, PropValue);
  }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TFuzzParser parser;
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::u16string text;
  if (mode & 1) {
    for (size_t i = 1; i + 1 < size; i += 2)
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < size; ++i) text += static_cast<char16_t>(data[i]);
  }
  static const char16_t* const rules[] = {u"<object>", u"<object>", u"<value>", u"<properties>"};
  const char16_t* rule = rules[(mode >> 1) & 3];
  const int start = 1 + static_cast<int>((mode >> 3) % (text.size() + 1));

  int pos = start;
  bool ok = parser.ParseString(text, rule, pos);
  if (ok) {
    Check(pos > start && pos <= static_cast<int>(text.size()) + 1);
    Check(parser.ErrorPos() == -1);
    Check(parser.FormState().PropCount() == parser.PropsCount());
    Check(parser.FormState().NestedObject() == 0);
    parser.MakeObject(1);
  } else {
    Check(pos == start);
    Check(parser.ErrorPos() == start);
    Check(parser.PropsCount() == 0 && parser.NestedObjects().empty());
    Check(parser.MakeObject(0).empty());
  }
  return 0;
}
