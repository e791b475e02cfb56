#include "parsing/LL1Parser.h"

#include <limits>

#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::string_view kSource = "MigWizard\\LL1Parser";

// The lower-cased input character that literals are compared with.
inline char16_t LowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  return AnsiLowerChar(c);
}

// A failed rule attempt that took at least this many steps (alternatives tried,
// plus one per 16 characters of class runs) is remembered, so that it is not
// repeated at the same position.
constexpr uint64_t kRememberFailureSteps = 32;

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
  bool Pure = false;         // only positions are saved (see TCompiledRule::Pure)
  int SavedPos = 0;          // pure rules: the saved, fallback and pending positions
  int FallbackPos = 0;
  int PendingPos = 0;
  uint64_t Steps = 0;
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
  FFailedAt.clear();
  FFailedRules.clear();
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
  FFailedAt.assign(FGrammar.Rules.size(), {});
  FFailedRules.clear();
}

bool TLL1Parser::ParseString(std::u16string_view InpStr, std::u16string_view StartRule, int& Pos) {
  if (!FRulesPrepared) PrepareRules();
  // Nothing refers to the text after the call; memory that a huge text made
  // the stack grow to is given back.
  struct TInputGuard {
    TLL1Parser& Parser;
    ~TInputGuard() {
      Parser.FInputStr = {};
      if (Parser.FStack.capacity() > 65536) std::vector<TFrame>().swap(Parser.FStack);
    }
  } guard{*this};
  FInputStr = InpStr;
  FState->SetCurPos(Pos);
  FErrorPos = Pos;
  FErrorStr.clear();
  FFarthestPos = Pos;
  FStack.clear();
  for (auto& starts : FActiveStarts) starts.clear();
  for (int rule : FFailedRules)
    std::unordered_set<int>().swap(FFailedAt[static_cast<size_t>(rule)]);
  FFailedRules.clear();

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

bool TLL1Parser::Viable(const TFirstSet& First, int Pos) {
  if (First.Any) return true;
  if (Pos > FFarthestPos) FFarthestPos = Pos;
  if (Pos < 1 || static_cast<size_t>(Pos) > FInputStr.size()) return false;
  char16_t c = FInputStr[static_cast<size_t>(Pos - 1)];
  if (c < 256) return First.Accept.In[c];
  char16_t lower = AnsiLowerChar(c);
  return lower < 256 ? First.Lower.In[lower] : First.HighLiteral;
}

void TLL1Parser::EnsureStates(size_t Depth) {
  while (FSaved.size() <= Depth) {
    FSaved.push_back(FParseStateClass(*this));
    FFallback.push_back(FParseStateClass(*this));
    FPending.push_back(FParseStateClass(*this));
  }
}

bool TLL1Parser::StartAlternative(TFrame& Frame, int FromAlt) {
  const TCompiledRule& rule = FGrammar.Rules[static_cast<size_t>(Frame.Rule)];
  const int pos = FState->CurPos();
  for (int a = FromAlt; a < rule.AltEnd; ++a) {
    const TCompiledAlt& alt = FGrammar.Alts[static_cast<size_t>(a)];
    if (!Viable(alt.First, pos)) continue;
    Frame.Alt = a;
    Frame.Elem = alt.Elem;
    Frame.ElemEnd = alt.ElemEnd;
    Frame.FallbackElem = alt.Repeat && alt.FallbackElem < alt.ElemEnd ? alt.FallbackElem : -1;
    Frame.Touched = false;
    ++FSteps;
    return true;
  }
  Frame.Alt = rule.AltEnd;
  return false;
}

// Opens a frame for `Rule` at the current position. False when the rule cannot
// match there (its first characters exclude the next input character, or it
// has already failed there); the rule is then not entered at all.
bool TLL1Parser::PushRule(int Rule) {
  const TCompiledRule& rule = FGrammar.Rules[static_cast<size_t>(Rule)];
  const int pos = FState->CurPos();
  if (!Viable(rule.First, pos)) return false;
  const auto& failed = FFailedAt[static_cast<size_t>(Rule)];
  if (!failed.empty() && failed.count(pos) != 0) return false;
  if (rule.LeftRecursive) {
    auto& starts = FActiveStarts[static_cast<size_t>(Rule)];
    // Re-entered where it started without reading anything: it would never end.
    if (!starts.empty() && starts.back() == pos)
      throw EGrammarError(u"Left-recursive rule: " + rule.Name);
    starts.push_back(pos);
  }
  TFrame& frame = FStack.emplace_back();
  frame.Rule = Rule;
  frame.Start = pos;
  frame.Steps = FSteps;
  frame.Pure = rule.Pure;
  if (rule.Pure) {
    frame.SavedPos = pos;
  } else {
    EnsureStates(FStack.size() - 1);
    if (rule.Tag != 0) EnterNonTerminal(rule.Tag);
    FSaved[FStack.size() - 1]->Assign(*FState);
  }
  StartAlternative(FStack.back(), rule.Alt);
  return true;
}

// Closes the top frame with `Result`; returns false when it was the last one.
bool TLL1Parser::FinishFrame(bool Result) {
  const TFrame& frame = FStack.back();
  const TCompiledRule& rule = FGrammar.Rules[static_cast<size_t>(frame.Rule)];
  if (!Result && FSteps - frame.Steps >= kRememberFailureSteps) {
    auto& failed = FFailedAt[static_cast<size_t>(frame.Rule)];
    if (failed.empty()) FFailedRules.push_back(frame.Rule);
    failed.insert(frame.Start);
  }
  if (rule.LeftRecursive) FActiveStarts[static_cast<size_t>(frame.Rule)].pop_back();
  if (rule.Tag != 0) LeaveNonTerminal(rule.Tag, Result);
  FStack.pop_back();
  return !FStack.empty();
}

bool TLL1Parser::Run(int StartRule) {
  if (!PushRule(StartRule)) return false;
  const std::u16string_view input = FInputStr;
  const int length = static_cast<int>(input.size());
  bool result = false;  // outcome of the frame that just closed
  bool resume = false;  // the top frame resumes after a child frame closed
  for (;;) {
    const size_t depth = FStack.size() - 1;
    TFrame* frame = &FStack[depth];
    const TCompiledRule& rule = FGrammar.Rules[static_cast<size_t>(frame->Rule)];
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
            FSteps += static_cast<uint64_t>(end - pos) >> 4;
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
          if (PushRule(e.Index))
            pushed = true;
          else
            matched = false;
          break;
        case TElemKind::Undefined:
          throw EGrammarError(u"Unknown nonterminal: " +
                              FGrammar.UndefinedNames[static_cast<size_t>(e.Index)]);
      }
      if (pushed) break;
    }
    if (pushed) continue;  // the new frame is on top

    const TCompiledAlt* alt =
        frame->Alt < rule.AltEnd ? &FGrammar.Alts[static_cast<size_t>(frame->Alt)] : nullptr;
    if (matched && rule.Tag != 0 &&
        !AcceptAlternative(
            rule.Tag, FGrammSL.Rule(frame->Rule).Alternatives[static_cast<size_t>(alt->Source)])) {
      matched = false;
    }

    bool more;  // another alternative (or repetition) of the frame has started
    if (matched && alt->Repeat) {
      // One more repetition: the rule starts over from here.
      ++frame->Iter;
      frame->UseFallback = alt->FallbackElem < alt->ElemEnd;
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
