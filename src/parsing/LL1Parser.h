// The grammar engine: a backtracking top-down parser that takes its grammar
// as rule texts and recognises a prefix of a text as an instance of a rule.
//
// Rule text: "<name>-alt|alt|..."; inside an alternative "<rule>" names a
// rule, "<*class>" a character class, every other character is a literal
// compared with the lower-cased input ("\60" is the character with code 60,
// "\|" a literal "|"). The whole text is lower-cased when added, so grammars
// are case-insensitive.
//
// The first parse prepares the grammar once: empty alternatives are expanded
// into the rules that use them, and each rule's alternatives are ordered
// (literal first, then class, then rule; longer before its prefix). A rule
// then tries its alternatives in that order and the first that matches wins;
// a rule that has matched is never re-opened. Every attempt starts from the
// parse state saved at the rule's start, and a failed attempt restores it, so
// whatever a subclass records in its state is undone with the position.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/LL1Grammar.h"
#include "rtl/SysUtils.h"

namespace zan {

/// A malformed rule text, a nonterminal the grammar does not define, or a
/// grammar the engine cannot run; carries the message only.
class EGrammarError : public Exception {
 public:
  using Exception::Exception;
};

class TLL1Parser;

/// The parse position (1-based `CurPos`) and whatever a subclass records with
/// it. The engine creates every state through the parser's state class, saves
/// the current state with `Assign` when a rule starts and restores it with
/// `Assign` after each alternative that fails; a subclass extends `Assign`.
class TParseState {
 public:
  explicit TParseState(TLL1Parser& AParser) : FParser(&AParser) {}
  virtual ~TParseState() = default;
  TParseState(const TParseState&) = delete;
  TParseState& operator=(const TParseState&) = delete;

  /// Copies `Source` into this state. The engine's state copies `CurPos` only.
  virtual void Assign(const TParseState& Source) { FCurPos = Source.FCurPos; }

  int CurPos() const { return FCurPos; }
  void SetCurPos(int Value) { FCurPos = Value; }
  TLL1Parser& Parser() const { return *FParser; }

 protected:
  int FCurPos = 0;

 private:
  TLL1Parser* FParser;
};

/// Creates a state of a given class for a parser (the class reference of a
/// state class); `ParseStateClassOf<T>` gives the one for class T.
using TParseStateClass = std::unique_ptr<TParseState> (*)(TLL1Parser& Parser);
template <class T>
std::unique_ptr<TParseState> ParseStateClassOf(TLL1Parser& Parser) {
  return std::make_unique<T>(Parser);
}

/// The grammar engine (see the file comment). A subclass adds its grammar with
/// `AddRule`, may define character classes (`GetCharClass`) and observes the
/// parse through the protected virtual operations. Not reentrant: one parse at
/// a time per instance.
///
/// No input makes the engine recurse natively: the parse runs on an explicit
/// stack (heap memory), and right recursion of the form "X R | X" runs as a
/// loop. Work that cannot change the outcome is skipped: an alternative or
/// rule that cannot begin with the next character is not tried, a rule that
/// has failed after real work at a position is not tried there again (whether
/// a rule matches depends on the input only), and the outcome of a rule that
/// neither is observed nor uses an observed rule is taken from a cache when it
/// was parsed at the same position before (exactly kept when it took real
/// work). So no rule's costly work at a position is done twice, and the time
/// stays close to linear in the text however deeply its constructs nest. None
/// of this changes what the observing operations see.
class TLL1Parser {
 public:
  explicit TLL1Parser(TParseStateClass ParseStateClass = &ParseStateClassOf<TParseState>);
  virtual ~TLL1Parser();
  TLL1Parser(const TLL1Parser&) = delete;
  TLL1Parser& operator=(const TLL1Parser&) = delete;

  /// Adds one rule (format in the file comment); a second text for the same
  /// name appends its alternatives. Throws EGrammarError with "Cannot add rule.
  /// Invalid rule format." on a malformed text; an assertion failure once the
  /// grammar has been prepared.
  void AddRule(std::u16string_view ARule);
  /// Forgets every rule. The grammar stays prepared: rules cannot be added.
  void ClearRules();

  /// Parses `InpStr` from the 1-based position `Pos` as `StartRule` (a name
  /// with its angle brackets, any letter case). On success returns true and
  /// sets `Pos` after the recognised text; otherwise returns false and leaves
  /// `Pos` unchanged. The text is read in place: it must stay alive and
  /// unchanged during the call only. Throws EGrammarError "Unknown nonterminal:
  /// <name>" when the parse reaches a rule the grammar does not define.
  bool ParseString(std::u16string_view InpStr, std::u16string_view StartRule, int& Pos);

  TParseState& State() const { return *FState; }
  /// Start position of the last parse that failed; -1 after a success.
  int ErrorPos() const { return FErrorPos; }
  /// Always empty: the engine records no failure text.
  const std::u16string& ErrorStr() const { return FErrorStr; }
  bool RulesPrepared() const { return FRulesPrepared; }
  /// The farthest position at which the last parse compared a character (a
  /// diagnostic: where a failed parse got stuck).
  int FarthestPos() const { return FFarthestPos; }

  /// The rule names in table order, and a rule's alternatives as they stand
  /// (as added before the first parse, rewritten and ordered after it).
  std::vector<std::u16string> RuleNames() const;
  std::vector<std::u16string> Alternatives(std::u16string_view RuleName) const;

 protected:
  /// Gives the characters of the class named `Name` ("<*digits>") and whether
  /// it matches a run of them or one character. Asked once per class when the
  /// grammar is prepared; the engine's classes are below, an unknown name is
  /// an assertion failure (raised when the parse reaches the class).
  /// "<*char>" A-Z a-z _ (one); "<*chars_or_digits>" 0-9 A-Z a-z _ (run);
  /// "<*digit>" 0-9 (one); "<*digits>" 0-9 (run); "<*hexs>" 0-9 A-F a-f (run);
  /// "<*symbol>"/"<*symbols>" #1..#255 except "'" (one/run). Characters above
  /// #255 belong to none of these; a subclass's class takes them all by
  /// setting `Chars.High`.
  virtual void GetCharClass(const std::u16string& Name, TCharTable& Chars, bool& Run);

  /// Asked once per rule when the grammar is prepared: a non-zero tag makes
  /// the engine report every expansion of that rule to the three operations
  /// below (with the tag), except where the rule is not tried at all (it
  /// cannot begin with the next character, or failed there before); rules
  /// with tag 0 run unobserved. An observed rule is never run as a loop.
  virtual int NonTerminalTag(const std::u16string& Name);
  /// A tagged rule starts: the state is positioned at its start. Changes made
  /// here are part of the state that each alternative starts from.
  virtual void EnterNonTerminal(int Tag);
  /// A tagged rule ends: on success the state is positioned after it; on
  /// failure it is as it was after EnterNonTerminal.
  virtual void LeaveNonTerminal(int Tag, bool Result);
  /// An alternative of a tagged rule has matched (the state is at its end);
  /// returning false makes it fail as if its last symbol had not matched. The
  /// answer must depend on the input and the positions only.
  virtual bool AcceptAlternative(int Tag, const std::u16string& Alternative);

  /// Called after the input and the state are set up, before the start rule.
  virtual void DoBeforeParse() {}
  /// Called with the outcome of the start rule; may change it.
  virtual void DoAfterParse(bool& Result) { (void)Result; }

  /// The text of the parse in progress (empty outside ParseString).
  std::u16string_view InputStr() const { return FInputStr; }

 private:
  struct TFrame;
  enum class TPush : uint8_t { Failed, Pushed, Matched };
  // Outcomes of rules at positions: a lossy cache of the pure rules' cheap
  // results, and an exact table of the costly ones (a failure of any rule, a
  // match of a pure rule).
  struct TMemoEntry {
    uint32_t Gen = 0;
    int Pos = 0;
    int End = 0;          // position after the match, 0 when the rule failed
    uint16_t Rule = 0;    // rule index + 1
    uint16_t Steady = 0;  // steps a new attempt would count (see FinishFrame)
  };
  // (rule, position) -> outcome, by open addressing; slots of older
  // generations (parses) are empty.
  struct TOutcomeTable {
    struct TSlot {
      uint64_t Key = 0;
      uint32_t Gen = 0;
      int End = 0;  // position after the match, 0 when the rule failed
    };
    static constexpr int kMarkBits = 12;
    std::vector<TSlot> Slots;
    size_t Count = 0;
    // Per top bits of a key's hash: the generation that last added such a key.
    std::array<uint32_t, size_t(1) << kMarkBits> Marks{};
    // The end kept for `Key`, 0 (failed) or -1 (none).
    int Find(uint64_t Key, uint32_t Gen) const;
    void Add(uint64_t Key, uint32_t Gen, int End);
    void NewGeneration(bool Wrapped);
  };
  void PrepareRules();
  bool Run(int StartRule);
  TPush PushRule(int Rule);
  bool StartAlternative(TFrame& Frame, int FromAlt);
  bool Viable(bool Any, const TCharBits& Accept, const TFirstSet& Cold, int Pos);
  bool FinishFrame(bool Result);
  void EnsureStates(size_t Depth);
  void NewGeneration();

  TRuleTable FGrammSL;
  std::unique_ptr<TParseState> FState;
  TParseStateClass FParseStateClass;
  int FErrorPos = -1;
  std::u16string FErrorStr;
  bool FRulesPrepared = false;
  std::u16string_view FInputStr;

  TCompiledGrammar FGrammar;
  std::vector<TFrame> FStack;
  // Per stack depth: the state the current alternative started from, and for
  // repetitions the committed and the pending state to fall back to.
  std::vector<std::unique_ptr<TParseState>> FSaved;
  std::vector<std::unique_ptr<TParseState>> FFallback;
  std::vector<std::unique_ptr<TParseState>> FPending;
  std::vector<std::vector<int>> FActiveStarts;  // per rule: starts of its open frames
  std::vector<TMemoEntry> FMemo;                // direct-mapped by (rule, position)
  TOutcomeTable FFailed;                        // every rule's costly failures
  TOutcomeTable FMatched;                       // pure rules' costly matches
  uint32_t FGen = 0;  // the current parse's generation: older slots are empty
  bool FMemoOn = false;
  uint64_t FSteps = 0;
  int FFarthestPos = 0;
};

}  // namespace zan
