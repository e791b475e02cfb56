#include "parsing/FormParser.h"

#include <gtest/gtest.h>

#include "rtl/Strings.h"

namespace zan {
namespace {

// Line breaks and tabs made visible, so that one-line tables can show them.
std::string Show(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c == u'\r')
      out += "\\r";
    else if (c == u'\n')
      out += "\\n";
    else if (c == u'\t')
      out += "\\t";
    else
      out += Utf16ToUtf8(std::u16string(1, c));
  }
  return out;
}

std::u16string Crlf(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\n') out += u'\r';
    out += c;
  }
  return out;
}

// A parser whose hook logs every call and keeps the property, except that it
// drops properties named Drop*, adds Twice* twice and files Opt* as option
// lines of one "SpecificOptions.Strings" entry, as the provider rules do.
class THookParser : public TFormParser {
 public:
  std::vector<std::string> Calls;

 protected:
  void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) override {
    const TFormParseState& state = FormState();
    Calls.push_back(Utf16ToUtf8(state.ObjKeyWord() + u" " + state.Name() + u":" + state.TypeName() +
                                u" " + PropName) +
                    "=" + Show(PropValue));
    if (PropName.starts_with(u"Drop")) return;
    if (PropName.starts_with(u"Opt")) {
      const std::u16string line = u"'P." + PropName + u"=" + PropValue + u"'";
      int index = IndexOfProp(u"SpecificOptions.Strings");
      if (index < 0)
        AddProperty(u"SpecificOptions.Strings", u"(\r\n" + line + u"\r\n)");
      else
        InsertPropLine(index, this->PropValue(index).Count() - 1, line);
      return;
    }
    AddProperty(PropName, PropValue);
    if (PropName.starts_with(u"Twice")) AddProperty(PropName, PropValue);
  }
};

// The header, the output list and the nested objects, then the text the parse
// took after the object's "end" (after "+") and the text it left (after "|");
// or "no".
std::string Dump(THookParser& parser, std::u16string_view text, int start = 1) {
  int pos = start;
  if (!parser.ParseString(text, u"<object>", pos)) {
    EXPECT_EQ(pos, start);
    EXPECT_EQ(parser.PropsCount(), 0);
    EXPECT_TRUE(parser.NestedObjects().empty());
    return "no";
  }
  const TFormParseState& state = parser.FormState();
  std::string out =
      Utf16ToUtf8(state.ObjKeyWord() + u" " + state.Name() + u": " + state.TypeName()) + " {";
  if (!state.ChildIndex().empty())
    out.insert(out.size() - 2, " [" + Utf16ToUtf8(state.ChildIndex()) + "]");
  for (int i = 0; i < parser.PropsCount(); ++i) {
    if (i > 0) out += "; ";
    out += Utf16ToUtf8(parser.PropName(i)) + "=" + Show(parser.PropValue(i).Text());
  }
  out += "}";
  for (const auto& nested : parser.NestedObjects()) out += " [" + Show(nested) + "]";
  const size_t end = static_cast<size_t>(parser.ObjectEndPos() - 1);
  out += " +" + Show(text.substr(end, static_cast<size_t>(pos - 1) - end)) + " |" +
         Show(text.substr(static_cast<size_t>(pos - 1)));
  return out;
}

struct TParseCase {
  std::u16string Text;  // "\n" stands for CRLF
  std::string Expected;
};

TEST(FormParserTest, ObjectsThatParse) {
  const TParseCase cases[] = {
      {u"object A: TB\nend\n", "object A: TB {} +\\r\\n |"},
      {u"OBJECT A : TB\n  X = 1\nEND", "OBJECT A: TB {X=1\\r\\n} + |"},
      {u"inherited A:TB\n  X=1\nend", "inherited A: TB {X=1\\r\\n} + |"},
      {u"inline F_1: TFrame1\nend \n\t", "inline F_1: TFrame1 {} + \\r\\n\\t |"},
      // Values of every kind, each as written.
      {u"object A: TB\n  N = -12\n  F = 1.5E+003\n  D = 36892d\n  B = True\n  L = ftString\nend",
       "object A: TB {N=-12\\r\\n; F=1.5E+003\\r\\n; D=36892d\\r\\n; B=True\\r\\n; "
       "L=ftString\\r\\n} + |"},
      {u"object A: TB\n  S = 'It''s'#13#10'x'\n  E = ''\n  C = Form1.Font\nend",
       "object A: TB {S='It''s'#13#10'x'\\r\\n; E=''\\r\\n; C=Form1.Font\\r\\n} + |"},
      {u"object A: TB\n  S = 'a' +\n    'b'\nend",
       "object A: TB {S= 'a' +\\r\\n    'b'\\r\\n} + |"},
      {u"object A: TB\n  SQL.Strings = (\n    'select *'\n    'from t')\nend",
       "object A: TB {SQL.Strings=(\\r\\n    'select *'\\r\\n    'from t')\\r\\n} + |"},
      {u"object A: TB\n  Font.Style = [fsBold, fsItalic]\n  O = []\n  V = (\n    1\n    -2.5)\nend",
       "object A: TB {Font.Style=[fsBold, fsItalic]\\r\\n; O=[]\\r\\n; V=(\\r\\n    1\\r\\n    "
       "-2.5)\\r\\n} + |"},
      {u"object A: TB\n  Cols = <\n    item\n      W = 1\n    end>\n  E = <>\nend",
       "object A: TB {Cols=<\\r\\n    item\\r\\n      W = 1\\r\\n    end>\\r\\n; E=<>\\r\\n} + |"},
      {u"object A: TB\n  Data = {\n    0A1B\n    FF}\n  Small = {00}\nend",
       "object A: TB {Data={\\r\\n    0A1B\\r\\n    FF}\\r\\n; Small={00}\\r\\n} + |"},
      // Nested objects are collected verbatim (from their indentation) and
      // never reach the hook.
      {u"object A: TB\n  X = 1\n  object F: TField\n    Y = 2\n  end\n  Z = 3\nend",
       "object A: TB {X=1\\r\\n; Z=3\\r\\n} [  object F: TField\\r\\n    Y = 2\\r\\n  end] + |"},
      // A first property whose name begins with "end" (deliberate behaviour 23).
      {u"object A: TB\n  EndPage = 3\nend\n", "object A: TB {EndPage=3\\r\\n} +\\r\\n |"},
      {u"object A: TB\n  object F: TC\n    EndDate = 1\n  end\nend",
       "object A: TB {} [  object F: TC\\r\\n    EndDate = 1\\r\\n  end] + |"},
      // Everything else the IDE writes: a child position, a header without a
      // name (or with both), ...
      {u"object A: TB [0]\nend", "object A: TB [0] {} + |"},
      {u"inherited A: TB [12]\n  X = 1\nend", "inherited A: TB [12] {X=1\\r\\n} + |"},
      {u"object TB\n  X = 1\nend", "object : TB {X=1\\r\\n} + |"},
      {u"object TB [3]\nend", "object : TB [3] {} + |"},
      // ... collection items without properties or with an index, ...
      {u"object A: TB\n  C = <\n    item\n    end\n    item [2]\n      EndDate = 1\n    end>\nend",
       "object A: TB {C=<\\r\\n    item\\r\\n    end\\r\\n    item [2]\\r\\n      "
       "EndDate = 1\\r\\n    end>\\r\\n} + |"},
      // ... characters above #255 in names and strings, ...
      {u"object \u0416\u04331: T\u00c9\n  S = '\u0416'#1078\n  \u0416.X = \u0416\nend",
       "object \u0416\u04331: T\u00c9 {S='\u0416'#1078\\r\\n; \u0416.X=\u0416\\r\\n} + |"},
      // ... typed numbers, ...
      {u"object A: TB\n  C = 0c\n  M = -12.5C\n  S = 1.5s\n  E = 2E-3s\n  D = 0.5d\nend",
       "object A: TB {C=0c\\r\\n; M=-12.5C\\r\\n; S=1.5s\\r\\n; E=2E-3s\\r\\n; "
       "D=0.5d\\r\\n} + |"},
      // ... values of any kind in parentheses, and identifiers with any
      // number of dots or a leading one.
      {u"object A: TB\n  V = (\n    True\n    'x'\n    (\n      1)\n    clRed)\nend",
       "object A: TB {V=(\\r\\n    True\\r\\n    'x'\\r\\n    (\\r\\n      1)\\r\\n    "
       "clRed)\\r\\n} + |"},
      {u"object A: TB\n  O = .Owner\n  F = DM.Query1.Field\n  N = -INF\n  S = -INFs\nend",
       "object A: TB {O=.Owner\\r\\n; F=DM.Query1.Field\\r\\n; N=-INF\\r\\n; S=-INFs\\r\\n} + |"},
      // A first property named End is no "end" of the object.
      {u"object A: TB\n  End = 1\n  End.Value = 2\nend",
       "object A: TB {End=1\\r\\n; End.Value=2\\r\\n} + |"},
      {u"object A: TB\n  End.Value = 2\nend", "object A: TB {End.Value=2\\r\\n} + |"},
  };
  for (const auto& c : cases) {
    THookParser parser;
    EXPECT_EQ(Dump(parser, Crlf(c.Text)), c.Expected) << Utf16ToUtf8(c.Text);
  }
}

TEST(FormParserTest, ObjectsThatDoNotParse) {
  const char16_t* cases[] = {
      u"object A: TB [x]\nend",          // a child position that is no number
      u"object A: TB\n  V = 1.5x\nend",  // no type suffix
      u"object A: TB\n  V = A..B\nend",  // an empty part of a name
      u"object A: TB\n  X = 1\n",        // no end
      u"object A: TB\nendX",             // "end" inside a longer word
      u"object A: TB\n  X = 1\nend_",
      u"object A: TB\n  EndPage\nend",
      u" object A: TB\nend",  // starts at a blank
  };
  for (const char16_t* text : cases) {
    THookParser parser;
    EXPECT_EQ(Dump(parser, Crlf(text)), "no") << Utf16ToUtf8(text);
  }
}

TEST(FormParserTest, ParsesFromTheGivenPositionOnly) {
  THookParser parser;
  std::u16string text = Crlf(u"xx\n  object A: TB\n    X = 1\n  end\n  object C: TD\n  end\n");
  const int a = static_cast<int>(text.find(u"object A")) + 1;
  const int c = static_cast<int>(text.find(u"object C")) + 1;
  EXPECT_EQ(Dump(parser, text, a),
            "object A: TB {X=1\\r\\n} +\\r\\n   |object C: TD\\r\\n  end\\r\\n");
  EXPECT_EQ(Dump(parser, text, c), "object C: TD {} +\\r\\n |");
  EXPECT_EQ(Dump(parser, text, a + 1), "no");
}

TEST(FormParserTest, HookSeesTopLevelPropertiesInOrderWithTheHeader) {
  THookParser parser;
  std::u16string text = Crlf(
      u"object Q: TQuery\n  A.B = 1\n  object F: TField\n    Inner = 2\n  end\n  S = 'a' +\n"
      u"    'b'\nend\n");
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  EXPECT_EQ(parser.Calls, (std::vector<std::string>{"object Q:TQuery A.B=1",
                                                    "object Q:TQuery S= 'a' +\\r\\n    'b'"}));
}

// Observing <properties> keeps it from running as a loop, so it is read the
// plain recursive way: after the last property the parser tries to read
// another, fails at "end", restores the state saved before that property and
// reads it again.
class TRecursiveHookParser : public THookParser {
 protected:
  int NonTerminalTag(const std::u16string& Name) override {
    return Name == u"<properties>" ? 1000 : THookParser::NonTerminalTag(Name);
  }
};

// A property re-read after backtracking takes effect once: restoring the
// state removes the entries the first reading appended and the option lines
// it inserted into an entry that stays.
TEST(FormParserTest, PropertiesReReadAfterBacktrackingTakeEffectOnce) {
  const std::u16string text = Crlf(u"object C: TConn\n  OptA = 1\n  X = 2\n  OptB = 3\nend\n");
  const std::string expected =
      "object C: TConn {SpecificOptions.Strings=(\\r\\n'P.OptA=1'\\r\\n'P.OptB=3'\\r\\n)\\r\\n; "
      "X=2\\r\\n} "
      "+\\r\\n |";
  TRecursiveHookParser recursive;
  EXPECT_EQ(Dump(recursive, text), expected);
  EXPECT_EQ(recursive.Calls.size(), 4u);  // OptB twice
  EXPECT_EQ(recursive.Calls[2], recursive.Calls[3]);

  THookParser looped;
  EXPECT_EQ(Dump(looped, text), expected);
  EXPECT_EQ(looped.Calls.size(), 3u);

  // When the object's "end" closes the text, the alternative that wants
  // blanks after "end" fails first, and every property is read twice.
  THookParser atEnd;
  const std::u16string closing = text.substr(0, text.size() - 2);
  EXPECT_EQ(Dump(atEnd, closing), expected.substr(0, expected.find(" +")) + " + |");
  EXPECT_EQ(atEnd.Calls.size(), 6u);
  EXPECT_EQ(atEnd.FormState().PropCount(), atEnd.PropsCount());
}

TEST(FormParserTest, RestoringAStateTakesBackAppendedEntriesAndInsertedLines) {
  THookParser parser;
  int pos = 1;
  ASSERT_TRUE(
      parser.ParseString(Crlf(u"object C: TConn\n  OptA = 1\n  X = 2\nend\n"), u"<object>", pos));
  auto saved = ParseStateClassOf<TFormParseState>(parser);
  saved->Assign(parser.State());
  parser.InsertPropLine(0, 2, u"'P.OptB=3'");
  parser.InsertPropLine(0, 1, u"'P.Opt0=0'");
  parser.AddProperty(u"Y", u"4\r\n5");
  TFormParserUtils::SetName(parser.FormState(), u"Other");
  ASSERT_EQ(parser.PropsCount(), 3);
  ASSERT_EQ(parser.PropValue(0).Count(), 5);
  parser.State().Assign(*saved);
  EXPECT_EQ(parser.PropsCount(), 2);
  EXPECT_EQ(Show(parser.PropValue(0).Text()), "(\\r\\n'P.OptA=1'\\r\\n)\\r\\n");
  EXPECT_EQ(parser.FormState().Name(), u"C");
}

// A restore trims only what changed since the state it restores, however
// often the same saved state (or a copy of it) is restored.
TEST(FormParserTest, RestoringTheSameStateAgainTakesBackEveryLaterChange) {
  THookParser parser;
  int pos = 1;
  ASSERT_TRUE(
      parser.ParseString(Crlf(u"object C: TConn\n  OptA = 1\n  X = 2\nend\n"), u"<object>", pos));
  auto saved = ParseStateClassOf<TFormParseState>(parser);
  auto copy = ParseStateClassOf<TFormParseState>(parser);
  saved->Assign(parser.State());
  auto check = [&](const char* step) {
    EXPECT_EQ(parser.PropsCount(), 2) << step;
    EXPECT_EQ(parser.FormState().PropCount(), 2) << step;
    EXPECT_EQ(Show(parser.PropValue(0).Text()), "(\\r\\n'P.OptA=1'\\r\\n)\\r\\n") << step;
  };
  parser.State().Assign(*saved);  // nothing changed
  check("unchanged");
  parser.AddProperty(u"Y", u"4");
  parser.State().Assign(*saved);
  check("after an entry");
  parser.InsertPropLine(0, 1, u"'P.Opt0=0'");
  parser.State().Assign(*saved);
  check("after a line");
  copy->Assign(*saved);
  parser.AddProperty(u"Z", u"5");
  parser.InsertPropLine(0, 1, u"'P.Opt1=1'");
  parser.State().Assign(*copy);
  check("from a copy");
  TFormParserUtils::SetPropCount(parser.FormState(), 1);
  parser.AddProperty(u"W", u"6");
  parser.State().Assign(*saved);
  EXPECT_EQ(parser.PropsCount(), 2);
  EXPECT_EQ(parser.PropName(1), u"W");  // entries once removed do not come back
}

TEST(FormParserTest, FailedParseLeavesNothingBehind) {
  THookParser parser;
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(Crlf(u"object A: TB\n  X = 1\n  object N: TC\n  end\nend\n"),
                                 u"<object>", pos));
  ASSERT_EQ(parser.PropsCount(), 1);
  pos = 1;
  EXPECT_FALSE(parser.ParseString(Crlf(u"object A: TB\n  X = 1\n  object N: TC\n  end\n"),
                                  u"<object>", pos));
  EXPECT_EQ(parser.PropsCount(), 0);
  EXPECT_TRUE(parser.NestedObjects().empty());
  EXPECT_TRUE(parser.FormState().Name().empty());
  EXPECT_EQ(parser.MakeObject(1), u"");
}

// A hook that throws leaves the parse at once; the next parse starts clean.
TEST(FormParserTest, HookExceptionPropagatesAndNextParseIsClean) {
  class TThrowingParser : public TFormParser {
   protected:
    void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) override {
      if (PropName == u"Bad") throw Exception(std::string("bad value"));
      TFormParser::ConvertProperty(PropName, PropValue);
    }
  } parser;
  int pos = 1;
  std::u16string text = Crlf(u"object A: TB\n  object N: TC\n    X = 1\n  end\n  Bad = 1\nend\n");
  EXPECT_THROW(parser.ParseString(text, u"<object>", pos), Exception);
  pos = 1;
  ASSERT_TRUE(parser.ParseString(Crlf(u"object A: TB\n  Good = 1\nend\n"), u"<object>", pos));
  EXPECT_EQ(parser.PropsCount(), 1);
  EXPECT_EQ(parser.FormState().NestedObject(), 0);
}

// ---- Regenerated text ----------------------------------------------------

struct TMakeCase {
  std::u16string Text;
  int Level;
  std::string NewClass;
  std::string Expected;  // "\n" stands for CRLF
};

TEST(FormParserTest, MakeObject) {
  const TMakeCase cases[] = {
      {u"object A: TB\nend\n", 1, "TZanQuery", "  object A: TZanQuery\n  end\n"},
      {u"object A: TB\nend\n", 0, "", "object A: TB\nend\n"},
      {u"OBJECT A : TB\n  X = 1\nEND\n", 2, "TN", "    OBJECT A: TN\n      X = 1\n    end\n"},
      // Continuation lines start two deeper than their property, as the IDE
      // writes them, and keep their indentation relative to each other.
      {u"object Q: TQuery\n  SQL.Strings = (\n    'select *'\n    'from t')\nend\n", 1, "TZanQuery",
       "  object Q: TZanQuery\n    SQL.Strings = (\n      'select *'\n      'from t')\n  end\n"},
      {u"object Q: TQ\n      P = <\n          item\n            N = 'x'\n\n          end>\nend\n",
       1, "",
       "  object Q: TQ\n    P = <\n      item\n        N = 'x'\n      \n      end>\n  end\n"},
      // Nested objects come after every property, unchanged; two that differ
      // in letter case only are written once.
      {u"object Q: TQ\n  A = 1\n  object F: TF\n    X = 1\n  end\n  B = 2\n  OBJECT F: TF\n    x = "
       u"1\n"
       u"  END\nend\n",
       1, "", "  object Q: TQ\n    A = 1\n    B = 2\n  object F: TF\n    X = 1\n  end\n  end\n"},
      // Dropped properties are missing, doubled ones written twice.
      {u"object Q: TQ\n  DropMe = 1\n  Twice = 2\nend\n", 0, "",
       "object Q: TQ\n  Twice = 2\n  Twice = 2\nend\n"},
      // The header keeps its keyword, its child position, and its lack of a name.
      {u"inherited A: TB  [7]\nend\n", 1, "TN", "  inherited A: TN [7]\n  end\n"},
      {u"inline TB\nend\n", 0, "TN", "inline TN\nend\n"},
  };
  for (const auto& c : cases) {
    THookParser parser;
    parser.SetNewClassName(U16(c.NewClass));
    int pos = 1;
    ASSERT_TRUE(parser.ParseString(Crlf(c.Text), u"<object>", pos)) << Utf16ToUtf8(c.Text);
    EXPECT_EQ(Show(parser.MakeObject(c.Level)), Show(Crlf(U16(c.Expected)))) << Utf16ToUtf8(c.Text);
    // The output list is not changed: a second call gives the same text.
    EXPECT_EQ(Show(parser.MakeObject(c.Level)), Show(Crlf(U16(c.Expected)))) << Utf16ToUtf8(c.Text);
  }
}

TEST(FormParserTest, MakeObjectLineBreakHeaderIndentAndEmptyValues) {
  class TEmptyValueParser : public TFormParser {
   protected:
    void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) override {
      AddProperty(PropName, PropName == u"Empty" ? u"" : PropValue);
    }
  } parser;
  parser.SetLineBreak(u"\n");
  parser.SetIndentHeader(false);
  int pos = 1;
  ASSERT_TRUE(
      parser.ParseString(u"object A: TB\n  Empty = 1\n  L = (\n    'x')\nend", u"<object>", pos));
  EXPECT_EQ(Show(parser.MakeObject(1)), Show(u"object A: TB\n    L = (\n      'x')\n  end\n"));
}

TEST(FormParserTest, UtilsGiveRulesAccessToTheState) {
  THookParser parser;
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(Crlf(u"object A: TB\n  X = 1\n  Y = 2\nend\n"), u"<object>", pos));
  TFormParseState& state = parser.FormState();
  EXPECT_EQ(TFormParserUtils::GetName(state), u"A");
  EXPECT_EQ(TFormParserUtils::GetTypeName(state), u"TB");
  TFormParserUtils::SetName(state, u"Renamed");
  TFormParserUtils::SetPropCount(state, 1);
  EXPECT_EQ(parser.PropsCount(), 1);
  EXPECT_EQ(Show(parser.MakeObject(0)), Show(Crlf(u"object Renamed: TB\n  X = 1\nend\n")));
}

}  // namespace
}  // namespace zan
