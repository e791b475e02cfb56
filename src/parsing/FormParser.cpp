#include "parsing/FormParser.h"

#include <algorithm>

#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::string_view kSource = "MigWizard\\FormParser";

// Nonterminals the form parser observes.
enum : int {
  tagNone,
  tagObjName,
  tagObjType,
  tagFullPropName,
  tagPropValue,
  tagKeyword,
  tagNestedObj,
  tagObject,
};

bool IsCapture(int tag) {
  return tag >= tagObjName && tag <= tagKeyword;
}

bool IsDelim(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

bool IsWordChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'_' || IsLetter(c);
}

}  // namespace

const std::vector<std::u16string_view>& TFormParser::FormGrammar() {
  // Alternatives are tried in the engine's order (literal, class, rule; by
  // text, descending), and a rule that has matched is not re-opened; the
  // names below are chosen for that order. Every construct the first grammar
  // did not read comes after the ones it did, or matches the same text, so
  // that an object it read parses exactly as it did.
  static const std::vector<std::u16string_view> rules = {
      // A header: "object Name: TClass", or without the name ("object
      // TClass"; <obj_name> sorts first, so the name is taken when a colon
      // follows). The class may be followed by a child position " [n]",
      // read with it so that the header is not read twice; LeaveNonTerminal
      // takes the two apart.
      u"<obj_header>-<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type>|"
      u"<keyword><*delim><obj_class>",
      u"<obj_name>-<name>",
      u"<obj_type>-<name><*delim>[<int>]|<name>",
      u"<obj_class>-<name><*delim>[<int>]|<name>",
      u"<object>-<obj_header><*delim><properties>end<empty_delim>|<obj_header><*delim>end<empty_"
      u"delim>",
      u"<keyword>-object|inherited|inline",
      // Names take the letters of every script (any character from #128 on).
      u"<name>-<*name_start><char_or_digit_l>",
      u"<char_or_digit_l>-<*name_chars>|",
      u"<properties>-<prop>|<nested_obj>|<prop><properties>|<nested_obj><properties>",
      u"<nested_obj>-<object>",
      u"<prop>-<full_prop_name><empty_delim>=<empty_delim><prop_value><*delim>",
      u"<full_prop_name>-<prop_name>",
      u"<prop_value>-<value>",
      u"<prop_name>-<name>|<name>.<prop_name>",
      u"<empty_delim>-<*delim>|",
      // An identifier value, dotted ("DM.Query1.Field") or starting with a
      // dot (".Owner"), is a <ref>; <list> comes after <strings> and <numbers>.
      u"<value>-<numeric_date>|<number>|<string>|<string2>|<strings>|<numbers>|<set>|"
      u"<collection>|<binary>|<ref>|<list>",
      // "-INF" is the text of a negative infinite float, read as an identifier.
      u"<ref>-<dotted>|.<dotted>|-inf<num_type>",
      u"<dotted>-<name>.<dotted>|<name>",
      u"<sign>-+|-|",
      u"<int>-<sign><*digits>",
      u"<fixed_point>-<int>.<*digits>",
      u"<float>-<fixed_point>e<int>|<int>e<int>",
      // A number may end in the suffix of its type: currency, single, date.
      u"<number>-<plain_number><num_type>",
      u"<plain_number>-<sign><*digits>.<*digits>e<int>|<sign><*digits>e<int>|"
      u"<sign><*digits>.<*digits>|<sign><*digits>",
      u"<num_type>-c|s|d|",
      u"<numeric_date>-<*digits>d",
      u"<symbols>-<*string_chars>|",
      u"<byte>-#<*digits>",
      u"<bytes>-<byte>|<byte><bytes>",
      u"<string>-'<symbols>'|<bytes>|<bytes><string>|'<symbols>'<string>",
      u"<string2>-<string>|<empty_delim><string><empty_delim>+<empty_delim><string2>",
      u"<number_list>-<number>|<number><*delim><number_list>|",
      u"<numbers>-(<empty_delim><number_list><empty_delim>)",
      u"<string_list>-<string2>|<string2><*delim><string_list>|",
      u"<strings>-(<empty_delim><string_list><empty_delim>)",
      // Values of any kind in parentheses, such as identifiers: "(True)".
      u"<list>-(<empty_delim><list_items><empty_delim>)",
      u"<list_items>-<value>|<value><*delim><list_items>|",
      u"<set_items>-<name>|<name><empty_delim>,<empty_delim><set_items>",
      u"<set>-[<empty_delim>]|[<empty_delim><set_items><empty_delim>]",
      u"<item_prop>-<prop_name><empty_delim>=<empty_delim><value>",
      u"<item_props>-<item_prop><*delim><item_props>|<item_prop><*delim>|<*delim>",
      // An item may carry its index (" [n]") and may have no properties; the
      // item without them sorts last, so a first property named "EndDate" is
      // never taken for its "end".
      u"<col_item>-item<item_index><item_body>",
      u"<item_index>-<*delim>[<int>]|",
      u"<item_body>-<*delim><item_props>end|<*delim><item_end>",
      u"<item_end>-end",
      u"<col_items>-<col_item><*delim><col_items>|<col_item>|",
      u"<collection>-\\60<empty_delim><col_items><empty_delim>\\62",
      u"<binary>-{<empty_delim><hex_list><empty_delim>}",
      u"<hex_list>-<*hexs>|<*hexs><*delim><hex_list>|",
  };
  return rules;
}

// ---- TFormParseState ------------------------------------------------------

TFormParser& TFormParseState::Owner() const {
  return static_cast<TFormParser&>(Parser());
}

std::u16string TFormParseState::Text(TTextRef Ref) const {
  if (Ref.Start < 0) return Owner().FTexts[static_cast<size_t>(-Ref.Start - 1)];
  // A piece of an input that is no longer there (a parse a hook aborted) is empty.
  const std::u16string_view input = Owner().InputStr();
  if (Ref.Start == 0 || static_cast<size_t>(Ref.Start - 1 + Ref.Length) > input.size()) return {};
  return std::u16string(
      input.substr(static_cast<size_t>(Ref.Start - 1), static_cast<size_t>(Ref.Length)));
}

TFormParseState::TTextRef TFormParseState::Store(std::u16string_view Value) {
  if (Value.empty()) return {};
  auto& texts = Owner().FTexts;
  texts.emplace_back(Value);
  FTextCount = static_cast<int>(texts.size());
  Owner().ListsChanged(this);
  return {-FTextCount, static_cast<int>(Value.size())};
}

TFormParseState::TTextRef TFormParseState::Keep(TTextRef Ref) {
  return Ref.Start > 0 ? Store(Text(Ref)) : Ref;
}

void TFormParseState::Assign(const TParseState& Source) {
  TParseState::Assign(Source);
  const auto& source = static_cast<const TFormParseState&>(Source);
  FPropCount = source.FPropCount;
  FStartPos = source.FStartPos;
  FTypeName = source.FTypeName;
  FCurPropName = source.FCurPropName;
  FObjKeyWord = source.FObjKeyWord;
  FName = source.FName;
  FChildIndex = source.FChildIndex;
  FNestedObject = source.FNestedObject;
  FObjectCount = source.FObjectCount;
  FObjectPos = source.FObjectPos;
  FNestedTextCount = source.FNestedTextCount;
  FLineEditCount = source.FLineEditCount;
  FTextCount = source.FTextCount;
  TFormParser& owner = Owner();
  if (source.FStamp == owner.FStamp) {
    FStamp = source.FStamp;  // the lists have not changed since they matched Source
    return;
  }
  owner.TrimTo(*this);
}

void TFormParseState::Reset() {
  FTypeName = FCurPropName = FObjKeyWord = FName = FChildIndex = TTextRef();
  FStartPos = FPropCount = FObjectCount = 0;
  // Zero after every completed parse anyway; also after one a hook aborted.
  FNestedObject = FObjectPos = 0;
  FNestedTextCount = FLineEditCount = FTextCount = 0;
  FStamp = 0;
}

// ---- TFormParser ----------------------------------------------------------

TFormParser::TFormParser(TParseStateClass ParseStateClass) : TLL1Parser(ParseStateClass) {
  Assert(dynamic_cast<TFormParseState*>(&State()) != nullptr, kSource);
  for (auto rule : FormGrammar()) AddRule(rule);
}

TFormParser::~TFormParser() = default;

bool TFormParser::Matches(const TFormParseState& State) const {
  return static_cast<int>(FLineEdits.size()) == State.FLineEditCount &&
         static_cast<int>(FProps.size()) == State.FPropCount &&
         static_cast<int>(FNestedObjects.size()) == State.FNestedTextCount &&
         static_cast<int>(FTexts.size()) == State.FTextCount;
}

void TFormParser::ListsChanged(TFormParseState* Kept) {
  const bool synced = Kept != nullptr && Kept->FStamp == FStamp;
  ++FStamp;
  if (synced) Kept->FStamp = FStamp;
}

void TFormParser::TrimTo(TFormParseState& State) {
  if (!Matches(State)) Trim(State);
  if (Matches(State)) State.FStamp = FStamp;
}

void TFormParser::Trim(const TFormParseState& State) {
  while (static_cast<int>(FLineEdits.size()) > State.FLineEditCount) {
    const TLineEdit edit = FLineEdits.back();
    FLineEdits.pop_back();
    if (edit.Prop >= 0 && edit.Prop < static_cast<int>(FProps.size()))
      FProps[static_cast<size_t>(edit.Prop)].Value.Delete(edit.Line);
  }
  while (static_cast<int>(FProps.size()) > State.FPropCount) FProps.pop_back();
  while (static_cast<int>(FNestedObjects.size()) > State.FNestedTextCount) {
    FNestedKeys.erase(AnsiLowerCase(FNestedObjects.back()));
    FNestedObjects.pop_back();
  }
  if (static_cast<int>(FTexts.size()) > State.FTextCount)
    FTexts.resize(static_cast<size_t>(State.FTextCount));
  ListsChanged(nullptr);
}

void TFormParser::ResetObject() {
  FormState().Reset();
  FProps.clear();
  FNestedObjects.clear();
  FNestedKeys.clear();
  FLineEdits.clear();
  FTexts.clear();
  FObjectEndPos = 0;
  ListsChanged(nullptr);
  FormState().FStamp = FStamp;
}

TStringList& TFormParser::AddProperty(std::u16string_view Name, std::u16string_view Value) {
  TOutputProp& prop = FProps.emplace_back();
  prop.Name = Name;
  prop.Value.SetText(Value);
  ++FormState().FPropCount;
  ListsChanged(&FormState());
  return prop.Value;
}

void TFormParser::InsertPropLine(int Index, int LineIndex, std::u16string_view Line) {
  Assert(Index >= 0 && Index < PropsCount(), kSource);
  TStringList& value = FProps[static_cast<size_t>(Index)].Value;
  Assert(LineIndex >= 0 && LineIndex <= value.Count(), kSource);
  value.Insert(LineIndex, Line);
  FLineEdits.push_back({Index, LineIndex});
  FormState().FLineEditCount = static_cast<int>(FLineEdits.size());
  ListsChanged(&FormState());
}

void TFormParser::SetPropValue(int Index, std::u16string_view Value) {
  Assert(Index >= 0 && Index < PropsCount(), kSource);
  FProps[static_cast<size_t>(Index)].Value.SetText(Value);
  ListsChanged(nullptr);
}

void TFormParser::SetPropName(int Index, std::u16string_view Name) {
  Assert(Index >= 0 && Index < PropsCount(), kSource);
  FProps[static_cast<size_t>(Index)].Name = Name;
  ListsChanged(nullptr);
}

void TFormParser::MovePropFirst(int Index) {
  Assert(Index >= 0 && Index < PropsCount(), kSource);
  if (Index == 0) return;
  TOutputProp prop = std::move(FProps[static_cast<size_t>(Index)]);
  FProps.erase(FProps.begin() + Index);
  FProps.push_front(std::move(prop));
  for (TLineEdit& edit : FLineEdits)
    if (edit.Prop == Index)
      edit.Prop = 0;
    else if (edit.Prop >= 0 && edit.Prop < Index)
      ++edit.Prop;
  ListsChanged(nullptr);
}

const std::u16string& TFormParser::PropName(int Index) const {
  return FProps.at(static_cast<size_t>(Index)).Name;
}

const TStringList& TFormParser::PropValue(int Index) const {
  return FProps.at(static_cast<size_t>(Index)).Value;
}

int TFormParser::IndexOfProp(std::u16string_view Name) const {
  for (size_t i = 0; i < FProps.size(); ++i)
    if (FProps[i].Name == Name) return static_cast<int>(i);
  return -1;
}

void TFormParser::AddNestedObject(std::u16string Text) {
  TFormParseState& state = FormState();
  if (FNestedKeys.insert(AnsiLowerCase(Text)).second) {
    FNestedObjects.push_back(std::move(Text));
    state.FNestedTextCount = static_cast<int>(FNestedObjects.size());
    ListsChanged(&state);
  }
}

void TFormParser::ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) {
  AddProperty(PropName, PropValue);
}

namespace {

/// The fewest leading blanks of the lines after the first that hold more
/// than blanks (0 when there are none).
size_t CommonIndentation(const TStringList& lines) {
  size_t common = std::u16string::npos;
  for (int i = 1; i < lines.Count(); ++i) {
    const size_t indent = lines[i].find_first_not_of(u' ');
    if (indent != std::u16string::npos) common = std::min(common, indent);
  }
  return common == std::u16string::npos ? 0 : common;
}

}  // namespace

std::u16string TFormParser::MakeObject(int Level) {
  const TFormParseState& state = FormState();
  const std::u16string keyword = state.ObjKeyWord(), name = state.Name();
  const std::u16string typeName = state.TypeName(), childIndex = state.ChildIndex();
  if (keyword.empty() || typeName.empty()) return {};
  const std::u16string indent(static_cast<size_t>(2 * std::max(Level, 0)), u' ');
  const std::u16string propIndent = indent + u"  ";
  const std::u16string lineIndent = propIndent + u"  ";
  std::u16string out;
  if (FIndentHeader) out += indent;
  out += keyword;
  out += u' ';
  if (!name.empty()) {
    out += name;
    out += u": ";
  }
  out += FNewClassName.empty() ? typeName : FNewClassName;
  if (!childIndex.empty()) {
    out += u" [";
    out += childIndex;
    out += u']';
  }
  out += FLineBreak;
  for (const auto& prop : FProps) {
    const TStringList& lines = prop.Value;
    // An entry whose value is empty is not written.
    bool empty = true;
    for (int i = 0; i < lines.Count() && empty; ++i) empty = lines[i].empty();
    if (empty) continue;
    out += propIndent;
    out += prop.Name;
    out += u" = ";
    // The lines after the first (list items, collection items, pieces of a
    // long string, binary data) keep their indentation relative to each
    // other but start two deeper than the property, as the IDE writes them:
    // a review then shows only what the conversion changed.
    const size_t common = CommonIndentation(lines);
    for (int i = 0; i < lines.Count(); ++i) {
      if (i == 0) {
        out += lines[i];
        continue;
      }
      out += FLineBreak;
      out += lineIndent;
      const std::u16string& line = lines[i];
      out.append(line,
                 std::min(common, line.find_first_not_of(u' ') == std::u16string::npos ? line.size()
                                                                                       : common));
    }
    out += FLineBreak;
  }
  for (const auto& nested : FNestedObjects) {
    out += nested;
    out += FLineBreak;
  }
  out += indent;
  out += u"end";
  out += FLineBreak;
  return out;
}

void TFormParser::GetCharClass(const std::u16string& Name, TCharTable& Chars, bool& Run) {
  Chars = TCharTable();
  if (Name == u"<*delim>") {
    for (char16_t c : {u'\t', u'\n', u'\r', u' '}) Chars.In[c] = true;
    Run = true;
    return;
  }
  // Names as the IDE writes them: ASCII letters, "_" and every character
  // from #128 on (letters of any script); digits after the first.
  if (Name == u"<*name_start>" || Name == u"<*name_chars>") {
    for (char16_t c = u'A'; c <= u'Z'; ++c) Chars.In[c] = Chars.In[c + 32] = true;
    Chars.In[u'_'] = true;
    for (char16_t c = 128; c < 256; ++c) Chars.In[c] = true;
    Chars.High = true;
    Run = Name == u"<*name_chars>";
    if (Run)
      for (char16_t c = u'0'; c <= u'9'; ++c) Chars.In[c] = true;
    return;
  }
  // Inside quotes: every character but the quote and #0.
  if (Name == u"<*string_chars>") {
    for (char16_t c = 1; c < 256; ++c) Chars.In[c] = c != u'\'';
    Chars.High = true;
    Run = true;
    return;
  }
  TLL1Parser::GetCharClass(Name, Chars, Run);
}

int TFormParser::NonTerminalTag(const std::u16string& Name) {
  static const std::pair<std::u16string_view, int> tags[] = {
      {u"<obj_name>", tagObjName},     {u"<obj_type>", tagObjType},
      {u"<obj_class>", tagObjType},    {u"<full_prop_name>", tagFullPropName},
      {u"<prop_value>", tagPropValue}, {u"<keyword>", tagKeyword},
      {u"<nested_obj>", tagNestedObj}, {u"<object>", tagObject},
  };
  for (const auto& [name, tag] : tags)
    if (Name == name) return tag;
  return tagNone;
}

void TFormParser::EnterNonTerminal(int Tag) {
  TFormParseState& state = FormState();
  if (IsCapture(Tag)) {
    state.FStartPos = state.CurPos();
  } else if (Tag == tagNestedObj) {
    if (++state.FNestedObject == 1) {
      // The nested text begins with the indentation of its first line.
      const std::u16string_view input = InputStr();
      int pos = state.CurPos();
      while (pos > 1 && input[static_cast<size_t>(pos - 2)] == u' ') --pos;
      state.FObjectPos = pos;
    }
  }
}

void TFormParser::LeaveNonTerminal(int Tag, bool Result) {
  TFormParseState& state = FormState();
  const std::u16string_view input = InputStr();
  if (IsCapture(Tag) && Result) {
    Assert(state.FStartPos != 0, kSource);
    const TFormParseState::TTextRef text{state.FStartPos, state.CurPos() - state.FStartPos};
    switch (Tag) {
      case tagObjName:
        if (state.FNestedObject == 0) state.FName = text;
        break;
      case tagObjType:
        if (state.FNestedObject == 0) {
          // "TClass [n]": the class and the child position.
          state.FTypeName = text;
          state.FChildIndex = {};
          const size_t start = static_cast<size_t>(text.Start - 1);
          const size_t open = input.substr(start, static_cast<size_t>(text.Length)).find(u'[');
          if (open != std::u16string_view::npos) {
            size_t typeEnd = start + open;
            while (IsDelim(input[typeEnd - 1])) --typeEnd;
            state.FTypeName.Length = static_cast<int>(typeEnd - start);
            // Between the brackets, the last character of the text being "]".
            state.FChildIndex = {text.Start + static_cast<int>(open) + 1,
                                 text.Length - static_cast<int>(open) - 2};
          }
        }
        break;
      case tagKeyword:
        if (state.FNestedObject == 0) state.FObjKeyWord = text;
        break;

      case tagFullPropName:
        state.FCurPropName = text;
        break;
      case tagPropValue:
        if (state.FCurPropName.Length != 0) {
          if (state.FNestedObject == 0) ConvertProperty(state.CurPropName(), state.Text(text));
          state.FCurPropName = {};
        }
        break;
    }
    state.FStartPos = 0;
  }
  if (Tag == tagNestedObj) {
    --state.FNestedObject;
    if (Result && state.FNestedObject == 0) {
      // From the indentation of its first line to the last letter of its "end".
      int end = state.CurPos();
      while (end > 1 && IsDelim(input[static_cast<size_t>(end - 2)])) --end;
      AddNestedObject(std::u16string(input.substr(static_cast<size_t>(state.FObjectPos - 1),
                                                  static_cast<size_t>(end - state.FObjectPos))));
      state.FObjectPos = 0;
      ++state.FObjectCount;
    }
  }
}

// An object's closing "end" must be a whole word that is no property name:
// the object without properties is tried first, and its "end" also matches
// the first letters of a first property named EndPage or EndDate, or a first
// property named End ("End = 1", "End.Value = 1").
bool TFormParser::AcceptAlternative(int Tag, const std::u16string& Alternative) {
  if (Tag != tagObject) return true;
  const bool delimAfter = Alternative.ends_with(u"end<*delim>");
  if (!delimAfter && !Alternative.ends_with(u"end")) return true;
  const std::u16string_view input = InputStr();
  size_t pos = static_cast<size_t>(FormState().CurPos() - 1);
  if (!delimAfter && pos < input.size() && IsWordChar(input[pos])) return false;
  while (pos < input.size() && (input[pos] == u' ' || input[pos] == u'\t')) ++pos;
  return pos >= input.size() || (input[pos] != u'=' && input[pos] != u'.');
}

void TFormParser::DoBeforeParse() {
  ResetObject();
}

void TFormParser::DoAfterParse(bool& Result) {
  if (!Result) {
    ResetObject();  // nothing of a failed object survives
    return;
  }
  const std::u16string_view input = InputStr();
  TFormParseState& state = FormState();
  int end = state.CurPos();
  while (end > 1 && IsDelim(input[static_cast<size_t>(end - 2)])) --end;
  FObjectEndPos = end;
  // The header must outlive the input for MakeObject.
  state.FName = state.Keep(state.FName);
  state.FTypeName = state.Keep(state.FTypeName);
  state.FObjKeyWord = state.Keep(state.FObjKeyWord);
  state.FChildIndex = state.Keep(state.FChildIndex);
  state.FCurPropName = state.Keep(state.FCurPropName);
}

void TFormParserUtils::SetPropCount(TFormParseState& Obj, int Value) {
  Obj.FPropCount = std::max(Value, 0);
  TFormParser& parser = Obj.Owner();
  while (static_cast<int>(parser.FProps.size()) > Obj.FPropCount) parser.FProps.pop_back();
  parser.ListsChanged(nullptr);
  // Lines once inserted into removed entries must not be taken out of the
  // entries that may later take their places.
  for (auto& edit : parser.FLineEdits)
    if (edit.Prop >= Obj.FPropCount) edit.Prop = -1;
}

}  // namespace zan
