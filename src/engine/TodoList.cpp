#include "engine/TodoList.h"

#include <map>
#include <unordered_map>
#include <unordered_set>

#include "engine/MemberCheck.h"
#include "engine/Replacer.h"
#include "engine/RunReport.h"
#include "engine/SourceRewriter.h"
#include "engine/TextFile.h"
#include "engine/UserRules.h"
#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

struct TLibraryPrefixes {
  std::u16string_view Library;
  std::initializer_list<std::u16string_view> Prefixes;
};

const TLibraryPrefixes kPrefixes[] = {
    {u"IBX", {u"TIB"}},
    {u"ADO", {u"TADO"}},
    {u"Kyrel", {u"TKyr"}},
    {u"Fenmark", {u"TFen"}},
    {u"Sarvo", {u"TSar"}},
    {u"Trindle", {u"TTrn"}},
    {u"Elvast", {u"TElv"}},
    {u"Wenrod", {u"TWen"}},
    {u"AnyDAC", {u"TAD"}},
    {u"FireDAC", {u"TFD"}},
    {u"FIBPlus", {u"TpFIB", u"TFIB"}},
};

TRunReport::TTodoItem Todo(std::u16string_view kind, const std::u16string& fileName) {
  TRunReport::TTodoItem item;
  item.Kind = kind;
  item.FileName = fileName;
  return item;
}

bool IsUpperAscii(char16_t ch) {
  return ch >= u'A' && ch <= u'Z';
}

/// Line and column (1-based) of offsets asked in increasing order.
class TPositions {
 public:
  explicit TPositions(std::u16string_view text) : FText(text) {}
  void At(size_t pos, int& line, int& column) {
    for (; FPos < pos && FPos < FText.size(); ++FPos)
      if (FText[FPos] == u'\n') {
        ++FLine;
        FLineStart = FPos + 1;
      }
    line = FLine;
    column = static_cast<int>(pos - FLineStart) + 1;
  }

 private:
  std::u16string_view FText;
  size_t FPos = 0, FLineStart = 0;
  int FLine = 1;
};

/// What became of the properties of a unit's converted objects: object name
/// (upper case) -> property name (upper case) -> what to do.
using TPropertyFates = std::unordered_map<std::u16string, std::map<std::u16string, std::u16string>>;

/// The converted form objects of each unit (by its index in the work list),
/// gathered in one pass so that the list stays linear in the run's size.
using TObjectsOfUnits =
    std::unordered_map<size_t, std::vector<const TRunReport::TFormObjectEntry*>>;

TObjectsOfUnits ObjectsOfUnits(const TRunReport& report, const std::vector<TWorkItem>& work) {
  std::unordered_map<std::u16string, std::vector<size_t>> unitsOfForm;
  for (const TWorkItem& item : work)
    if (!item.IsUnit) unitsOfForm[item.Path].push_back(item.NamedBy);
  TObjectsOfUnits objects;
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects) {
    if (!object.Converted) continue;
    if (const auto units = unitsOfForm.find(object.FileName); units != unitsOfForm.end())
      for (size_t unit : units->second) objects[unit].push_back(&object);
  }
  return objects;
}

TPropertyFates FatesOfUnit(const std::vector<const TRunReport::TFormObjectEntry*>& objects) {
  TPropertyFates fates;
  for (const TRunReport::TFormObjectEntry* entry : objects) {
    const TRunReport::TFormObjectEntry& object = *entry;
    auto& fate = fates[AnsiUpperCase(object.ObjectName)];
    for (const TRunReport::TProperty& dropped : object.DroppedValues)
      fate[AnsiUpperCase(dropped.Name.substr(0, dropped.Name.find(u'.')))] =
          object.NewClassName + u" has no counterpart of " + dropped.Name +
          u": remove the code or rewrite it";
    for (const TRunReport::TRenamedProperty& renamed : object.Renamed) {
      std::u16string names;
      for (const TRunReport::TProperty& now : renamed.New)
        names += (names.empty() ? u"" : u", ") + now.Name;
      fate[AnsiUpperCase(renamed.Old.Name.substr(0, renamed.Old.Name.find(u'.')))] =
          u"use " + names + u" of " + object.NewClassName;
    }
  }
  return fates;
}

void TodoOfUnit(TRunState& state, size_t unit, const std::vector<std::u16string>& prefixes,
                const TObjectsOfUnits& objects, TRunReport& report) {
  const TWorkItem& item = state.Work[unit];
  TTextEncoding encoding;
  const std::string bytes = state.Fs.ReadFile(item.Changed ? item.TempPath : item.Path);
  const std::u16string text = ReadTextFile(bytes, encoding, item.Path, state.Context.CodePage);
  static const std::vector<const TRunReport::TFormObjectEntry*> kNone;
  const auto own = objects.find(unit);
  const TPropertyFates fates = FatesOfUnit(own == objects.end() ? kNone : own->second);
  const TStringList& sourceUnits = state.Replacer.OldUsesList();
  TPositions positions(text);
  TPasParser lexer;
  lexer.SetTextRef(text);
  bool insideUses = false;
  // The last identifiers met: `Object . Property`.
  std::u16string_view previous, beforeDot;
  bool afterDot = false;
  std::map<std::u16string, int> classes;  // unconverted classes of the library, counted
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    if (lexeme.Code == lexBlank || lexeme.Code == lexComment) continue;
    if (lexeme.Code == kwUses) insideUses = true;
    if (lexeme.Code == symSemicolon) insideUses = false;
    if (lexeme.Code == lexIdent) {
      const std::u16string upper = AnsiUpperCase(lexeme.Text);
      int index;
      if (insideUses && sourceUnits.Find(upper, index)) {
        TRunReport::TTodoItem todo = Todo(u"uses", item.Path);
        positions.At(lexeme.Start, todo.Line, todo.Column);
        todo.What = u"the source unit " + std::u16string(lexeme.Text) + u" is still used";
        todo.Action = u"remove it once nothing in the unit needs it";
        report.Todo.push_back(std::move(todo));
      } else if (afterDot && !beforeDot.empty()) {
        if (const auto object = fates.find(AnsiUpperCase(beforeDot)); object != fates.end())
          if (const auto fate = object->second.find(upper); fate != object->second.end()) {
            TRunReport::TTodoItem todo = Todo(u"property", item.Path);
            positions.At(lexeme.Start, todo.Line, todo.Column);
            todo.What = std::u16string(beforeDot) + u"." + std::u16string(lexeme.Text);
            todo.Action = fate->second;
            report.Todo.push_back(std::move(todo));
          }
      } else if (!state.Replacer.FindNewClassName(lexeme.Text) &&
                 !(state.Context.UserRules && state.Context.UserRules->FindTarget(lexeme.Text))) {
        for (const std::u16string& prefix : prefixes)
          if (lexeme.Text.size() > prefix.size() && lexeme.Text.starts_with(prefix) &&
              IsUpperAscii(lexeme.Text[prefix.size()]))
            ++classes[std::u16string(lexeme.Text)];
      }
      previous = lexeme.Text;
      afterDot = false;
    } else {
      afterDot = lexeme.Code == symDot;
      beforeDot = afterDot ? previous : std::u16string_view();
    }
  }
  // A routine declared `external` keeps the source classes of its heading.
  for (const TTextRange& heading : ExternalRoutineHeadings(text)) {
    TPasParser headingLexer;
    headingLexer.SetTextRef(
        std::u16string_view(text).substr(heading.Start, heading.End - heading.Start));
    std::u16string_view routine;
    while (true) {
      const TLexeme& lexeme = headingLexer.Next();
      if (lexeme.Code == lexEnd) break;
      if (lexeme.Code != lexIdent) continue;
      if (routine.empty() && !SameText(lexeme.Text, u"procedure") &&
          !SameText(lexeme.Text, u"function"))
        routine = lexeme.Text;
      if (!state.Replacer.FindNewClassName(lexeme.Text) &&
          !(state.Context.UserRules && state.Context.UserRules->FindTarget(lexeme.Text)))
        continue;
      TRunReport::TTodoItem todo = Todo(u"external", item.Path);
      TPositions(text).At(heading.Start + lexeme.Start, todo.Line, todo.Column);
      todo.What = u"the library expects the source class";
      todo.Action = std::u16string(lexeme.Text) +
                    u" stays in the heading of the external routine " + std::u16string(routine) +
                    u": pass it an object of that class";
      report.Todo.push_back(std::move(todo));
      break;
    }
  }
  for (const auto& [name, count] : classes) {
    TRunReport::TTodoItem todo = Todo(u"class", item.Path);
    todo.Count = count;
    todo.What = name + u" is used " + IntToStr(count) + u" time(s)";
    todo.Action = u"the catalogue does not convert it: replace it by hand";
    report.Todo.push_back(std::move(todo));
  }
}

}  // namespace

std::vector<std::u16string> LibraryClassPrefixes(std::u16string_view library) {
  for (const TLibraryPrefixes& entry : kPrefixes)
    if (SameText(entry.Library, library))
      return std::vector<std::u16string>(entry.Prefixes.begin(), entry.Prefixes.end());
  return {};
}

void CollectTodoList(TRunState& state) {
  TRunReport* report = state.Context.Report;
  if (!report) return;
  report->Todo.clear();
  // Runs first: its fixes change the converted units the entries below point into.
  TMemberCheck members(state);
  members.Run();
  const std::vector<std::u16string> prefixes = LibraryClassPrefixes(report->Library);
  const TObjectsOfUnits objects = ObjectsOfUnits(*report, state.Work);
  for (size_t i = 0; i < state.Work.size(); ++i)
    if (state.Work[i].IsUnit) TodoOfUnit(state, i, prefixes, objects, *report);
  for (const TRunReport::TFormObjectEntry& object : report->FormObjects) {
    for (const TRunReport::TFormObjectEntry::TDisconnected& d : object.Disconnected) {
      TRunReport::TTodoItem todo = Todo(u"connection", object.FileName);
      todo.What = object.ObjectName + u": " + d.Property + u" = True was written False";
      todo.Action = d.Action;
      report->Todo.push_back(std::move(todo));
    }
    if (object.Converted) continue;
    TRunReport::TTodoItem todo = Todo(u"object", object.FileName);
    todo.What = object.ObjectName + u": " + object.ClassName + u" was not converted";
    todo.Action = object.Reason;
    report->Todo.push_back(std::move(todo));
  }
  members.AppendTodo(*report);
}

}  // namespace zan
