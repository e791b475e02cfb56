// The grammar of the LL(1) engine: rule texts as they are added, the one-time
// rewriting that prepares them, and the compiled form the matcher runs on.
//
// Kept apart from `TLL1Parser` so that the rewriting (empty alternatives
// expanded away, alternatives ordered) and the compilation (symbols resolved,
// first-character sets, repetitions recognised) can be read and tested on
// their own; the parser owns one `TRuleTable` and, once prepared, one
// `TCompiledGrammar`.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zan {

/// The rules by name (kept sorted, names compared without regard to case),
/// each with its alternatives as decoded text.
class TRuleTable {
 public:
  struct TRule {
    std::u16string Name;
    std::vector<std::u16string> Alternatives;
  };

  /// Reads one rule text (name, one separator character, alternatives split
  /// at "|" with "\" escapes). Throws EGrammarError on a malformed text; the
  /// alternatives read before the error stay.
  void AddRule(std::u16string_view text);
  void Clear() { FRules.clear(); }

  int Count() const { return static_cast<int>(FRules.size()); }
  const TRule& Rule(int index) const { return FRules[static_cast<size_t>(index)]; }
  /// Index of the rule named `name` (any letter case), or -1.
  int IndexOf(std::u16string_view name) const;

  /// Expands every empty alternative into the rules that use its rule, pass
  /// after pass until no rule has one left.
  void RemoveEmptyAlternatives();
  /// Orders every rule's alternatives: literal first, then character class,
  /// then nonterminal; within each, descending by text (so a longer
  /// alternative comes before its prefix).
  void SortAlternatives();

  /// Compares two alternatives as the ordering does (<0 when `a` goes first).
  static int CompareAlternatives(std::u16string_view a, std::u16string_view b);

 private:
  bool Find(std::u16string_view name, int& index) const;
  void RemoveEmptyAlternative(int ruleIndex);

  std::vector<TRule> FRules;
};

/// Where a "<" at `pos` of an alternative opens a symbol, the length of the
/// symbol text ("<name>" inclusive); 0 when that "<" is a literal.
size_t SymbolLength(std::u16string_view alternative, size_t pos);

/// A set of characters: those in the first 256 code points by table, and
/// either every character above #255 (`High`) or none.
struct TCharTable {
  std::array<bool, 256> In{};
  bool High = false;
  bool Contains(char16_t c) const { return c < 256 ? In[c] : High; }
};

/// A set of characters in the first 256 code points as 256 bits: the compact
/// form the matcher tests input characters against.
struct TCharBits {
  std::array<uint64_t, 4> W{};
  bool Has(unsigned c) const { return (W[c >> 6] >> (c & 63)) & 1; }
  void Set(unsigned c) { W[c >> 6] |= uint64_t(1) << (c & 63); }
  bool operator==(const TCharBits&) const = default;
};

/// The characters an alternative (or rule) can begin with: input characters
/// tested raw against character classes, lower-cased against literals.
struct TFirstSet {
  // Raw and Lower combined for input characters below #256 (filled by Finish):
  // the one table the matcher reads, so it comes first.
  TCharBits Accept;
  TCharBits Raw;             // characters matched by a leading character class
  TCharBits Lower;           // lower-cased characters matched by a leading literal
  bool HighLiteral = false;  // a leading literal above #255
  bool HighClass = false;    // a leading character class takes every character above #255
  bool Any = false;          // not known before the parse (undefined symbol): never skipped

  void Finish();

  void Merge(const TFirstSet& other);
  bool operator==(const TFirstSet& other) const;
};

enum class TElemKind : uint8_t { Literal, Class, Rule, Undefined };

/// One symbol of a compiled alternative.
struct TElem {
  TElemKind Kind;
  char16_t Ch;  // Literal: the character to compare with the lower-cased input
  int Index;    // Class: class index; Rule: rule index; Undefined: name index
};

/// A compiled alternative, or for a repetition one step of it.
struct TCompiledAlt {
  int Elem = 0;
  int ElemEnd = 0;
  // For a step whose fallback ("X R" failed in R) is a shorter prefix of X:
  // the element index where that prefix ends, else ElemEnd.
  int FallbackElem = 0;
  int Source = 0;  // index of the alternative text in the rule table
  // Repetition step ("X R" run as a loop): after X, the rule starts over.
  bool Repeat = false;
  TFirstSet First;
};

struct TCompiledRule {
  int Alt = 0;
  int AltEnd = 0;
  int Tag = 0;        // the subclass's observation tag (0: not observed)
  bool Loop = false;  // alternatives are repetition steps
  bool LeftRecursive = false;
  // Neither the rule nor any rule it uses is observed: nothing but the
  // position can change while it is parsed, so only the position is saved,
  // and its outcome at a position depends on the input alone.
  bool Pure = false;
  // Every rule it uses is pure (the rule itself may be observed): while an
  // alternative of it is matched only the position changes, so a failed one
  // is undone by restoring the position.
  bool PureBody = false;
  TFirstSet First;
  std::u16string Name;
};

/// What the matcher reads of an alternative, packed (the full record is
/// `TCompiledAlt`, at the same index).
struct THotAlt {
  int Elem = 0;
  int ElemEnd = 0;
  int Fallback = -1;  // a repetition step's shorter fallback ends here; -1: none
  bool Repeat = false;
  bool Any = false;  // First.Any
  TCharBits Accept;  // First.Accept
};

/// What the matcher reads of a rule, packed (the full record is
/// `TCompiledRule`, at the same index).
struct THotRule {
  int Alt = 0;
  int AltEnd = 0;
  int Tag = 0;
  bool Pure = false;
  bool PureBody = false;
  bool LeftRecursive = false;
  bool Any = false;  // First.Any
  TCharBits Accept;  // First.Accept
};

struct TCompiledClass {
  std::u16string Name;
  TCharTable Chars;
  TCharBits Bits;  // Chars as bits
  bool Run = false;
  bool Known = false;  // false: the subclass does not define it (an assertion when reached)
};

/// The prepared grammar in the form the matcher runs on.
struct TCompiledGrammar {
  std::vector<TCompiledRule> Rules;  // same order as the rule table
  std::vector<TCompiledAlt> Alts;
  std::vector<THotRule> HotRules;  // Rules and Alts as the matcher reads them
  std::vector<THotAlt> HotAlts;
  std::vector<TElem> Elems;
  std::vector<TCompiledClass> Classes;
  std::vector<std::u16string> UndefinedNames;
  bool HasLeftRecursion = false;  // some rule is left-recursive

  using TClassQuery = std::function<bool(const std::u16string& name, TCharTable& chars, bool& run)>;
  using TTagQuery = std::function<int(const std::u16string& name)>;

  /// Compiles a prepared rule table. `classQuery` gives a class's characters
  /// (false when the class is unknown); `tagQuery` the subclass's tag per rule.
  /// Rules with a tag are never turned into loops, so every expansion of them
  /// is reported.
  void Compile(const TRuleTable& table, const TClassQuery& classQuery, const TTagQuery& tagQuery);

 private:
  void CompileAlternative(std::u16string_view text, const TRuleTable& table);
  void ComputeFirstSets();
  void FindLeftRecursion();
  void FindPureRules();
  void MakeHot();
  void MakeLoops();
};

}  // namespace zan
