#include "parsing/LL1Parser.h"

#include <algorithm>
#include <limits>

#include "rtl/ScopeExit.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::string_view kSource = "MigWizard\\LL1Parser";

// The lower-cased input character that literals are compared with.
inline char16_t LowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  return AnsiLowerChar(c);
}

// A rule attempt that took at least this many steps (alternatives tried, plus
// one per 16 characters of class runs) is remembered exactly: a failure of any
// rule, and the outcome of a pure rule, so that it is not repeated at the same
// position. Only whether a count reaches this number matters, so a count taken
// from a remembered outcome is capped at it (see FinishFrame).
constexpr uint64_t kRememberSteps = 32;

// Slots of the cache of pure rules' outcomes (a power of two).
constexpr int kMemoBits = 10;
constexpr size_t kMemoSlots = size_t(1) << kMemoBits;

inline size_t MemoSlot(int rule, int pos) {
  return (static_cast<uint32_t>(pos) * 0x9E3779B1u + static_cast<uint32_t>(rule) * 0x85EBCA77u) >>
         (32 - kMemoBits);
}

inline uint64_t OutcomeKey(int rule, int pos) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(rule) + 1) << 32) |
         static_cast<uint32_t>(pos);
}

inline size_t OutcomeHash(uint64_t key) {
  key *= 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(key ^ (key >> 29));
}

TCharTable CharsOf(std::u16string_view chars) {
  TCharTable table;
  for (char16_t c : chars) table.In[c] = true;
  return table;
}

TCharTable Range(char16_t from, char16_t to, TCharTable table = {}) {
  for (char16_t c = from; c <= to; ++c) table.In[c] = true;
  return table;
}

struct TEngineClass {
  std::u16string_view Name;
  TCharTable Chars;
  bool Run;
};

const std::vector<TEngineClass>& EngineClasses() {
  static const std::vector<TEngineClass> classes = [] {
    TCharTable letters = Range(u'a', u'z', Range(u'A', u'Z', CharsOf(u"_")));
    TCharTable digits = Range(u'0', u'9');
    TCharTable alnum = Range(u'0', u'9', letters);
    TCharTable hex = Range(u'a', u'f', Range(u'A', u'F', digits));
    TCharTable symbols = Range(1, 255);
    symbols.In[u'\''] = false;
    return std::vector<TEngineClass>{
        {u"<*char>", letters, false},   {u"<*chars_or_digits>", alnum, true},
        {u"<*digit>", digits, false},   {u"<*digits>", digits, true},
        {u"<*hexs>", hex, true},        {u"<*symbol>", symbols, false},
        {u"<*symbols>", symbols, true},
    };
  }();
  return classes;
}

}  // namespace

/// One open rule on the explicit parse stack.
struct TLL1Parser::TFrame {
  int Rule = 0;
  int Alt = 0;   // the alternative being matched (absolute index)
  int Elem = 0;  // its next symbol
  int ElemEnd = 0;
  int FallbackElem = -1;     // repetition step: where its shorter fallback ends
  int Start = 0;             // input position where the rule started
  int Iter = 0;              // repetitions completed
  bool UseFallback = false;  // the last repetition falls back to a shorter prefix
  bool Touched = false;      // the alternative has changed the state
  bool Pure = false;         // only positions are saved (see TCompiledRule::PureBody)
  int SavedPos = 0;          // pure rules: the saved, fallback and pending positions
  int FallbackPos = 0;
  int PendingPos = 0;
  uint64_t Steps = 0;   // the step count when the rule started
  uint64_t Steady = 0;  // steps a new attempt at the same position would count
};

TLL1Parser::TLL1Parser(TParseStateClass ParseStateClass)
    : FState(ParseStateClass(*this)), FParseStateClass(ParseStateClass) {}

TLL1Parser::~TLL1Parser() = default;

void TLL1Parser::AddRule(std::u16string_view ARule) {
  Assert(!FRulesPrepared, kSource);
  FGrammSL.AddRule(ARule);
}

void TLL1Parser::ClearRules() {
  FGrammSL.Clear();
  FGrammar = TCompiledGrammar();
  FActiveStarts.clear();
  FMemoOn = false;
}

std::vector<std::u16string> TLL1Parser::RuleNames() const {
  std::vector<std::u16string> names;
  for (int i = 0; i < FGrammSL.Count(); ++i) names.push_back(FGrammSL.Rule(i).Name);
  return names;
}

std::vector<std::u16string> TLL1Parser::Alternatives(std::u16string_view RuleName) const {
  int index = FGrammSL.IndexOf(RuleName);
  if (index < 0) return {};
  return FGrammSL.Rule(index).Alternatives;
}

void TLL1Parser::GetCharClass(const std::u16string& Name, TCharTable& Chars, bool& Run) {
  for (const auto& cls : EngineClasses()) {
    if (cls.Name == Name) {
      Chars = cls.Chars;
      Run = cls.Run;
      return;
    }
  }
  Chars = TCharTable();
  Run = false;
  Assert(false, kSource);
}

int TLL1Parser::NonTerminalTag(const std::u16string& Name) {
  (void)Name;
  return 0;
}
void TLL1Parser::EnterNonTerminal(int Tag) {
  (void)Tag;
}
void TLL1Parser::LeaveNonTerminal(int Tag, bool Result) {
  (void)Tag;
  (void)Result;
}
bool TLL1Parser::AcceptAlternative(int Tag, const std::u16string& Alternative) {
  (void)Tag;
  (void)Alternative;
  return true;
}

void TLL1Parser::PrepareRules() {
  FRulesPrepared = true;
  try {
    FGrammSL.RemoveEmptyAlternatives();
    FGrammSL.SortAlternatives();
    FGrammar.Compile(
        FGrammSL,
        [this](const std::u16string& name, TCharTable& chars, bool& run) {
          try {
            GetCharClass(name, chars, run);
            return true;
          } catch (const EAssertionFailed&) {
            return false;  // raised again if a parse reaches the class
          }
        },
        [this](const std::u16string& name) { return NonTerminalTag(name); });
  } catch (...) {
    ClearRules();
    throw;
  }
  FActiveStarts.assign(FGrammar.Rules.size(), {});
  // A cached outcome would skip the check that a left-recursive rule is not
  // re-entered where it started, so such grammars run without the cache.
  FMemoOn = !FGrammar.HasLeftRecursion;
  FMemo.assign(kMemoSlots, TMemoEntry());
}

int TLL1Parser::TOutcomeTable::Find(uint64_t Key, uint32_t Gen) const {
  if (Count == 0) return -1;
  // Most keys asked for were never added: one look at the marks tells.
  if (Marks[OutcomeHash(Key) >> (64 - kMarkBits)] != Gen) return -1;
  const size_t mask = Slots.size() - 1;
  for (size_t i = OutcomeHash(Key) & mask;; i = (i + 1) & mask) {
    const TSlot& slot = Slots[i];
    if (slot.Gen != Gen) return -1;
    if (slot.Key == Key) return slot.End;
  }
}

void TLL1Parser::TOutcomeTable::Add(uint64_t Key, uint32_t Gen, int End) {
  if ((Count + 1) * 2 > Slots.size()) {
    // Grow, keeping this generation's entries.
    std::vector<TSlot> old;
    old.swap(Slots);
    Slots.assign(std::max<size_t>(64, old.size() * 2), TSlot());
    const size_t mask = Slots.size() - 1;
    for (const TSlot& slot : old) {
      if (slot.Gen != Gen) continue;
      size_t i = OutcomeHash(slot.Key) & mask;
      while (Slots[i].Gen == Gen) i = (i + 1) & mask;
      Slots[i] = slot;
    }
  }
  const size_t mask = Slots.size() - 1;
  size_t i = OutcomeHash(Key) & mask;
  for (; Slots[i].Gen == Gen; i = (i + 1) & mask)
    if (Slots[i].Key == Key) return;
  Slots[i] = {Key, Gen, End};
  ++Count;
  Marks[OutcomeHash(Key) >> (64 - kMarkBits)] = Gen;
}

void TLL1Parser::TOutcomeTable::NewGeneration(bool Wrapped) {
  if (Wrapped) {
    std::fill(Slots.begin(), Slots.end(), TSlot());
    Marks.fill(0);
  }
  Count = 0;
  // Memory that a huge text made the table grow to is given back.
  if (Slots.size() > 65536) std::vector<TSlot>().swap(Slots);
}

void TLL1Parser::NewGeneration() {
  const bool wrapped = ++FGen == 0;
  if (wrapped) {
    // Forget every slot explicitly.
    std::fill(FMemo.begin(), FMemo.end(), TMemoEntry());
    FGen = 1;
  }
  FFailed.NewGeneration(wrapped);
  FMatched.NewGeneration(wrapped);
}

bool TLL1Parser::ParseString(std::u16string_view InpStr, std::u16string_view StartRule, int& Pos) {
  if (!FRulesPrepared) PrepareRules();
  // Nothing refers to the text after the call; memory that a huge text made
  // the stack grow to is given back.
  TScopeExit releaseInput([this] {
    FInputStr = {};
    if (FStack.capacity() > 65536) std::vector<TFrame>().swap(FStack);
  });
  FInputStr = InpStr;
  FState->SetCurPos(Pos);
  FErrorPos = Pos;
  FErrorStr.clear();
  FFarthestPos = Pos;
  FStack.clear();
  for (auto& starts : FActiveStarts) starts.clear();
  NewGeneration();

  DoBeforeParse();
  int rule = FGrammSL.IndexOf(StartRule);
  if (rule < 0 || rule >= static_cast<int>(FGrammar.Rules.size()))
    throw EGrammarError(u"Unknown nonterminal: " + std::u16string(StartRule));
  // Positions are 32-bit; a start outside the text matches nothing.
  const bool inRange = InpStr.size() < static_cast<size_t>(std::numeric_limits<int>::max() - 1) &&
                       Pos >= 1 && static_cast<size_t>(Pos) <= InpStr.size() + 1;
  bool result = inRange && Run(rule);
  DoAfterParse(result);
  if (result) {
    FErrorPos = -1;
    FErrorStr.clear();
    Pos = FState->CurPos();
  }
  return result;
}

// Whether an alternative or rule whose first characters are `Accept` (with
// `Cold` for characters above #255) can begin at `Pos`.
inline bool TLL1Parser::Viable(bool Any, const TCharBits& Accept, const TFirstSet& Cold, int Pos) {
  if (Any) return true;
  if (Pos > FFarthestPos) FFarthestPos = Pos;
  if (Pos < 1 || static_cast<size_t>(Pos) > FInputStr.size()) return false;
  char16_t c = FInputStr[static_cast<size_t>(Pos - 1)];
  if (c < 256) return Accept.Has(c);
  if (Cold.HighClass) return true;
  char16_t lower = AnsiLowerChar(c);
  return lower < 256 ? Cold.Lower.Has(lower) : Cold.HighLiteral;
}

void TLL1Parser::EnsureStates(size_t Depth) {
  while (FSaved.size() <= Depth) {
    FSaved.push_back(FParseStateClass(*this));
    FFallback.push_back(FParseStateClass(*this));
    FPending.push_back(FParseStateClass(*this));
  }
}

inline bool TLL1Parser::StartAlternative(TFrame& Frame, int FromAlt) {
  const int altEnd = FGrammar.HotRules[static_cast<size_t>(Frame.Rule)].AltEnd;
  const int pos = FState->CurPos();
  for (int a = FromAlt; a < altEnd; ++a) {
    const THotAlt& alt = FGrammar.HotAlts[static_cast<size_t>(a)];
    if (!Viable(alt.Any, alt.Accept, FGrammar.Alts[static_cast<size_t>(a)].First, pos)) continue;
    Frame.Alt = a;
    Frame.Elem = alt.Elem;
    Frame.ElemEnd = alt.ElemEnd;
    Frame.FallbackElem = alt.Fallback;
    Frame.Touched = false;
    ++FSteps;
    ++Frame.Steady;
    return true;
  }
  Frame.Alt = altEnd;
  return false;
}

// Opens a frame for `Rule` at the current position. Failed when the rule
// cannot match there (its first characters exclude the next input character,
// or it has already failed there); the rule is then not entered at all.
// Matched when a pure rule's outcome there is known: the position has moved.
TLL1Parser::TPush TLL1Parser::PushRule(int Rule) {
  const THotRule& rule = FGrammar.HotRules[static_cast<size_t>(Rule)];
  const int pos = FState->CurPos();
  if (!Viable(rule.Any, rule.Accept, FGrammar.Rules[static_cast<size_t>(Rule)].First, pos))
    return TPush::Failed;
  if (FFailed.Find(OutcomeKey(Rule, pos), FGen) == 0) return TPush::Failed;
  if (rule.Pure && FMemoOn) {
    const TMemoEntry& memo = FMemo[MemoSlot(Rule, pos)];
    int end = -1;
    uint64_t steady = kRememberSteps;  // a costly match (see FinishFrame)
    if (memo.Gen == FGen && memo.Pos == pos && memo.Rule == Rule + 1) {
      end = memo.End;
      steady = memo.Steady;
    } else {
      end = FMatched.Find(OutcomeKey(Rule, pos), FGen);
    }
    if (end >= 0) {
      // Count the steps that parsing it again would count, so that which
      // failures are remembered does not depend on the cache.
      FSteps += steady;
      if (!FStack.empty()) FStack.back().Steady += steady;
      if (end == 0) return TPush::Failed;
      FState->SetCurPos(end);
      return TPush::Matched;
    }
  }
  if (rule.LeftRecursive) {
    auto& starts = FActiveStarts[static_cast<size_t>(Rule)];
    // Re-entered where it started without reading anything: it would never end.
    if (!starts.empty() && starts.back() == pos)
      throw EGrammarError(u"Left-recursive rule: " +
                          FGrammar.Rules[static_cast<size_t>(Rule)].Name);
    starts.push_back(pos);
  }
  TFrame& frame = FStack.emplace_back();
  frame.Rule = Rule;
  frame.Start = pos;
  frame.Steps = FSteps;
  frame.Pure = rule.PureBody;
  if (rule.Tag != 0) EnterNonTerminal(rule.Tag);
  if (rule.PureBody) {
    frame.SavedPos = FState->CurPos();
  } else {
    const size_t depth = FStack.size() - 1;
    if (depth >= FSaved.size()) EnsureStates(depth);
    FSaved[depth]->Assign(*FState);
  }
  StartAlternative(FStack.back(), rule.Alt);
  return TPush::Pushed;
}

// Closes the top frame with `Result`; returns false when it was the last one.
//
// Two step counts are kept per frame: the steps this attempt took (the global
// count since the frame opened), and the steps a new attempt at the same
// position would take, which skips the failures remembered meanwhile. The
// second is what a cached outcome adds, so that the count, and with it the
// set of remembered failures, is the same as without the cache.
//
// Only whether a count since some frame opened reaches kRememberSteps
// decides anything, so a cached outcome adds its count capped at that number:
// a sum reaches it exactly when the capped sum does. Without the cap the
// counts of nested rules (each adding the count of the one inside, as if it
// were parsed again) would grow exponentially with the nesting depth.
//
// A pure rule's match that a new attempt would count kRememberSteps or more
// for is also remembered exactly, as costly failures are, behind the lossy
// cache. Each costly outcome at a position is thus computed once, whatever
// the nesting depth, and recomputing a cheap one costs little.
bool TLL1Parser::FinishFrame(bool Result) {
  const TFrame& frame = FStack.back();
  const THotRule& rule = FGrammar.HotRules[static_cast<size_t>(frame.Rule)];
  const bool remember = !Result && FSteps - frame.Steps >= kRememberSteps;
  if (remember) FFailed.Add(OutcomeKey(frame.Rule, frame.Start), FGen, 0);
  if (rule.Pure && FMemoOn) {
    const int end = Result ? FState->CurPos() : 0;
    if (Result && frame.Steady >= kRememberSteps)
      FMatched.Add(OutcomeKey(frame.Rule, frame.Start), FGen, end);
    if (frame.Rule < 0xFFFF) {
      FMemo[MemoSlot(frame.Rule, frame.Start)] = {
          FGen, frame.Start, end, static_cast<uint16_t>(frame.Rule + 1),
          static_cast<uint16_t>(std::min(frame.Steady, kRememberSteps))};
    }
  }
  if (rule.LeftRecursive) FActiveStarts[static_cast<size_t>(frame.Rule)].pop_back();
  if (rule.Tag != 0) LeaveNonTerminal(rule.Tag, Result);
  const uint64_t steady = remember ? 0 : frame.Steady;
  FStack.pop_back();
  if (FStack.empty()) return false;
  FStack.back().Steady += steady;
  return true;
}

bool TLL1Parser::Run(int StartRule) {
  switch (PushRule(StartRule)) {
    case TPush::Failed:
      return false;
    case TPush::Matched:
      return true;
    case TPush::Pushed:
      break;
  }
  const std::u16string_view input = FInputStr;
  const int length = static_cast<int>(input.size());
  bool result = false;  // outcome of the frame that just closed
  bool resume = false;  // the top frame resumes after a child frame closed
  for (;;) {
    const size_t depth = FStack.size() - 1;
    TFrame* frame = &FStack[depth];
    const THotRule& rule = FGrammar.HotRules[static_cast<size_t>(frame->Rule)];
    bool matched = frame->Alt < rule.AltEnd;

    if (resume) {
      resume = false;
      matched = result;
    }
    // Match the symbols of the current alternative until one fails, one is a
    // rule (a new frame), or the alternative is complete.
    bool pushed = false;
    while (matched && frame->Elem < frame->ElemEnd) {
      if (frame->Elem == frame->FallbackElem) {
        if (frame->Pure)
          frame->PendingPos = FState->CurPos();
        else
          FPending[depth]->Assign(*FState);
      }
      const TElem& e = FGrammar.Elems[static_cast<size_t>(frame->Elem)];
      const int pos = FState->CurPos();
      switch (e.Kind) {
        case TElemKind::Literal:
          if (pos <= length && LowerChar(input[static_cast<size_t>(pos - 1)]) == e.Ch) {
            FState->SetCurPos(pos + 1);
            ++frame->Elem;
            frame->Touched = true;
          } else {
            if (pos > FFarthestPos) FFarthestPos = pos;
            matched = false;
          }
          break;
        case TElemKind::Class: {
          const TCompiledClass& cls = FGrammar.Classes[static_cast<size_t>(e.Index)];
          if (!cls.Known) {
            TCharTable chars;
            bool run;
            GetCharClass(cls.Name, chars, run);  // raises the assertion
          }
          int end = pos;
          if (cls.Run) {
            while (end <= length && cls.Chars.Contains(input[static_cast<size_t>(end - 1)])) ++end;
            const uint64_t steps = static_cast<uint64_t>(end - pos) >> 4;
            FSteps += steps;
            frame->Steady += steps;
          } else if (end <= length && cls.Chars.Contains(input[static_cast<size_t>(end - 1)])) {
            ++end;
          }
          if (end > FFarthestPos) FFarthestPos = end;
          if (end == pos) {
            matched = false;
          } else {
            FState->SetCurPos(end);
            ++frame->Elem;
            frame->Touched = true;
          }
          break;
        }
        case TElemKind::Rule:
          ++frame->Elem;
          frame->Touched = true;
          switch (PushRule(e.Index)) {
            case TPush::Pushed:
              pushed = true;
              break;
            case TPush::Failed:
              matched = false;
              break;
            case TPush::Matched:
              break;
          }
          frame = &FStack[depth];  // the stack may have moved
          break;
        case TElemKind::Undefined:
          throw EGrammarError(u"Unknown nonterminal: " +
                              FGrammar.UndefinedNames[static_cast<size_t>(e.Index)]);
      }
      if (pushed) break;
    }
    if (pushed) continue;  // the new frame is on top

    const THotAlt* alt =
        frame->Alt < rule.AltEnd ? &FGrammar.HotAlts[static_cast<size_t>(frame->Alt)] : nullptr;
    if (matched && rule.Tag != 0 &&
        !AcceptAlternative(rule.Tag,
                           FGrammSL.Rule(frame->Rule)
                               .Alternatives[static_cast<size_t>(
                                   FGrammar.Alts[static_cast<size_t>(frame->Alt)].Source)])) {
      matched = false;
    }

    bool more;  // another alternative (or repetition) of the frame has started
    if (matched && alt->Repeat) {
      // One more repetition: the rule starts over from here.
      ++frame->Iter;
      frame->UseFallback = alt->Fallback >= 0;
      if (frame->Pure) {
        frame->FallbackPos = frame->PendingPos;
        frame->SavedPos = FState->CurPos();
      } else {
        if (frame->UseFallback) std::swap(FFallback[depth], FPending[depth]);
        FSaved[depth]->Assign(*FState);
      }
      more = StartAlternative(*frame, rule.Alt);
    } else if (matched) {
      result = true;
      if (!FinishFrame(result)) return result;
      resume = true;
      continue;
    } else {
      if (!frame->Touched)
        ;
      else if (frame->Pure)
        FState->SetCurPos(frame->SavedPos);
      else
        FState->Assign(*FSaved[depth]);
      more = frame->Alt < rule.AltEnd && StartAlternative(*frame, frame->Alt + 1);
    }
    if (more) continue;
    // No alternative is left. A repetition that matched at least once ends
    // after its last step ("X R" failed in R), or after that step's prefix.
    result = frame->Iter > 0;
    if (result && frame->UseFallback) {
      if (frame->Pure)
        FState->SetCurPos(frame->FallbackPos);
      else
        FState->Assign(*FFallback[depth]);
    }
    if (!FinishFrame(result)) return result;
    resume = true;
  }
}

}  // namespace zan
