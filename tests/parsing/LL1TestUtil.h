// Shared helpers of the grammar engine and form parser tests: compact dumps of
// grammars and parse outcomes, and a deliberately simple reference matcher.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "parsing/LL1Parser.h"
#include "rtl/Strings.h"

namespace zan::test {

/// "alt|alt|..." of one rule as it stands in the parser (UTF-8).
inline std::string DumpRule(const TLL1Parser& parser, const std::string& rule) {
  std::string out;
  for (const auto& alt : parser.Alternatives(U16(rule))) {
    if (!out.empty()) out += '|';
    out += Utf16ToUtf8(alt);
  }
  return out;
}

/// The outcome of one parse: "ok <pos>", "no", or "error: <message>".
inline std::string DumpParse(TLL1Parser& parser, std::u16string_view text, const std::string& rule,
                             int start = 1) {
  int pos = start;
  try {
    if (!parser.ParseString(text, U16(rule), pos)) {
      return pos == start ? "no" : "no, but Pos moved";
    }
    return "ok " + std::to_string(pos);
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  }
}

/// The rule-by-rule algorithm of the engine, written as plainly as possible:
/// recursive, every alternative tried in order from a saved position, no
/// loops, no skipping, no remembered failures. Runs on the prepared rule
/// texts of a parser (after its first parse). Returns the end position
/// (1-based, exclusive) or 0 when the rule does not match.
class TReferenceMatcher {
 public:
  /// `accept` (optional) may refuse an alternative that matched, as a
  /// subclass's AcceptAlternative does: (rule, alternative, end position).
  using TAccept = std::function<bool(const std::u16string&, const std::u16string&, int)>;
  explicit TReferenceMatcher(const TLL1Parser& parser, TAccept accept = {})
      : FParser(parser), FAccept(std::move(accept)) {}

  int Match(std::u16string_view text, const std::u16string& rule, int pos) {
    FText = text;
    FDepth = 0;
    return Rule(rule, pos);
  }

 private:
  int Rule(const std::u16string& name, int pos) {
    if (++FDepth > 200000) throw std::runtime_error("reference matcher too deep");
    for (const auto& alt : FParser.Alternatives(name)) {
      int end = Alternative(alt, pos);
      if (end > 0 && (!FAccept || FAccept(name, alt, end))) {
        --FDepth;
        return end;
      }
    }
    --FDepth;
    return 0;
  }

  int Alternative(const std::u16string& alt, int pos) {
    size_t i = 0;
    while (i < alt.size()) {
      size_t length = alt[i] == u'<' ? SymbolLength(alt, i) : 0;
      if (length == 0) {
        if (pos > static_cast<int>(FText.size()) || AnsiLowerChar(FText[pos - 1]) != alt[i])
          return 0;
        ++pos;
        ++i;
        continue;
      }
      std::u16string symbol = alt.substr(i, length);
      i += length;
      pos = symbol[1] == u'*' ? Class(symbol, pos) : Rule(symbol, pos);
      if (pos == 0) return 0;
    }
    return pos;
  }

  bool InClass(const std::u16string& name, char16_t c) {
    auto between = [c](char16_t a, char16_t b) { return c >= a && c <= b; };
    bool letter = between(u'a', u'z') || between(u'A', u'Z') || c == u'_';
    // The form parser's classes, which take characters above #255.
    if (name == u"<*name_start>") return letter || c >= 128;
    if (name == u"<*name_chars>") return letter || c >= 128 || between(u'0', u'9');
    if (name == u"<*string_chars>") return c >= 1 && c != u'\'';
    if (c > 255) return false;
    if (name == u"<*char>") return letter;
    if (name == u"<*chars_or_digits>") return letter || between(u'0', u'9');
    if (name == u"<*digit>" || name == u"<*digits>") return between(u'0', u'9');
    if (name == u"<*hexs>")
      return between(u'0', u'9') || between(u'a', u'f') || between(u'A', u'F');
    if (name == u"<*symbol>" || name == u"<*symbols>") return c >= 1 && c != u'\'';
    if (name == u"<*delim>") return c == 9 || c == 10 || c == 13 || c == 32;
    throw std::runtime_error("reference matcher: unknown class");
  }

  int Class(const std::u16string& name, int pos) {
    bool run = name != u"<*char>" && name != u"<*digit>" && name != u"<*symbol>" &&
               name != u"<*name_start>";
    int end = pos;
    while (end <= static_cast<int>(FText.size()) && InClass(name, FText[end - 1])) {
      ++end;
      if (!run) break;
    }
    return end > pos ? end : 0;
  }

  const TLL1Parser& FParser;
  TAccept FAccept;
  std::u16string_view FText;
  int FDepth = 0;
};

}  // namespace zan::test
