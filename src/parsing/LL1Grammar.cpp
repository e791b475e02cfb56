#include "parsing/LL1Grammar.h"

#include <algorithm>

#include "parsing/LL1Parser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view kInvalidRuleFormat = u"Cannot add rule. Invalid rule format.";
constexpr std::u16string_view kPlaceholder = u"<__Slot>";

// The index of the first occurrence of `what` in `text`, compared
// without regard to case; npos when there is none.
size_t FindText(std::u16string_view text, std::u16string_view what) {
  if (what.empty() || what.size() > text.size()) return std::u16string_view::npos;
  for (size_t i = 0; i + what.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < what.size() && AnsiLowerChar(text[i + k]) == AnsiLowerChar(what[k])) ++k;
    if (k == what.size()) return i;
  }
  return std::u16string_view::npos;
}

std::u16string ReplaceAllText(std::u16string_view text, std::u16string_view from,
                              std::u16string_view to) {
  std::u16string out;
  size_t start = 0;
  for (;;) {
    size_t hit = FindText(text.substr(start), from);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(start, hit));
    out.append(to);
    start += hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

// Replaces the first placeholder by each member of `members` in turn and
// expands the results further; collects every finished text once.
void Expand(const std::u16string& text, const std::vector<std::u16string>& members,
            std::vector<std::u16string>& result, std::unordered_set<std::u16string>& seen) {
  size_t hit = text.find(kPlaceholder);
  if (hit == std::u16string::npos) {
    if (seen.insert(AnsiLowerCase(text)).second) result.push_back(text);
    return;
  }
  for (const auto& member : members) {
    std::u16string next = text.substr(0, hit);
    next += member;
    next.append(text, hit + kPlaceholder.size());
    Expand(next, members, result, seen);
  }
}

int AlternativeClass(std::u16string_view alt) {
  if (alt.empty() || alt[0] != u'<' || SymbolLength(alt, 0) == 0) return 0;
  return alt[1] == u'*' ? 1 : 2;
}

char16_t FoldUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? c - 32 : c;
}

bool SameElems(const std::vector<TElem>& elems, int a, int b, int count) {
  for (int i = 0; i < count; ++i) {
    const TElem& x = elems[static_cast<size_t>(a + i)];
    const TElem& y = elems[static_cast<size_t>(b + i)];
    if (x.Kind != y.Kind || x.Ch != y.Ch || x.Index != y.Index) return false;
  }
  return true;
}

}  // namespace

size_t SymbolLength(std::u16string_view alternative, size_t pos) {
  if (pos + 1 >= alternative.size()) return 0;
  char16_t next = alternative[pos + 1];
  if (next == u'<' || next == u'>') return 0;
  for (size_t i = pos + 1; i < alternative.size(); ++i) {
    if (alternative[i] == u'>') return i - pos + 1;
    if (alternative[i] == u'<') return 0;
  }
  return 0;
}

// ---- TRuleTable -----------------------------------------------------------

bool TRuleTable::Find(std::u16string_view name, int& index) const {
  auto it = std::lower_bound(FRules.begin(), FRules.end(), name,
                             [](const TRule& rule, std::u16string_view key) {
                               return AnsiCompareText(rule.Name, key) < 0;
                             });
  index = static_cast<int>(it - FRules.begin());
  return it != FRules.end() && AnsiCompareText(it->Name, name) == 0;
}

int TRuleTable::IndexOf(std::u16string_view name) const {
  int index;
  return Find(name, index) ? index : -1;
}

void TRuleTable::AddRule(std::u16string_view text) {
  if (text.size() < 2) return;
  const std::u16string lower = AnsiLowerCase(text);
  // The name runs to the first ">" from the second character on; a ">" that
  // is the text's last character does not count.
  size_t close = std::u16string::npos;
  for (size_t i = 1; i + 1 < lower.size(); ++i) {
    if (lower[i] == u'>') {
      close = i;
      break;
    }
  }
  if (close == std::u16string::npos) throw EGrammarError(kInvalidRuleFormat);

  int index;
  if (!Find(std::u16string_view(lower).substr(0, close + 1), index))
    FRules.insert(FRules.begin() + index, TRule{lower.substr(0, close + 1), {}});
  std::vector<std::u16string>& alternatives = FRules[static_cast<size_t>(index)].Alternatives;

  // The character after the name (by convention "-") is skipped.
  const std::u16string_view rest = std::u16string_view(lower).substr(close + 2);
  if (rest.empty()) return;
  std::u16string current;
  size_t i = 0;
  while (i < rest.size()) {
    char16_t c = rest[i];
    if (c == u'\\') {
      if (i + 1 >= rest.size()) throw EGrammarError(kInvalidRuleFormat);
      if (IsDigit(rest[i + 1])) {
        uint32_t code = 0;
        size_t j = i + 1;
        for (; j < rest.size() && IsDigit(rest[j]); ++j) {
          code = code * 10 + static_cast<uint32_t>(rest[j] - u'0');
          // A code past the UTF-16 range names no character.
          if (code > 0xFFFF) throw EGrammarError(kInvalidRuleFormat);
        }
        current += static_cast<char16_t>(code);
        i = j;
      } else {
        current += rest[i + 1];
        i += 2;
      }
    } else if (c == u'|') {
      alternatives.push_back(std::move(current));
      current.clear();
      ++i;
    } else {
      current += c;
      ++i;
    }
  }
  alternatives.push_back(std::move(current));
}

void TRuleTable::RemoveEmptyAlternative(int ruleIndex) {
  const std::u16string name = FRules[static_cast<size_t>(ruleIndex)].Name;
  auto expandInto = [&](TRule& rule) {
    const std::vector<std::u16string> members = FRules[static_cast<size_t>(ruleIndex)].Alternatives;
    std::vector<std::u16string> result;
    std::unordered_set<std::u16string> seen;
    for (const auto& alt : rule.Alternatives)
      Expand(ReplaceAllText(alt, name, kPlaceholder), members, result, seen);
    rule.Alternatives = std::move(result);
  };
  for (int r = 0; r < Count(); ++r)
    if (r != ruleIndex) expandInto(FRules[static_cast<size_t>(r)]);
  TRule& self = FRules[static_cast<size_t>(ruleIndex)];
  expandInto(self);
  std::erase_if(self.Alternatives, [](const std::u16string& alt) { return alt.empty(); });
}

void TRuleTable::RemoveEmptyAlternatives() {
  auto hasEmpty = [](const TRule& rule) {
    return std::any_of(rule.Alternatives.begin(), rule.Alternatives.end(),
                       [](const std::u16string& alt) { return alt.empty(); });
  };
  // Removing one rule's empty alternative can give one to a rule that was
  // already processed (a rule that is nothing but a reference to it), so the
  // passes repeat; a grammar that keeps producing them is rejected.
  const int maxPasses = 2 * Count() + 2;
  for (int pass = 0; pass < maxPasses; ++pass) {
    bool found = false;
    for (int r = 0; r < Count(); ++r) {
      if (!hasEmpty(FRules[static_cast<size_t>(r)])) continue;
      found = true;
      RemoveEmptyAlternative(r);
    }
    if (!found) return;
  }
  for (const auto& rule : FRules)
    if (hasEmpty(rule))
      throw EGrammarError(u"Cannot remove the empty alternative of rule " + rule.Name);
}

int TRuleTable::CompareAlternatives(std::u16string_view a, std::u16string_view b) {
  int ca = AlternativeClass(a), cb = AlternativeClass(b);
  if (ca != cb) return ca - cb;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldUpper(a[i]), y = FoldUpper(b[i]);
    if (x != y) return x > y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() > b.size() ? -1 : 1;
}

void TRuleTable::SortAlternatives() {
  for (auto& rule : FRules)
    std::stable_sort(rule.Alternatives.begin(), rule.Alternatives.end(),
                     [](const std::u16string& a, const std::u16string& b) {
                       return CompareAlternatives(a, b) < 0;
                     });
}

// ---- TFirstSet ------------------------------------------------------------

void TFirstSet::Merge(const TFirstSet& other) {
  for (size_t i = 0; i < 4; ++i) {
    Raw.W[i] |= other.Raw.W[i];
    Lower.W[i] |= other.Lower.W[i];
  }
  HighLiteral = HighLiteral || other.HighLiteral;
  HighClass = HighClass || other.HighClass;
  Any = Any || other.Any;
}

void TFirstSet::Finish() {
  Accept = TCharBits();
  for (char16_t c = 0; c < 256; ++c) {
    char16_t lower = AnsiLowerChar(c);
    if (Any || Raw.Has(c) || (lower < 256 ? Lower.Has(lower) : HighLiteral)) Accept.Set(c);
  }
}

bool TFirstSet::operator==(const TFirstSet& other) const {
  return Raw == other.Raw && Lower == other.Lower && HighLiteral == other.HighLiteral &&
         HighClass == other.HighClass && Any == other.Any;
}

// ---- TCompiledGrammar -----------------------------------------------------

void TCompiledGrammar::Compile(const TRuleTable& table, const TClassQuery& classQuery,
                               const TTagQuery& tagQuery) {
  Rules.clear();
  Alts.clear();
  Elems.clear();
  Classes.clear();
  UndefinedNames.clear();
  HotRules.clear();
  HotAlts.clear();
  HasLeftRecursion = false;
  Rules.resize(static_cast<size_t>(table.Count()));
  for (int r = 0; r < table.Count(); ++r) {
    TCompiledRule& rule = Rules[static_cast<size_t>(r)];
    rule.Name = table.Rule(r).Name;
    rule.Tag = tagQuery(rule.Name);
  }
  for (int r = 0; r < table.Count(); ++r) {
    TCompiledRule& rule = Rules[static_cast<size_t>(r)];
    rule.Alt = static_cast<int>(Alts.size());
    const auto& texts = table.Rule(r).Alternatives;
    for (size_t s = 0; s < texts.size(); ++s) {
      CompileAlternative(texts[s], table);
      Alts.back().Source = static_cast<int>(s);
    }
    rule.AltEnd = static_cast<int>(Alts.size());
  }
  for (auto& cls : Classes) {
    cls.Known = classQuery(cls.Name, cls.Chars, cls.Run);
    for (unsigned c = 0; c < 256; ++c)
      if (cls.Chars.In[c]) cls.Bits.Set(c);
  }
  MakeLoops();
  ComputeFirstSets();
  FindLeftRecursion();
  FindPureRules();
  MakeHot();
}

void TCompiledGrammar::CompileAlternative(std::u16string_view text, const TRuleTable& table) {
  TCompiledAlt alt;
  alt.Elem = static_cast<int>(Elems.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t length = text[i] == u'<' ? SymbolLength(text, i) : 0;
    if (length == 0) {
      Elems.push_back({TElemKind::Literal, text[i], 0});
      ++i;
      continue;
    }
    std::u16string symbol(text.substr(i, length));
    i += length;
    if (symbol[1] == u'*') {
      auto it = std::find_if(Classes.begin(), Classes.end(),
                             [&](const TCompiledClass& c) { return c.Name == symbol; });
      int index = static_cast<int>(it - Classes.begin());
      if (it == Classes.end()) Classes.push_back({symbol, {}, false, false});
      Elems.push_back({TElemKind::Class, 0, index});
    } else if (int rule = table.IndexOf(symbol); rule >= 0) {
      Elems.push_back({TElemKind::Rule, 0, rule});
    } else {
      auto it = std::find(UndefinedNames.begin(), UndefinedNames.end(), symbol);
      int index = static_cast<int>(it - UndefinedNames.begin());
      if (it == UndefinedNames.end()) UndefinedNames.push_back(symbol);
      Elems.push_back({TElemKind::Undefined, 0, index});
    }
  }
  alt.ElemEnd = static_cast<int>(Elems.size());
  alt.FallbackElem = alt.ElemEnd;
  Alts.push_back(alt);
}

// A rule written as right recursion, "X R" followed by an alternative that is
// X or a prefix of X, is run as a loop: X is matched repeatedly, and when the
// rule cannot go on after an X, the parse ends where that prefix ends. This is
// what the recursive reading gives (the prefix alternative re-reads the same
// symbols the same way), without a nesting level per repetition.
void TCompiledGrammar::MakeLoops() {
  for (size_t r = 0; r < Rules.size(); ++r) {
    TCompiledRule& rule = Rules[r];
    if (rule.Tag != 0) continue;
    auto endsWithSelf = [&](const TCompiledAlt& alt) {
      return alt.ElemEnd - alt.Elem >= 2 &&
             Elems[static_cast<size_t>(alt.ElemEnd - 1)].Kind == TElemKind::Rule &&
             Elems[static_cast<size_t>(alt.ElemEnd - 1)].Index == static_cast<int>(r);
    };
    std::vector<TCompiledAlt> steps;
    bool loopable = true, repeats = false;
    for (int i = rule.Alt; i < rule.AltEnd && loopable;) {
      const TCompiledAlt& alt = Alts[static_cast<size_t>(i)];
      if (!endsWithSelf(alt)) {
        steps.push_back(alt);
        ++i;
        continue;
      }
      const int stepLength = alt.ElemEnd - alt.Elem - 1;
      if (i + 1 >= rule.AltEnd) {
        loopable = false;
        break;
      }
      const TCompiledAlt& next = Alts[static_cast<size_t>(i + 1)];
      const int nextLength = next.ElemEnd - next.Elem;
      if (nextLength < 1 || nextLength > stepLength || endsWithSelf(next) ||
          !SameElems(Elems, alt.Elem, next.Elem, nextLength)) {
        loopable = false;
        break;
      }
      TCompiledAlt step = alt;
      step.ElemEnd = alt.ElemEnd - 1;
      step.Repeat = true;
      step.FallbackElem = alt.Elem + nextLength;
      steps.push_back(step);
      repeats = true;
      // When the fallback is all of X it can never match where X did not, so
      // it is no step of its own; a shorter prefix still is.
      i += nextLength == stepLength ? 2 : 1;
    }
    if (!loopable || !repeats) continue;
    rule.Alt = static_cast<int>(Alts.size());
    Alts.insert(Alts.end(), steps.begin(), steps.end());
    rule.AltEnd = static_cast<int>(Alts.size());
    rule.Loop = true;
  }
}

void TCompiledGrammar::ComputeFirstSets() {
  auto altFirst = [&](const TCompiledAlt& alt) {
    TFirstSet first;
    if (alt.Elem == alt.ElemEnd) {
      first.Any = true;
      return first;
    }
    const TElem& e = Elems[static_cast<size_t>(alt.Elem)];
    switch (e.Kind) {
      case TElemKind::Literal:
        if (e.Ch < 256)
          first.Lower.Set(e.Ch);
        else
          first.HighLiteral = true;
        break;
      case TElemKind::Class: {
        const TCompiledClass& cls = Classes[static_cast<size_t>(e.Index)];
        if (cls.Known) {
          first.Raw = cls.Bits;
          first.HighClass = cls.Chars.High;
        } else
          first.Any = true;
        break;
      }
      case TElemKind::Rule:
        first = Rules[static_cast<size_t>(e.Index)].First;
        break;
      case TElemKind::Undefined:
        first.Any = true;
        break;
    }
    return first;
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (auto& rule : Rules) {
      TFirstSet first;
      for (int a = rule.Alt; a < rule.AltEnd; ++a)
        first.Merge(altFirst(Alts[static_cast<size_t>(a)]));
      if (!(first == rule.First)) {
        rule.First = first;
        changed = true;
      }
    }
  }
  for (auto& alt : Alts) {
    alt.First = altFirst(alt);
    alt.First.Finish();
  }
  for (auto& rule : Rules) rule.First.Finish();
}

void TCompiledGrammar::FindLeftRecursion() {
  const size_t n = Rules.size();
  std::vector<std::vector<int>> leading(n);
  for (size_t r = 0; r < n; ++r)
    for (int a = Rules[r].Alt; a < Rules[r].AltEnd; ++a) {
      const TCompiledAlt& alt = Alts[static_cast<size_t>(a)];
      if (alt.Elem < alt.ElemEnd && Elems[static_cast<size_t>(alt.Elem)].Kind == TElemKind::Rule)
        leading[r].push_back(Elems[static_cast<size_t>(alt.Elem)].Index);
    }
  for (size_t r = 0; r < n; ++r) {
    std::vector<bool> seen(n, false);
    std::vector<int> todo(leading[r].begin(), leading[r].end());
    while (!todo.empty() && !Rules[r].LeftRecursive) {
      int next = todo.back();
      todo.pop_back();
      if (next == static_cast<int>(r)) Rules[r].LeftRecursive = HasLeftRecursion = true;
      if (seen[static_cast<size_t>(next)]) continue;
      seen[static_cast<size_t>(next)] = true;
      todo.insert(todo.end(), leading[static_cast<size_t>(next)].begin(),
                  leading[static_cast<size_t>(next)].end());
    }
  }
}

void TCompiledGrammar::FindPureRules() {
  auto usesOnlyPure = [&](const TCompiledRule& rule) {
    for (int a = rule.Alt; a < rule.AltEnd; ++a) {
      const TCompiledAlt& alt = Alts[static_cast<size_t>(a)];
      for (int e = alt.Elem; e < alt.ElemEnd; ++e) {
        const TElem& elem = Elems[static_cast<size_t>(e)];
        if (elem.Kind == TElemKind::Rule && !Rules[static_cast<size_t>(elem.Index)].Pure)
          return false;
      }
    }
    return true;
  };
  for (auto& rule : Rules) rule.Pure = rule.Tag == 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (auto& rule : Rules) {
      if (rule.Pure && !usesOnlyPure(rule)) {
        rule.Pure = false;
        changed = true;
      }
    }
  }
  for (auto& rule : Rules) rule.PureBody = usesOnlyPure(rule);
}

void TCompiledGrammar::MakeHot() {
  HotAlts.clear();
  HotRules.clear();
  for (const auto& alt : Alts) {
    THotAlt& hot = HotAlts.emplace_back();
    hot.Elem = alt.Elem;
    hot.ElemEnd = alt.ElemEnd;
    hot.Fallback = alt.Repeat && alt.FallbackElem < alt.ElemEnd ? alt.FallbackElem : -1;
    hot.Repeat = alt.Repeat;
    hot.Any = alt.First.Any;
    hot.Accept = alt.First.Accept;
  }
  for (const auto& rule : Rules) {
    THotRule& hot = HotRules.emplace_back();
    hot.Alt = rule.Alt;
    hot.AltEnd = rule.AltEnd;
    hot.Tag = rule.Tag;
    hot.Pure = rule.Pure;
    hot.PureBody = rule.PureBody;
    hot.LeftRecursive = rule.LeftRecursive;
    hot.Any = rule.First.Any;
    hot.Accept = rule.First.Accept;
  }
}

}  // namespace zan
