// The form parser: reads one component object of a form file in text form
// (from its "object"/"inherited"/"inline" keyword to its closing "end") with
// the form grammar, hands every top-level property to the conversion hook
// `ConvertProperty`, and writes the object back under a new class name with
// the properties the hook produced (`MakeObject`).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "parsing/LL1Parser.h"
#include "rtl/StringList.h"

namespace zan {

class TFormParser;

/// The state of a form parse: the position, the object's header as read, the
/// property whose value is being read, the nesting depth, and the counts of
/// output entries and nested objects. Restoring a saved state (`Assign`) takes
/// the parser's output list and nested objects back to what they held at the
/// save, lines inserted into entries that stay included. Only a `TFormParser`
/// may own states of this class.
class TFormParseState : public TParseState {
 public:
  explicit TFormParseState(TLL1Parser& AParser) : TParseState(AParser) {}

  void Assign(const TParseState& Source) override;
  /// Empties the header strings and the property name; zeroes the positions,
  /// the depth and the counts.
  void Reset();

  int PropCount() const { return FPropCount; }
  int StartPos() const { return FStartPos; }
  void SetStartPos(int Value) { FStartPos = Value; }
  std::u16string TypeName() const { return Text(FTypeName); }
  void SetTypeName(std::u16string_view Value) { FTypeName = Store(Value); }
  std::u16string CurPropName() const { return Text(FCurPropName); }
  void SetCurPropName(std::u16string_view Value) { FCurPropName = Store(Value); }
  std::u16string ObjKeyWord() const { return Text(FObjKeyWord); }
  void SetObjKeyWord(std::u16string_view Value) { FObjKeyWord = Store(Value); }
  std::u16string Name() const { return Text(FName); }
  void SetName(std::u16string_view Value) { FName = Store(Value); }
  /// The child position of the header (the n of " [n]"), empty without one.
  std::u16string ChildIndex() const { return Text(FChildIndex); }
  int NestedObject() const { return FNestedObject; }
  void SetNestedObject(int Value) { FNestedObject = Value; }
  int ObjectCount() const { return FObjectCount; }
  int ObjectPos() const { return FObjectPos; }
  void SetObjectPos(int Value) { FObjectPos = Value; }

 private:
  friend class TFormParser;
  friend class TFormParserUtils;
  // A text of the state: a piece of the input being parsed (Start > 0, the
  // 1-based position), a text kept by the parser (Start < 0, index -Start-1),
  // or empty. Saving and restoring a state thus copies numbers only.
  struct TTextRef {
    int Start = 0;
    int Length = 0;
  };
  TFormParser& Owner() const;
  std::u16string Text(TTextRef Ref) const;
  TTextRef Store(std::u16string_view Value);
  TTextRef Keep(TTextRef Ref);

  int FPropCount = 0;
  int FStartPos = 0;
  TTextRef FTypeName;
  TTextRef FCurPropName;
  TTextRef FObjKeyWord;
  TTextRef FName;
  TTextRef FChildIndex;
  int FNestedObject = 0;
  int FObjectCount = 0;
  int FObjectPos = 0;
  // What the restore trims the parser's lists back to.
  int FNestedTextCount = 0;  // texts in the nested-object list
  int FLineEditCount = 0;    // lines inserted into existing output entries
  int FTextCount = 0;        // texts kept by the parser
  // Equal to the parser's stamp while the four counts above are known to
  // match its lists, so that a restore from such a state trims nothing.
  uint64_t FStamp = 0;
};

/// Asks the replacer for the connection component that declares a database
/// name: (PropName, OldPropValue) -> component name, or empty.
using TGetPropertyValue = std::function<std::u16string(const std::u16string& PropName,
                                                       const std::u16string& OldPropValue)>;

/// The form parser (see the file comment). One belongs to each replacer; its
/// grammar is the 49 rules of the form grammar, prepared by its first parse.
/// It reads everything the IDE writes: headers without a name and with a
/// child position " [n]", collection items with an index or without
/// properties, values in parentheses of any kind, typed numbers ("0c",
/// "1.5s", "2d"), identifier values starting with a dot, and names and
/// strings with characters of any script.
/// After a successful `ParseString(Text, "<object>", Pos)` the output list
/// holds what the hook added, `NestedObjects` the verbatim texts of the objects
/// nested directly inside, and `MakeObject` gives the regenerated text; after
/// a failed one everything is empty.
///
/// The output list may be changed only by the hook during its call, through
/// `AddProperty` and `InsertPropLine`, so that a backtracking parse can take
/// every change back.
class TFormParser : public TLL1Parser {
 public:
  explicit TFormParser(TParseStateClass ParseStateClass = &ParseStateClassOf<TFormParseState>);
  ~TFormParser() override;

  /// The regenerated text of the object just parsed, `Level` its nesting level
  /// in the form (0 for the form itself): the header with its keyword, its
  /// name (if it has one), the new class name and its child position,
  /// the output entries two blanks deeper (continuation lines two more), the
  /// nested objects unchanged, and "end"; every line ends with `LineBreak`.
  /// Empty when no object has been parsed. Does not change the output list.
  virtual std::u16string MakeObject(int Level);
  /// The conversion hook, called once per top-level property in text order
  /// (again for a property re-read after backtracking, with the output list
  /// restored first). `PropValue` is the value exactly as written. The base
  /// keeps every property unchanged.
  virtual void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue);

  /// Appends an output entry: `Value` split into lines at CRLF, CR or LF.
  /// The returned list may be changed during the current hook call only.
  TStringList& AddProperty(std::u16string_view Name, std::u16string_view Value);
  /// Inserts a line into the value of an existing output entry (as the
  /// "SpecificOptions.Strings" entry collects options).
  void InsertPropLine(int Index, int LineIndex, std::u16string_view Line);
  /// Replaces the value of an existing output entry. Only after a successful
  /// parse (DoAfterParse), where no backtracking can take the change back.
  void SetPropValue(int Index, std::u16string_view Value);
  /// Renames an existing output entry; like SetPropValue, only after a
  /// successful parse.
  void SetPropName(int Index, std::u16string_view Name);
  /// Moves output entry `Index` before all others; only after a successful
  /// parse, as SetPropValue.
  void MovePropFirst(int Index);
  /// Resets the state and empties the output list and the nested objects.
  void ResetObject();

  /// The output list.
  int PropsCount() const { return static_cast<int>(FProps.size()); }
  const std::u16string& PropName(int Index) const;
  const TStringList& PropValue(int Index) const;
  /// Index of the first output entry named exactly `Name`, or -1.
  int IndexOfProp(std::u16string_view Name) const;
  /// Verbatim texts of the directly nested objects, in the order found.
  const std::vector<std::u16string>& NestedObjects() const { return FNestedObjects; }

  TFormParseState& FormState() const { return static_cast<TFormParseState&>(State()); }
  /// Position just after the closing "end" of the object last parsed (before
  /// the blanks and line breaks the parse took after it); 0 after a failure.
  int ObjectEndPos() const { return FObjectEndPos; }

  const std::u16string& NewClassName() const { return FNewClassName; }
  void SetNewClassName(std::u16string_view Value) { FNewClassName = Value; }
  const TGetPropertyValue& OnGetPropertyValue() const { return FGetPropertyValue; }
  void SetOnGetPropertyValue(TGetPropertyValue Value) { FGetPropertyValue = std::move(Value); }
  const std::u16string& ConnectionDefFileName() const { return FConnectionDefFileName; }
  void SetConnectionDefFileName(std::u16string_view Value) { FConnectionDefFileName = Value; }
  const std::u16string& DriverConfFileName() const { return FDriverConfFileName; }
  void SetDriverConfFileName(std::u16string_view Value) { FDriverConfFileName = Value; }
  /// Line ending of `MakeObject` (CRLF by default; the replacer uses the
  /// file's own).
  const std::u16string& LineBreak() const { return FLineBreak; }
  void SetLineBreak(std::u16string_view Value) { FLineBreak = Value; }
  /// Whether `MakeObject` indents the header line (true by default). The
  /// replacer switches it off when it keeps the indentation that stood before
  /// the keyword in the file.
  bool IndentHeader() const { return FIndentHeader; }
  void SetIndentHeader(bool Value) { FIndentHeader = Value; }

  /// The 49 rules of the form grammar, in the order they are added.
  static const std::vector<std::u16string_view>& FormGrammar();

 protected:
  void GetCharClass(const std::u16string& Name, TCharTable& Chars, bool& Run) override;
  int NonTerminalTag(const std::u16string& Name) override;
  void EnterNonTerminal(int Tag) override;
  void LeaveNonTerminal(int Tag, bool Result) override;
  bool AcceptAlternative(int Tag, const std::u16string& Alternative) override;
  void DoBeforeParse() override;
  void DoAfterParse(bool& Result) override;

 private:
  friend class TFormParseState;
  friend class TFormParserUtils;
  struct TOutputProp {
    std::u16string Name;
    TStringList Value;
  };
  struct TLineEdit {
    int Prop;
    int Line;
  };
  bool Matches(const TFormParseState& State) const;
  // Trims the lists to the counts of `State` and, when they then match,
  // marks it so.
  void TrimTo(TFormParseState& State);
  void Trim(const TFormParseState& State);
  // Every change of the lists takes a new stamp; `Kept` (if it matched the
  // lists before) still does.
  void ListsChanged(TFormParseState* Kept);
  void AddNestedObject(std::u16string Text);

  std::vector<std::u16string> FNestedObjects;
  std::u16string FNewClassName;
  TGetPropertyValue FGetPropertyValue;
  std::deque<TOutputProp> FProps;  // a deque: entries never move
  std::u16string FConnectionDefFileName;
  std::u16string FDriverConfFileName;

  std::unordered_set<std::u16string> FNestedKeys;  // lower-cased FNestedObjects
  std::vector<TLineEdit> FLineEdits;               // journal of InsertPropLine
  std::vector<std::u16string> FTexts;              // texts kept for the states
  std::u16string FLineBreak = u"\r\n";
  bool FIndentHeader = true;
  int FObjectEndPos = 0;
  uint64_t FStamp = 1;  // see TFormParseState::FStamp
};

/// Access for the conversion rules to fields of a form parse state.
class TFormParserUtils {
 public:
  TFormParserUtils() = delete;
  static std::u16string GetName(const TFormParseState& Obj) { return Obj.Name(); }
  static std::u16string GetTypeName(const TFormParseState& Obj) { return Obj.TypeName(); }
  static void SetName(TFormParseState& Obj, std::u16string_view Value) { Obj.SetName(Value); }
  /// Sets the count of output entries; entries beyond it are removed.
  static void SetPropCount(TFormParseState& Obj, int Value);
};

}  // namespace zan
