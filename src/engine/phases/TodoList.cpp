#include "engine/phases/TodoList.h"

#include <map>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalogue/Replacer.h"
#include "engine/files/TextFile.h"
#include "engine/phases/MemberCheck.h"
#include "engine/report/RunReport.h"
#include "engine/report/TextPositions.h"
#include "engine/rewrite/SourceRewriter.h"
#include "engine/rules/UserRules.h"
#include "parsing/PasParser.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

using TNames = std::initializer_list<std::u16string_view>;

/// What names one source library in code: its classes (by prefix, or by name
/// where they share none) and its units.
struct TLibraryNames {
  std::u16string_view Library;
  TNames ClassPrefixes;  // followed by an upper-case letter: "TIB" (TIBSQLMonitor)
  TNames ErrorPrefixes;  // its exception classes: "EIB" (EIBInterBaseError)
  TNames Classes;        // further classes, by name
  TNames Units;          // unit names; a dotted one whole
  /// Unit name prefixes: one ending in "." is a unit scope (every unit in
  /// it), any other is followed by an upper-case letter ("uAD": uADCompClient).
  TNames UnitPrefixes;
};

const TLibraryNames kLibraryNames[] = {
    {u"BDE",
     {},
     {},
     {u"TSession", u"TSessionList", u"TBDEDataSet", u"TDBDataSet", u"TDBError", u"ENoResultSet",
      u"TNestedTable", u"TBDECallback"},
     {u"DBTables", u"BDE", u"BDEConst", u"DBBdeWeb", u"BDEMts"},
     {u"Bde."}},
    {u"IBX",
     {u"TIB"},
     {u"EIB"},
     {},
     {u"IB",
      u"IBBlob",
      u"IBCustomDataSet",
      u"IBDatabase",
      u"IBDatabaseInfo",
      u"IBDataSet",
      u"IBErrorCodes",
      u"IBEvents",
      u"IBExternals",
      u"IBExtract",
      u"IBFieldHelper",
      u"IBHeader",
      u"IBInstall",
      u"IBInstallHeader",
      u"IBIntf",
      u"IBQuery",
      u"IBScript",
      u"IBServices",
      u"IBSQL",
      u"IBSQLMonitor",
      u"IBStoredProc",
      u"IBTable",
      u"IBUpdateSQL",
      u"IBUtils",
      u"IBXConst",
      u"IBConnectionBroker",
      u"IBFilterDialog"},
     {u"IBX."}},
    {u"ADO",
     {u"TADO"},
     {u"EADO"},
     {u"TCustomADODataSet", u"TParameter", u"TParameters"},
     {u"ADODB", u"ADOInt", u"ADOConst", u"Data.Win.ADODB", u"Data.Win.ADOConst", u"Winapi.ADOInt"},
     {}},
    {u"Kyrel", {u"TKyr"}, {u"EKyr"}, {}, {u"Kyr"}, {u"Kyr"}},
    {u"Fenmark", {u"TFen"}, {u"EFen"}, {}, {}, {u"Fen"}},
    {u"Sarvo", {u"TSar"}, {u"ESar"}, {}, {}, {u"Sar"}},
    {u"Trindle", {u"TTrn"}, {u"ETrn"}, {}, {u"Trn"}, {u"Trn"}},
    {u"Elvast", {u"TElv"}, {u"EElv"}, {}, {}, {u"Elv"}},
    {u"Wenrod", {u"TWen"}, {u"EWen"}, {}, {}, {u"Wen"}},
    {u"AnyDAC", {u"TAD"}, {u"EAD"}, {}, {}, {u"uAD", u"daAD"}},
    {u"FireDAC", {u"TFD"}, {u"EFD"}, {}, {}, {u"FireDAC."}},
    {u"FIBPlus",
     {u"TpFIB", u"TFIB"},
     {u"EFIB"},
     {},
     {u"SIBEABase", u"SIBFIBEA", u"SIBAPI", u"SIBGlobals", u"IB_Services", u"IB_ErrorCodes",
      u"IB_Externals", u"IB_Intf", u"IB_InstallHeader", u"ibase"},
     {u"pFIB", u"FIB"}},
};

const TLibraryNames* FindLibraryNames(std::u16string_view library) {
  for (const TLibraryNames& entry : kLibraryNames)
    if (SameText(entry.Library, library)) return &entry;
  return nullptr;
}

bool IsUpperAscii(char16_t ch) {
  return ch >= u'A' && ch <= u'Z';
}

/// `name` begins with `prefix` (exactly) and goes on with an upper-case letter.
bool HasClassPrefix(std::u16string_view name, std::u16string_view prefix) {
  return name.size() > prefix.size() && name.starts_with(prefix) &&
         IsUpperAscii(name[prefix.size()]);
}

bool InNames(TNames names, std::u16string_view name) {
  for (std::u16string_view known : names)
    if (SameText(known, name)) return true;
  return false;
}

TRunReport::TTodoItem Todo(std::u16string_view kind, const std::u16string& fileName) {
  TRunReport::TTodoItem item;
  item.Kind = kind;
  item.FileName = fileName;
  return item;
}

/// A lexeme of a unit that is neither blank nor comment.
struct TToken {
  int Code;
  std::u16string_view Text;
  size_t Start;
};

std::vector<TToken> Tokens(std::u16string_view text) {
  std::vector<TToken> tokens;
  TPasParser lexer;
  lexer.SetTextRef(text);
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    if (lexeme.Code == lexBlank || lexeme.Code == lexComment) continue;
    tokens.push_back({lexeme.Code, lexeme.Text, lexeme.Start});
  }
  return tokens;
}

/// What became of one property of a converted object, as code would use it.
struct TPropertyFate {
  std::u16string Path;  // the property's name as code spells it (upper case): "PARAMS"
  bool Dropped = false;
  std::vector<std::u16string> NewNames;  // renamed: what code uses instead
  std::u16string OldName;                // as code spells it
  bool IsList = false;                   // a string list of settings (Params.Strings)
  std::u16string NewClass;
};

/// A stored property name as code spells it: a string list's "Strings" and
/// the collection data a class streams itself are not in code.
std::u16string CodeName(std::u16string_view stored) {
  if (SameText(stored, u"ParamData")) return u"Params";
  if (SameText(stored, u"MacroData")) return u"Macros";
  if (stored.size() > 8 && SameText(stored.substr(stored.size() - 8), u".Strings"))
    return std::u16string(stored.substr(0, stored.size() - 8));
  return std::u16string(stored);
}

std::u16string FirstSegment(std::u16string_view path) {
  return std::u16string(path.substr(0, path.find(u'.')));
}

/// The fates of a unit's converted objects: object name (upper case) ->
/// property name (first segment, upper case) -> the fates under it.
using TPropertyFates =
    std::unordered_map<std::u16string, std::map<std::u16string, std::vector<TPropertyFate>>>;

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

TPropertyFates FatesOfUnit(const std::vector<const TRunReport::TFormObjectEntry*>& objects,
                           const TClassRegistry* registry) {
  TPropertyFates fates;
  for (const TRunReport::TFormObjectEntry* entry : objects) {
    const TRunReport::TFormObjectEntry& object = *entry;
    const TRegisteredClass* target = registry ? registry->FindClass(object.NewClassName) : nullptr;
    auto add = [&](const std::u16string& oldName, TPropertyFate fate) {
      const std::u16string path = CodeName(oldName);
      fate.IsList = path.size() != oldName.size();
      // Code that names a property the new class publishes still compiles.
      if (target && target->HasPublishedProperty(FirstSegment(path))) return;
      fate.Path = AnsiUpperCase(path);
      fate.OldName = path;
      fate.NewClass = object.NewClassName;
      fates[AnsiUpperCase(object.ObjectName)][FirstSegment(fate.Path)].push_back(std::move(fate));
    };
    for (const TRunReport::TProperty& dropped : object.DroppedValues) {
      TPropertyFate fate;
      fate.Dropped = true;
      add(dropped.Name, std::move(fate));
    }
    for (const TRunReport::TRenamedProperty& renamed : object.Renamed) {
      TPropertyFate fate;
      for (const TRunReport::TProperty& now : renamed.New) {
        std::u16string name = CodeName(now.Name);
        if (std::find(fate.NewNames.begin(), fate.NewNames.end(), name) == fate.NewNames.end())
          fate.NewNames.push_back(std::move(name));
      }
      add(renamed.Old.Name, std::move(fate));
    }
  }
  return fates;
}

/// A parameter name as code and properties spell it, compared without case
/// and underscores ("User_Name" is "Username").
std::u16string ParamKey(std::u16string_view name) {
  std::u16string key;
  for (char16_t ch : name.substr(0, name.find(u'=')))  // `Params.Add('Database=x')`
    if (ch != u'_' && ch != u'\'') key += ch;
  return AnsiUpperCase(key);
}

/// The advice for code that uses the property chain `tokens[at..]` (the
/// first token the member of a converted object) given the fates of that
/// member.
std::u16string FateAdvice(const std::vector<TPropertyFate>& fates,
                          const std::vector<TToken>& tokens, size_t at) {
  const std::u16string newClass = fates.front().NewClass;
  const std::u16string member(tokens[at].Text);
  // The chain as code spells it, up to the first name that is not a member.
  std::u16string chain = AnsiUpperCase(member);
  std::vector<std::u16string> segments;
  for (size_t i = at + 2;
       i < tokens.size() && tokens[i - 1].Code == symDot && tokens[i].Code == lexIdent; i += 2) {
    segments.emplace_back(tokens[i].Text);
    chain += u"." + AnsiUpperCase(tokens[i].Text);
  }
  // A parameter of a list named in code: `.Values['Database']`,
  // `.ParamByName('X')` or a typed `.Database`.
  std::u16string key;
  if (!segments.empty()) {
    const size_t next = at + 2 * segments.size() + 1;
    if (next + 1 < tokens.size() &&
        (tokens[next].Code == symOpenBracket || tokens[next].Code == symOpenParen) &&
        tokens[next + 1].Code == lexString)
      key = ParamKey(tokens[next + 1].Text);
    else
      key = ParamKey(segments.front());
  }
  // ADO's parameter collection: the target's data sets have ParamByName and Params.
  if (SameText(member, u"Parameters")) {
    if (!segments.empty() && SameText(segments.front(), u"ParamByName"))
      return u"use ParamByName of " + newClass;
    return u"use Params of " + newClass;
  }
  // The fate of the longest property path the chain begins with.
  const TPropertyFate* fate = nullptr;
  for (const TPropertyFate& candidate : fates)
    if ((chain == candidate.Path || chain.starts_with(candidate.Path + u".")) &&
        (!fate || candidate.Path.size() > fate->Path.size()))
      fate = &candidate;
  if (!fate) return newClass + u" has no " + member + u": rewrite the code";
  if (fate->Dropped)
    return newClass + u" has no counterpart of " + fate->OldName +
           u": remove the code or rewrite it";
  if (!key.empty())
    for (const std::u16string& name : fate->NewNames)
      if (ParamKey(name) == key || (key == u"DRIVERID" && SameText(name, u"ProviderName")))
        return u"use " + name + u" of " + newClass;
  std::u16string names;
  for (const std::u16string& name : fate->NewNames) names += (names.empty() ? u"" : u", ") + name;
  if (fate->NewNames.size() == 1 || segments.empty() || !fate->IsList)
    return u"use " + names + u" of " + newClass;
  // The member is a list of settings the conversion spread over properties.
  return newClass + u" has no " + member + u"; the form's " + fate->OldName + u" became " + names;
}

/// A place found in a unit, with the class that makes it one: kept unless
/// the run's units declare a type (or, for `Session`, a variable) of that name.
struct TFound {
  TRunReport::TTodoItem Item;
  std::u16string Name;  // upper case; empty: always kept
};

/// Everything the to-do list gathers while it reads a run's units.
class TTodoCollector {
 public:
  TTodoCollector(TRunState& state, TRunReport& report)
      : FState(state),
        FReport(report),
        FNames(FindLibraryNames(report.Library)),
        FBde(SameText(report.Library, u"BDE")) {}

  void ReadUnit(size_t unit, const TObjectsOfUnits& objects);
  /// Appends the places found to the report, without those about the
  /// project's own names.
  void Finish();

 private:
  bool IsSourceUnit(std::u16string_view dotted) const;
  /// A class of the library that the run left in code.
  bool IsLibraryClass(std::u16string_view name) const;
  void Add(TRunReport::TTodoItem item, std::u16string_view name = {}) {
    FFound.push_back({std::move(item), AnsiUpperCase(name)});
  }

  TRunState& FState;
  TRunReport& FReport;
  const TLibraryNames* FNames;
  bool FBde;
  std::vector<TFound> FFound;
  std::unordered_set<std::u16string> FOwnNames;  // upper case
};

bool TTodoCollector::IsSourceUnit(std::u16string_view dotted) const {
  int index;
  const TStringList& sourceUnits = FState.Replacer.OldUsesList();
  if (sourceUnits.Find(AnsiUpperCase(dotted), index)) return true;
  // A scoped name of a catalogue unit (Bde.DBTables).
  if (const size_t dot = dotted.rfind(u'.'); dot != std::u16string_view::npos)
    if (sourceUnits.Find(AnsiUpperCase(dotted.substr(dot + 1)), index)) return true;
  if (!FNames) return false;
  if (InNames(FNames->Units, dotted)) return true;
  for (std::u16string_view prefix : FNames->UnitPrefixes) {
    if (dotted.size() <= prefix.size() || !StartsText(prefix, dotted)) continue;
    if (prefix.ends_with(u'.') || IsUpperAscii(dotted[prefix.size()])) return true;
  }
  return false;
}

bool TTodoCollector::IsLibraryClass(std::u16string_view name) const {
  if (!FNames || FState.Replacer.FindNewClassName(name) ||
      (FState.Context.UserRules && FState.Context.UserRules->FindTarget(name)))
    return false;
  if (InNames(FNames->Classes, name)) return true;
  // AnyDAC's prefix would take ADO's classes too.
  if (FNames->Library == u"AnyDAC" && (name.starts_with(u"TADO") || name.starts_with(u"EADO")))
    return false;
  for (TNames prefixes : {FNames->ClassPrefixes, FNames->ErrorPrefixes})
    for (std::u16string_view prefix : prefixes)
      if (HasClassPrefix(name, prefix)) return true;
  return false;
}

void TTodoCollector::ReadUnit(size_t unit, const TObjectsOfUnits& objects) {
  const TWorkItem& work = FState.Work[unit];
  TTextEncoding encoding;
  const std::string bytes = FState.Fs.ReadFile(work.Changed ? work.TempPath : work.Path);
  const std::u16string text = ReadTextFile(bytes, encoding, work.Path, FState.Context.CodePage);
  static const std::vector<const TRunReport::TFormObjectEntry*> kNone;
  const auto own = objects.find(unit);
  const TPropertyFates fates =
      FatesOfUnit(own == objects.end() ? kNone : own->second, FState.Context.ClassRegistry);
  const std::vector<TToken> tokens = Tokens(text);
  TTextPositions positions(text);
  auto place = [&](std::u16string_view kind, size_t token) {
    TRunReport::TTodoItem item = Todo(kind, work.Path);
    positions.At(tokens[token].Start, item.Line, item.Column);
    return item;
  };
  auto isIdent = [&](size_t i, std::u16string_view word) {
    return i < tokens.size() && tokens[i].Code == lexIdent && SameText(tokens[i].Text, word);
  };
  auto isCode = [&](size_t i, int code) { return i < tokens.size() && tokens[i].Code == code; };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const TToken& token = tokens[i];
    const bool afterDot = i > 0 && tokens[i - 1].Code == symDot;
    if (token.Code == kwUses) {
      // Each entry, a dotted name whole, up to the clause's ";".
      for (++i; i < tokens.size() && tokens[i].Code != symSemicolon; ++i) {
        if (tokens[i].Code != lexIdent) continue;
        const size_t first = i;
        std::u16string name(tokens[i].Text);
        while (isCode(i + 1, symDot) && isCode(i + 2, lexIdent)) {
          name += u"." + std::u16string(tokens[i + 2].Text);
          i += 2;
        }
        if (isIdent(i + 1, u"in")) ++i;
        if (!IsSourceUnit(name)) continue;
        TRunReport::TTodoItem item = place(u"uses", first);
        item.What = u"the source unit " + name + u" is still used";
        item.Action = u"remove it once nothing in the unit needs it";
        Add(std::move(item));
      }
      continue;
    }
    if (token.Code != lexIdent) continue;
    // A type the project declares: `TFDVSESession = class(...)`.
    if (isCode(i + 1, symEqual) && !afterDot) {
      size_t k = i + 2;
      if (isIdent(k, u"packed")) ++k;
      if (isIdent(k, u"class") || isIdent(k, u"interface") || isIdent(k, u"record") ||
          isIdent(k, u"dispinterface") || isCode(k, kwObject))
        FOwnNames.insert(AnsiUpperCase(token.Text));
    }
    // A variable, field or parameter the project calls Session.
    if (FBde && !afterDot && isCode(i + 1, symColon) && SameText(token.Text, u"Session"))
      FOwnNames.insert(u"SESSION");
    // A routine heading whose parameters have types of the library: an
    // event handler (or a routine) the target's objects call with others.
    if ((SameText(token.Text, u"procedure") || SameText(token.Text, u"function")) && !afterDot) {
      size_t k = i + 1;
      std::u16string routine;
      while (isCode(k, lexIdent) || isCode(k, symDot)) routine += tokens[k++].Text;
      if (routine.empty() || !isCode(k, symOpenParen)) continue;
      for (int depth = 0; k < tokens.size(); ++k) {
        if (tokens[k].Code == symOpenParen) ++depth;
        if (tokens[k].Code == symCloseParen && --depth == 0) break;
        if (FBde && isCode(k + 1, symColon) && isIdent(k, u"Session")) FOwnNames.insert(u"SESSION");
        if (tokens[k].Code != lexIdent || !IsLibraryClass(tokens[k].Text)) continue;
        TRunReport::TTodoItem item = place(u"handler", k);
        item.What = std::u16string(tokens[k].Text) + u" in the parameters of " + routine;
        item.Action =
            u"the converted objects pass other types: declare the parameter with the target's "
            u"type (a handler as the target's event declares it)";
        Add(std::move(item), tokens[k].Text);
      }
      i = k;
      continue;
    }
    // `on E: EFDDBEngineException do`, `on EIBError do`.
    if (SameText(token.Text, u"on") && !afterDot && isCode(i + 1, lexIdent)) {
      size_t k = i + 1;
      if (isCode(k + 1, symColon)) k += 2;
      while (isCode(k + 1, symDot) && isCode(k + 2, lexIdent)) k += 2;
      if (isIdent(k + 1, u"do") && isCode(k, lexIdent) && IsLibraryClass(tokens[k].Text)) {
        TRunReport::TTodoItem item = place(u"exception", k);
        item.What = u"on " + std::u16string(tokens[k].Text);
        item.Action = u"the converted code raises the target's exceptions: catch EZanError";
        Add(std::move(item), tokens[k].Text);
        i = k;
      }
      continue;
    }
    // The BDE's global session.
    if (FBde && !afterDot && isCode(i + 1, symDot) &&
        (SameText(token.Text, u"Session") || SameText(token.Text, u"Sessions"))) {
      TRunReport::TTodoItem item = place(u"session", i);
      item.What = std::u16string(token.Text) + u"." +
                  (isCode(i + 2, lexIdent) ? std::u16string(tokens[i + 2].Text) : u"");
      item.Action = u"the target has no session: do it with the connection (TZanConnection)";
      Add(std::move(item), u"Session");
      continue;
    }
    if (afterDot && i >= 2 && tokens[i - 2].Code == lexIdent) {
      // `Object.Property` on one of the unit's converted objects.
      const auto object = fates.find(AnsiUpperCase(tokens[i - 2].Text));
      if (object == fates.end()) continue;
      const auto fate = object->second.find(AnsiUpperCase(token.Text));
      if (fate == object->second.end()) continue;
      TRunReport::TTodoItem item = place(u"property", i);
      item.What = std::u16string(tokens[i - 2].Text) + u"." + std::u16string(token.Text);
      item.Action = FateAdvice(fate->second, tokens, i);
      Add(std::move(item));
      continue;
    }
    if (!afterDot && IsLibraryClass(token.Text)) {
      TRunReport::TTodoItem item = place(u"class", i);
      item.What = std::u16string(token.Text) + u" is still used";
      item.Action = u"the catalogue does not convert it: replace it by hand";
      Add(std::move(item), token.Text);
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
      if (!FState.Replacer.FindNewClassName(lexeme.Text) &&
          !(FState.Context.UserRules && FState.Context.UserRules->FindTarget(lexeme.Text)))
        continue;
      TRunReport::TTodoItem item = Todo(u"external", work.Path);
      TTextPositions(text).At(heading.Start + lexeme.Start, item.Line, item.Column);
      item.What = u"the library expects the source class";
      item.Action = std::u16string(lexeme.Text) +
                    u" stays in the heading of the external routine " + std::u16string(routine) +
                    u": pass it an object of that class";
      Add(std::move(item));
      break;
    }
  }
}

void TTodoCollector::Finish() {
  for (TFound& found : FFound)
    if (found.Name.empty() || !FOwnNames.contains(found.Name))
      FReport.Todo.push_back(std::move(found.Item));
  FFound.clear();
}

}  // namespace

std::vector<std::u16string> LibraryClassPrefixes(std::u16string_view library) {
  if (const TLibraryNames* names = FindLibraryNames(library))
    return std::vector<std::u16string>(names->ClassPrefixes.begin(), names->ClassPrefixes.end());
  return {};
}

void CollectTodoList(TRunState& state) {
  TRunReport* report = state.Context.Report;
  if (!report) return;
  report->Todo.clear();
  // Runs first: its fixes change the converted units the entries below point into.
  TMemberCheck members(state);
  members.Run();
  const TObjectsOfUnits objects = ObjectsOfUnits(*report, state.Work);
  TTodoCollector collector(state, *report);
  for (size_t i = 0; i < state.Work.size(); ++i)
    if (state.Work[i].IsUnit) collector.ReadUnit(i, objects);
  collector.Finish();
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
