#include "parsing/LL1Parser.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "parsing/FormParser.h"
#include "parsing/LL1TestUtil.h"
#include "rtl/Strings.h"

namespace zan {
namespace {

using test::DumpParse;
using test::DumpRule;

constexpr const char* kInvalid = "error: Cannot add rule. Invalid rule format.";

// Adds `rules` (UTF-8) to a fresh parser; "error: ..." when one is rejected.
std::string AddAll(TLL1Parser& parser, const std::vector<std::string>& rules) {
  try {
    for (const auto& rule : rules) parser.AddRule(Utf8ToUtf16(rule));
  } catch (const std::exception& e) {
    return std::string("error: ") + e.what();
  }
  return "";
}

void Prepare(TLL1Parser& parser) {
  int pos = 1;
  try {
    parser.ParseString(u"", parser.RuleNames().empty() ? u"<x>" : parser.RuleNames()[0], pos);
  } catch (const EGrammarError&) {
  }
}

// ---- Rule texts ----------------------------------------------------------

struct TRuleTextCase {
  std::vector<std::string> Rules;
  std::string Rule;      // rule to dump
  std::string Expected;  // its alternatives, or the error
};

TEST(LL1ParserTest, RuleTextFormat) {
  const TRuleTextCase cases[] = {
      {{"<a>-x|yz"}, "<a>", "x|yz"},
      {{"<A>-X|Yz"}, "<a>", "x|yz"},                            // lower-cased, name too
      {{"<a>-x||y|"}, "<a>", "x||y|"},                          // empty alternatives kept
      {{"<a>-"}, "<a>", ""},                                    // no alternatives at all
      {{"<a>:x"}, "<a>", "x"},                                  // any separator character
      {{"<a>-\\60b\\62|\\124|\\\\|\\|"}, "<a>", "<b>|||\\||"},  // escapes decoded
      {{"<a>-\\x\\-"}, "<a>", "x-"},
      {{"<a>-a\\0b"}, "<a>", std::string("a\0b", 3)},
      {{"<a>-x", "<A>-y|z"}, "<a>", "x|y|z"},  // a second text appends
      {{"x", ""}, "<a>", ""},                  // shorter than two: ignored
      {{"ab>-c"}, "ab>", "c"},                 // the first character may be anything
      {{"<a>"}, "<a>", kInvalid},              // the ">" is the last character
      {{"<abc"}, "<a>", kInvalid},
      {{"<a>-x\\"}, "<a>", kInvalid},      // "\" at the very end
      {{"<a>-\\99999"}, "<a>", kInvalid},  // no such character
  };
  for (const auto& c : cases) {
    TLL1Parser parser;
    std::string error = AddAll(parser, c.Rules);
    std::string got = error.empty() ? DumpRule(parser, c.Rule) : error;
    EXPECT_EQ(got, c.Expected) << c.Rules[0];
  }
}

TEST(LL1ParserTest, AlternativesBeforeAnErrorStay) {
  TLL1Parser parser;
  EXPECT_EQ(AddAll(parser, {"<a>-x|y|z\\"}), kInvalid);
  EXPECT_EQ(DumpRule(parser, "<a>"), "x|y");
}

// ---- Preparation ---------------------------------------------------------

TEST(LL1ParserTest, Preparation) {
  const TRuleTextCase cases[] = {
      // Every use of a rule with an empty alternative is expanded, occurrence
      // by occurrence; the rule itself keeps its other alternatives.
      {{"<number_list>-<number>|<number><*delim><number_list>|", "<number>-<*digits>"},
       "<number_list>",
       "<number><*delim><number><*delim><number_list>|<number><*delim><number>|<number><*delim>|"
       "<number>"},
      {{"<s>-<o>x<o>", "<o>-a|"}, "<s>", "xa|x|axa|ax"},
      {{"<s>-<o>x<o>", "<o>-a|"}, "<o>", "a"},
      // Order: literal, class, rule; descending within each (longer first).
      {{"<s>-<t>|<*digits>|b|a|ab|<*digits>.<*digits>|<tt>", "<t>-x", "<tt>-y"},
       "<s>",
       "b|ab|a|<*digits>.<*digits>|<*digits>|<tt>|<t>"},
      {{"<s>-<<b>|<b>", "<b>-b"}, "<s>", "<<b>|<b>"},  // "<<" opens no symbol: literal
      {{"<s>-_|a|Z", "<t>-x"}, "<s>", "_|z|a"},        // "_" sorts after the letters
      // Removal repeats until no empty alternative is left: <a> is processed
      // before <b> gives it one.
      {{"<a>-<b>", "<b>-<c>|", "<c>-c", "<s>-<a>x"}, "<s>", "x|<c>x"},
      {{"<a>-<b>", "<b>-<c>|", "<c>-c", "<s>-<a>x"}, "<a>", "<c>"},
  };
  for (const auto& c : cases) {
    TLL1Parser parser;
    ASSERT_EQ(AddAll(parser, c.Rules), "");
    Prepare(parser);
    EXPECT_EQ(DumpRule(parser, c.Rule), c.Expected) << c.Rules[0];
  }
}

TEST(LL1ParserTest, FormGrammarPreparesAsDocumented) {
  TFormParser parser;
  Prepare(parser);
  // Forms without properties first; "=" directly after the name first; the
  // value alternatives in the documented order.
  EXPECT_EQ(DumpRule(parser, "<object>"),
            "<obj_header><*delim>end<*delim>|<obj_header><*delim>end|"
            "<obj_header><*delim><properties>end<*delim>|<obj_header><*delim><properties>end");
  EXPECT_EQ(DumpRule(parser, "<prop>"),
            "<full_prop_name>=<prop_value><*delim>|<full_prop_name>=<*delim><prop_value><*delim>|"
            "<full_prop_name><*delim>=<prop_value><*delim>|"
            "<full_prop_name><*delim>=<*delim><prop_value><*delim>");
  // An identifier (<ref>) before the numbers, values in parentheses of any
  // kind (<list>) after the lists of strings and of numbers.
  EXPECT_EQ(DumpRule(parser, "<value>"),
            "<strings>|<string>|<string2>|<set>|<ref>|<numeric_date>|<numbers>|<number>|<list>|"
            "<collection>|<binary>");
  // The header with a name before the one without; a class with a child
  // position before one without.
  EXPECT_EQ(DumpRule(parser, "<obj_header>"),
            "<keyword><*delim><obj_name><*delim>:<obj_type>|"
            "<keyword><*delim><obj_name><*delim>:<*delim><obj_type>|"
            "<keyword><*delim><obj_name>:<obj_type>|<keyword><*delim><obj_name>:<*delim><obj_type>|"
            "<keyword><*delim><obj_class>");
  EXPECT_EQ(DumpRule(parser, "<obj_type>"), "<name><*delim>[<int>]|<name>");
  // An item with properties before the one without.
  EXPECT_EQ(DumpRule(parser, "<item_body>"), "<*delim><item_props>end|<*delim><item_end>");
  EXPECT_EQ(DumpRule(parser, "<properties>"),
            "<prop><properties>|<prop>|<nested_obj><properties>|<nested_obj>");
  for (const auto& name : parser.RuleNames())
    for (const auto& alt : parser.Alternatives(name))
      EXPECT_FALSE(alt.empty()) << Utf16ToUtf8(name);
}

// ---- Matching ------------------------------------------------------------

struct TMatchCase {
  std::vector<std::string> Rules;
  std::u16string Input;
  std::string Rule;
  std::string Expected;
  int Start = 1;
};

TEST(LL1ParserTest, Matching) {
  const std::vector<std::string> number = {
      "<number>-<sign><*digits>.<*digits>e<int>|<sign><*digits>e<int>|<sign><*digits>.<*digits>|"
      "<sign><*digits>",
      "<sign>-+|-|", "<int>-<sign><*digits>"};
  const std::vector<std::string> keyword = {"<keyword>-object|inherited|inline"};
  const TMatchCase cases[] = {
      {keyword, u"OBJECT x", "<keyword>", "ok 7"},
      {keyword, u"Inherited", "<keyword>", "ok 10"},
      {keyword, u"obj", "<keyword>", "no"},
      {keyword, u"xx inline", "<keyword>", "ok 10", 4},  // from a given start
      {number, u"12.5", "<number>", "ok 5"},             // the longer alternative first
      {number, u"-12.5e+3x", "<number>", "ok 9"},
      {number, u"12.", "<number>", "ok 3"},
      {number, u"+", "<number>", "no"},
      {{"<s>-a|ab"}, u"ab", "<s>", "ok 3"},
      // A rule that has matched is not re-opened: <a> takes "ac", then "c" fails.
      {{"<s>-<a>c", "<a>-<*char>|<*char><*char>"}, u"abc", "<s>", "ok 4"},
      {{"<s>-<a>c", "<a>-<*char>|<*char><*char>"}, u"ac", "<s>", "no"},
      {{"<c>-\\60<*digits>\\62"}, u"<12>", "<c>", "ok 5"},
      {{"<s>-<*char>"}, u"\u00e9", "<s>", "no"},  // é is no letter of <*char>
      {{"<s>-<*char>"}, u"9", "<s>", "no"},
      {{"<s>-<*symbol>"}, u"\u00e9", "<s>", "ok 2"},      // but a symbol
      {{"<s>-<*symbols>"}, u"ab\u0416c", "<s>", "ok 3"},  // no class holds Ж
      {{"<s>-<*symbols>"}, u"'", "<s>", "no"},
      {{"<s>-<*hexs>"}, u"09afAFg", "<s>", "ok 7"},
      {{"<s>-<*digit><*digit>"}, u"123", "<s>", "ok 3"},
      {{"<s>-x\\65"}, u"xA", "<s>", "no"},  // literals meet the lower-cased input
      {{"<s>-x"}, u"x", "<s>", "no", 3},    // start past the end of the text
      {{"<s>-x"}, u"x", "<s>", "no", 0},
      {{"<s>-"}, u"x", "<s>", "no"},  // a rule without alternatives
      {{"<s>-x"}, u"x", "<nope>", "error: Unknown nonterminal: <nope>"},
      {{"<s>-x|y<nope>"}, u"x", "<s>", "ok 2"},  // undefined, but never reached
      {{"<s>-x|y<nope>"}, u"y", "<s>", "error: Unknown nonterminal: <nope>"},
      {{"<s>-<nope>|x"}, u"", "<s>", "error: Unknown nonterminal: <nope>"},
      {{"<s>-<*nope>|x"}, u"x", "<s>", "ok 2"},
      {{"<s>-x|<*nope>"}, u"y", "<s>", "error: Assertion failure (MigWizard\\LL1Parser)"},
      {{"<s>-<s>x|yz"}, u"yzx", "<s>", "ok 3"},
      {{"<s>-<s>x|yz"}, u"yy", "<s>", "error: Left-recursive rule: <s>"},
  };
  for (const auto& c : cases) {
    TLL1Parser parser;
    ASSERT_EQ(AddAll(parser, c.Rules), "");
    EXPECT_EQ(DumpParse(parser, c.Input, c.Rule, c.Start), c.Expected)
        << c.Rules[0] << " on " << Utf16ToUtf8(c.Input);
  }
}

TEST(LL1ParserTest, ErrorPosAndLifecycle) {
  TLL1Parser parser;
  parser.AddRule(u"<s>-ab");
  int pos = 2;
  EXPECT_FALSE(parser.ParseString(u"xab?", u"<S>", pos = 1));
  EXPECT_EQ(parser.ErrorPos(), 1);
  EXPECT_TRUE(parser.ParseString(u"xab?", u"<S>", pos = 2));
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(parser.ErrorPos(), -1);
  EXPECT_TRUE(parser.ErrorStr().empty());
  EXPECT_TRUE(parser.RulesPrepared());
  EXPECT_THROW(parser.AddRule(u"<t>-x"), EAssertionFailed);
  parser.ClearRules();
  EXPECT_THROW(parser.AddRule(u"<t>-x"), EAssertionFailed);  // still prepared
  EXPECT_EQ(DumpParse(parser, u"ab", "<s>"), "error: Unknown nonterminal: <s>");
}

// ---- What a subclass sees ------------------------------------------------

// Tags every rule, logs the calls, and keeps a counter in its state that each
// successful rule increments: a failed alternative must take it back.
class TCountingState : public TParseState {
 public:
  using TParseState::TParseState;
  void Assign(const TParseState& Source) override {
    TParseState::Assign(Source);
    Count = static_cast<const TCountingState&>(Source).Count;
  }
  int Count = 0;
};

class TRecordingParser : public TLL1Parser {
 public:
  TRecordingParser() : TLL1Parser(&ParseStateClassOf<TCountingState>) {}
  std::string Log;
  std::vector<std::u16string> Names;
  int Rejected = 0;  // tag whose alternatives ending in "x" are refused

 protected:
  int NonTerminalTag(const std::u16string& Name) override {
    Names.push_back(Name);
    return static_cast<int>(Names.size());
  }
  void EnterNonTerminal(int Tag) override {
    Log += "+" + Utf16ToUtf8(Names[Tag - 1]) + "@" + std::to_string(State().CurPos()) + " ";
  }
  void LeaveNonTerminal(int Tag, bool Result) override {
    auto& state = static_cast<TCountingState&>(State());
    if (Result) ++state.Count;
    Log += "-" + Utf16ToUtf8(Names[Tag - 1]) +
           (Result ? "@" + std::to_string(State().CurPos()) : "!") + " ";
  }
  bool AcceptAlternative(int Tag, const std::u16string& Alternative) override {
    return Tag != Rejected || !Alternative.ends_with(u"x");
  }
};

TEST(LL1ParserTest, SubclassSeesEveryRuleAndItsStateIsRestored) {
  TRecordingParser parser;
  parser.AddRule(u"<s>-<a>y|<a>z");
  parser.AddRule(u"<a>-a");
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(u"ay", u"<s>", pos));
  EXPECT_EQ(parser.Log, "+<s>@1 +<a>@1 -<a>@2 +<a>@1 -<a>@2 -<s>@3 ");
  // <a> succeeded twice, but the first time inside an alternative that failed.
  EXPECT_EQ(static_cast<TCountingState&>(parser.State()).Count, 2);
}

TEST(LL1ParserTest, RefusedAlternativeFallsThroughToTheNext) {
  TRecordingParser parser;
  parser.AddRule(u"<s>-ax|a");
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(u"ax", u"<s>", pos));
  EXPECT_EQ(pos, 3);
  parser.Rejected = 1;
  ASSERT_TRUE(parser.ParseString(u"ax", u"<s>", pos = 1));
  EXPECT_EQ(pos, 2);
}

// An observed rule that uses only unobserved rules is undone by restoring the
// position alone: what EnterNonTerminal recorded stays for every alternative,
// and nothing is counted twice.
TEST(LL1ParserTest, ObservedRuleOverUnobservedRulesKeepsWhatEnterRecorded) {
  class TEnterCountingParser : public TLL1Parser {
   public:
    TEnterCountingParser() : TLL1Parser(&ParseStateClassOf<TCountingState>) {}
    std::string Log;

   protected:
    int NonTerminalTag(const std::u16string& Name) override { return Name == u"<t>" ? 1 : 0; }
    void EnterNonTerminal(int) override { ++static_cast<TCountingState&>(State()).Count; }
    bool AcceptAlternative(int, const std::u16string& Alternative) override {
      Log += Utf16ToUtf8(Alternative) + "@" + std::to_string(State().CurPos()) + "#" +
             std::to_string(static_cast<TCountingState&>(State()).Count) + " ";
      return true;
    }
  } parser;
  parser.AddRule(u"<t>-<p>x|<p>y");
  parser.AddRule(u"<p>-<*char><*digits>");
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(u"a12y", u"<t>", pos));
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(parser.Log, "<p>y@5#1 ");
  EXPECT_EQ(static_cast<TCountingState&>(parser.State()).Count, 1);
  EXPECT_FALSE(parser.ParseString(u"a12z", u"<t>", pos = 1));
  EXPECT_EQ(parser.FarthestPos(), 4);
}

// ---- Same answers as the plain recursive algorithm ------------------------

// Grammars whose rules become loops (with full and with shorter fallbacks),
// generic right recursion, and the form grammar, run against the reference
// matcher on every short input over a few characters and on random ones.
TEST(LL1ParserTest, AgreesWithReferenceMatcher) {
  struct TGrammar {
    std::vector<std::string> Rules;
    std::string Start;
    std::u16string Alphabet;
  };
  const TGrammar grammars[] = {
      {{"<l>-<i>|<i>,<l>|", "<i>-a|ab", "<s>-(<l>)"}, "<s>", u"ab,()"},
      // The repetition ends after a shorter prefix of its step, and the rule
      // using it goes on from there.
      {{"<l>-<i>,<l>|<i>", "<i>-a|ab", "<s>-<l>,z|<l>;"}, "<s>", u"ab,z;"},
      {{"<r>-<x><r>|<x>|<y>", "<x>-a|b", "<y>-c"}, "<r>", u"abc"},
      {{"<r>-<x>,<r>|<x>,|<x>", "<x>-a|b"}, "<r>", u"ab,"},
      {{"<r>-a<r>b|ab|a"}, "<r>", u"ab"},
      {{"<s>-<p><s>|<p>|<q>end", "<p>-<*char>=<*digits>;", "<q>-e"}, "<s>", u"ae=1;nd"},
  };
  // Observing <i> makes the repetitions around it save the whole state
  // rather than the position only.
  class TObservingParser : public TLL1Parser {
   protected:
    int NonTerminalTag(const std::u16string& Name) override { return Name == u"<i>" ? 1 : 0; }
  };
  std::mt19937 random(12345);
  for (int observed = 0; observed < 2; ++observed)
    for (const auto& g : grammars) {
      std::unique_ptr<TLL1Parser> owned =
          observed ? std::make_unique<TObservingParser>() : std::make_unique<TLL1Parser>();
      TLL1Parser& parser = *owned;
      ASSERT_EQ(AddAll(parser, g.Rules), "");
      Prepare(parser);
      test::TReferenceMatcher reference(parser);
      auto check = [&](const std::u16string& input) {
        int pos = 1;
        bool ok = parser.ParseString(input, U16(g.Start), pos);
        int expected = reference.Match(input, U16(g.Start), 1);
        ASSERT_EQ(ok ? pos : 0, expected)
            << g.Rules[0] << " on " << Utf16ToUtf8(input) << " observed " << observed;
      };
      // Every input up to length 6.
      std::vector<std::u16string> layer = {u""};
      for (int length = 0; length <= 6; ++length) {
        std::vector<std::u16string> next;
        for (const auto& input : layer) {
          check(input);
          if (length < 6)
            for (char16_t c : g.Alphabet) next.push_back(input + c);
        }
        layer = std::move(next);
      }
      for (int i = 0; i < 2000; ++i) {
        std::u16string input;
        int length = static_cast<int>(random() % 40);
        for (int k = 0; k < length; ++k) input += g.Alphabet[random() % g.Alphabet.size()];
        check(input);
      }
    }
}

TEST(LL1ParserTest, FormGrammarAgreesWithReferenceMatcher) {
  TFormParser parser;
  Prepare(parser);
  std::u16string_view current;
  // The form parser refuses an object's closing "end" that is part of a word
  // or the name of a property ("End = 1", "End.Value = 1").
  test::TReferenceMatcher reference(
      parser, [&](const std::u16string& rule, const std::u16string& alt, int end) {
        const bool delimAfter = alt.ends_with(u"end<*delim>");
        if (rule != u"<object>" || (!delimAfter && !alt.ends_with(u"end"))) return true;
        size_t at = static_cast<size_t>(end - 1);
        if (!delimAfter && at < current.size() &&
            (IsLetter(current[at]) || IsDigit(current[at]) || current[at] == u'_'))
          return false;
        while (at < current.size() && (current[at] == u' ' || current[at] == u'\t')) ++at;
        return at >= current.size() || (current[at] != u'=' && current[at] != u'.');
      });
  // Random texts built from pieces of form syntax, so that many get far.
  const std::u16string pieces[] = {
      u"object ", u"inherited ", u"A",    u"b1",  u": ",   u":",      u"TQ",   u"\r\n",
      u"  ",      u" ",          u"end",  u"End", u"Page", u"X",      u".",    u"=",
      u" = ",     u"'s'",        u"''",   u"#13", u"#10",  u"+",      u"(",    u")",
      u"[",       u"]",          u",",    u"<",   u">",    u"item",   u"{",    u"}",
      u"0A",      u"12",         u"-3",   u".5",  u"e2",   u"1d",     u"True", u"\t",
      u"\u00e9",  u"\u0416",     u" [3]", u"0c",  u"1.5s", u".Owner", u"-INF"};
  std::mt19937 random(777);
  int matched = 0;
  for (int i = 0; i < 20000; ++i) {
    std::u16string input = i % 2 ? u"object A: TQ\r\n" : u"";
    int count = static_cast<int>(random() % 30);
    for (int k = 0; k < count; ++k) input += pieces[random() % std::size(pieces)];
    if (i % 3 == 0) input += u"\r\nend";
    current = input;
    for (const char* rule : {"<object>", "<value>", "<prop>", "<string2>", "<properties>"}) {
      int pos = 1;
      bool ok = parser.ParseString(input, U16(rule), pos);
      int expected = reference.Match(input, U16(rule), 1);
      ASSERT_EQ(ok ? pos : 0, expected) << rule << " on " << Utf16ToUtf8(input);
      matched += ok;
    }
  }
  EXPECT_GT(matched, 1000);  // the generator reaches real matches
}

// Long inputs in which a rule fails after real work at many positions (<zp>
// reads a whole nested list, then finds no "!" or "?"), so that the remembered
// failures and the cached outcomes of the unobserved rules fill and outgrow
// their tables within one parse.
TEST(LL1ParserTest, LongInputsAgreeWithReferenceMatcher) {
  TLL1Parser parser;
  ASSERT_EQ(AddAll(parser, {"<s>-<item>;<s>|<item>;|<item>.", "<item>-<zp>|<yk>=<xv>|<xv>",
                            "<zp>-<xv>!|<xv>?", "<yk>-<*char><*chars_or_digits>|<*char>",
                            "<xv>-<list>|<num>|<yk>", "<num>-<*digits>.<*digits>|<*digits>",
                            "<list>-(<elems>)|()", "<elems>-<xv>,<elems>|<xv>"}),
            "");
  Prepare(parser);
  test::TReferenceMatcher reference(parser);
  std::mt19937 random(99);
  std::function<std::u16string(int)> value = [&](int depth) -> std::u16string {
    if (depth == 0 || random() % 3 == 0) return random() % 2 ? u"12" : u"k1";
    std::u16string list = u"(";
    for (int i = 0, n = 1 + static_cast<int>(random() % 4); i < n; ++i) {
      if (i) list += u",";
      list += value(depth - 1);
    }
    return list + u")";
  };
  int far = 0;
  for (int i = 0; i < 30; ++i) {
    std::u16string input;
    for (int k = 0, count = 100 + static_cast<int>(random() % 600); k < count; ++k) {
      const std::u16string v = value(5);
      input += (k % 3 == 0 ? v : k % 3 == 1 ? v + u"!" : u"k=" + v) + u";";
      if (random() % 400 == 0) input += u")";  // the parse ends here
    }
    for (int start : {1, 2, 5}) {
      int pos = start;
      const bool ok = parser.ParseString(input, u"<s>", pos);
      ASSERT_EQ(ok ? pos : 0, reference.Match(input, u"<s>", start)) << Utf16ToUtf8(input);
      far += ok && pos > 5000;
    }
  }
  EXPECT_GT(far, 10);  // the parses do get far
}

// The cache of unobserved rules' outcomes changes nothing a subclass sees: a
// form parser with an extra left-recursive rule (which switches the cache off)
// makes the same observed calls, in the same order, on the same inputs.
TEST(LL1ParserTest, CachedOutcomesChangeNothingObserved) {
  class TLoggingParser : public TFormParser {
   public:
    std::string Log;

   protected:
    void EnterNonTerminal(int Tag) override {
      Log += "+" + std::to_string(Tag) + "@" + std::to_string(State().CurPos());
      TFormParser::EnterNonTerminal(Tag);
    }
    void LeaveNonTerminal(int Tag, bool Result) override {
      Log += "-" + std::to_string(Tag) + (Result ? "@" + std::to_string(State().CurPos()) : "!");
      TFormParser::LeaveNonTerminal(Tag, Result);
    }
  } cached, uncached;
  uncached.AddRule(u"<zz_unused>-<zz_unused>x|y");
  const std::u16string pieces[] = {u"object ",
                                   u"A",
                                   u": ",
                                   u"TQ",
                                   u"\r\n",
                                   u"  ",
                                   u"end",
                                   u"EndPage",
                                   u" = ",
                                   u"'s'",
                                   u"#13",
                                   u"+",
                                   u"(",
                                   u")",
                                   u"[",
                                   u"]",
                                   u",",
                                   u"<",
                                   u">",
                                   u"item",
                                   u"{",
                                   u"}",
                                   u"0A",
                                   u"12",
                                   u"-3",
                                   u".5",
                                   u"e2",
                                   u"X.Y",
                                   u"\t",
                                   u"''",
                                   u"'a'+\r\n  'b'",
                                   u"(\r\n  'x'\r\n  'y')",
                                   u"<\r\n item\r\n  N = 1\r\n end>"};
  std::mt19937 random(2024);
  for (int i = 0; i < 5000; ++i) {
    std::u16string input = u"object A: TQ\r\n";
    for (int k = 0, count = static_cast<int>(random() % 60); k < count; ++k)
      input += pieces[random() % std::size(pieces)];
    if (i % 2) input += u"\r\nend\r\n";
    int pos1 = 1, pos2 = 1;
    cached.Log.clear();
    uncached.Log.clear();
    const bool ok1 = cached.ParseString(input, u"<object>", pos1);
    const bool ok2 = uncached.ParseString(input, u"<object>", pos2);
    ASSERT_EQ(ok1, ok2) << Utf16ToUtf8(input);
    ASSERT_EQ(pos1, pos2) << Utf16ToUtf8(input);
    ASSERT_EQ(cached.FarthestPos(), uncached.FarthestPos()) << Utf16ToUtf8(input);
    ASSERT_EQ(cached.Log, uncached.Log) << Utf16ToUtf8(input);
  }
}

// ---- No recursion proportional to the input ------------------------------

TEST(LL1ParserTest, DeepRepetitionAndRecursionRunWithoutNativeStack) {
  TLL1Parser parser;
  parser.AddRule(u"<loop>-a<loop>|a");    // runs as a loop
  parser.AddRule(u"<nest>-(<nest>)|()");  // genuine nesting
  // Nesting that two alternatives read at every level ("(<pick>]" is tried
  // first and fails at the ")"): the inner match is taken from the cache, not
  // parsed again, which twice per level would never end.
  parser.AddRule(u"<pick>-(<pick>)|(<pick>]|x");
  const int n = 1000000;
  std::u16string as(n, u'a');
  EXPECT_EQ(DumpParse(parser, as, "<loop>"), "ok " + std::to_string(n + 1));
  std::u16string nested = std::u16string(n, u'(') + std::u16string(n, u')');
  EXPECT_EQ(DumpParse(parser, nested, "<nest>"), "ok " + std::to_string(2 * n + 1));
  nested.pop_back();
  EXPECT_EQ(DumpParse(parser, nested, "<nest>"), "no");
  std::u16string picked = std::u16string(n, u'(') + u"x" + std::u16string(n, u')');
  EXPECT_EQ(DumpParse(parser, picked, "<pick>"), "ok " + std::to_string(2 * n + 2));
  picked.pop_back();
  EXPECT_EQ(DumpParse(parser, picked, "<pick>"), "no");
}

}  // namespace
}  // namespace zan
