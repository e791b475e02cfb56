#include "engine/phases/MemberCheck.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/catalogue/Replacer.h"
#include "engine/files/TextFile.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/SymbolIndex.h"
#include "engine/phases/TodoList.h"
#include "engine/report/TextPositions.h"
#include "engine/rules/UserRules.h"
#include "parsing/PasParser.h"
#include "rtl/ClassRegistry.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view kMemberFile =
#include "engine/catalogue/TargetMembers.inc"
    ;

/// The members of one target class (upper case), with the type of those
/// that lead to another target class.
struct TMembers {
  std::u16string ClassName;  // as the registry or the data file writes it
  std::unordered_set<std::u16string> Names;
  std::unordered_map<std::u16string, std::u16string> Types;
};

using TMemberTable = std::unordered_map<std::u16string, TMembers>;

std::u16string Trimmed(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t' || text[begin] == u'\r'))
    ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t' || text[end - 1] == u'\r'))
    --end;
  return std::u16string(text.substr(begin, end - begin));
}

/// The classes and members of TargetMembers.inc.
TMemberTable ReadMemberFile() {
  TMemberTable table;
  std::vector<TMembers*> current;
  std::u16string_view rest = kMemberFile;
  while (!rest.empty()) {
    const size_t eol = rest.find(u'\n');
    const std::u16string line = Trimmed(rest.substr(0, eol));
    rest = eol == std::u16string_view::npos ? std::u16string_view() : rest.substr(eol + 1);
    if (line.empty() || line[0] == u'#') continue;
    if (line[0] == u'[') {
      current.clear();
      std::u16string_view names = std::u16string_view(line).substr(1, line.size() - 2);
      while (!names.empty()) {
        const size_t comma = names.find(u',');
        const std::u16string name = Trimmed(names.substr(0, comma));
        TMembers& members = table[UpperCase(name)];
        members.ClassName = name;
        current.push_back(&members);
        names =
            comma == std::u16string_view::npos ? std::u16string_view() : names.substr(comma + 1);
      }
      continue;
    }
    const size_t colon = line.find(u':');
    const std::u16string name = UpperCase(Trimmed(std::u16string_view(line).substr(0, colon)));
    const std::u16string type =
        colon == std::u16string::npos
            ? std::u16string()
            : UpperCase(Trimmed(std::u16string_view(line).substr(colon + 1)));
    for (TMembers* members : current) {
      members->Names.insert(name);
      if (!type.empty()) members->Types[name] = type;
    }
  }
  return table;
}

/// A member the source libraries have and the target classes lack, with
/// the advice for it and, where the replacement is 1:1, the fix.
struct TAdvice {
  std::u16string_view Member;  // upper case
  std::u16string_view
      Next;  // upper case: the member after it (`Parameters.ParamByName`); empty: any
  std::u16string_view Action;
  /// The member the class must have for the advice to hold (upper case).
  std::u16string_view Needs;
  /// What replaces `Member` (and `.Next`) under --fix-code; empty: no fix.
  std::u16string_view Fix;
  bool FixNeedsCall = false;  // the fix only applies before "("
};

// The first row of a member whose conditions hold gives the advice; a row
// with `Next` comes before the plain row of its member.
constexpr TAdvice kAdvice[] = {
    {u"INDEXNAME", u"", u"set IndexFieldNames to the index's fields", u"INDEXFIELDNAMES", u"",
     false},
    {u"BEGINTRANS", u"", u"use StartTransaction", u"STARTTRANSACTION", u"StartTransaction", false},
    {u"COMMITTRANS", u"", u"use Commit", u"COMMIT", u"Commit", false},
    {u"ROLLBACKTRANS", u"", u"use Rollback", u"ROLLBACK", u"Rollback", false},
    {u"PARAMETERS", u"PARAMBYNAME", u"use ParamByName", u"PARAMBYNAME", u"ParamByName", true},
    {u"PARAMETERS", u"", u"use ParamByName or Params", u"PARAMBYNAME", u"", false},
    {u"SQLS", u"SELECTSQL", u"use SQL", u"SQL", u"SQL", false},
    {u"SELECTSQL", u"", u"use SQL", u"SQL", u"SQL", false},
    {u"FBN", u"", u"use FieldByName", u"FIELDBYNAME", u"FieldByName", true},
    {u"DATABASENAME", u"", u"use Connection", u"CONNECTION", u"", false},
    {u"DEFAULTDATABASE", u"", u"use DefaultConnection", u"DEFAULTCONNECTION", u"", false},
    {u"DATABASE", u"", u"use Connection", u"CONNECTION", u"Connection", false},
    {u"CLOSEOPEN", u"", u"call Close, then Open", u"OPEN", u"", false},
    {u"SESSIONNAME", u"", u"remove it: the connection is set by Connection", u"CONNECTION", u"",
     false},
};

/// What a library's units export beside its prefixed classes: the code that
/// names one of them still needs the unit.
struct TLibraryNames {
  std::u16string_view Library;
  std::initializer_list<std::u16string_view> Names;
  std::initializer_list<std::u16string_view> EnumPrefixes;  // `lt` of `ltBatchOptimistic`
};

const TLibraryNames kLibraryNames[] = {
    {u"BDE",
     {u"Session", u"Sessions", u"TSession", u"TSessionList", u"TBDEDataSet", u"TDBDataSet",
      u"TTableType", u"TBatchMode", u"TTransIsolation", u"TLockType"},
     {u"tt", u"bat", u"ti", u"lt"}},
    {u"IBX", {u"TARollback", u"TACommit", u"TARollbackRetaining", u"TACommitRetaining"}, {}},
    {u"ADO",
     {u"TCursorLocation",  u"TCursorType",    u"TCommandType",    u"TExecuteOption",
      u"TExecuteOptions",  u"TEventStatus",   u"TEventReason",    u"TRecordsetEvent",
      u"TMarshalOption",   u"TConnectMode",   u"TIsolationLevel", u"TXactAttribute",
      u"TXactAttributes",  u"TSchemaInfo",    u"TFilterGroup",    u"TRecordStatus",
      u"TRecordStatusSet", u"TConnectOption", u"clUseClient",     u"clUseServer",
      u"cmdUnknown",       u"cmdText",        u"cmdTable",        u"cmdStoredProc",
      u"cmdFile",          u"cmdTableDirect"},
     {u"lt", u"ct", u"eo", u"il", u"xa", u"ad", u"si", u"fg", u"rs", u"es", u"er", u"mo"}},
    {u"FIBPlus", {}, {u"po", u"ps", u"pf"}},
};

/// One place in a unit.
struct TFinding {
  size_t Start = 0;  // offset of the member in the text
  std::u16string What;
  std::u16string Action;
  // A fix: the span it replaces and the text.
  bool Fix = false;
  size_t FixLength = 0;
  std::u16string Before;
  std::u16string After;
};

/// The places of one unit: a walker over its routines' bodies.
class TBodyCheck : public TUnitWalker {
 public:
  TBodyCheck(const std::vector<TPasToken>& tokens, std::u16string_view text,
             const TSymbolIndex& index, const TUnitSymbols& unit, const TMemberTable& members,
             const std::unordered_set<std::u16string>& sourceMembers, bool fix)
      : TUnitWalker(tokens),
        FText(text),
        FIndex(index),
        FUnit(unit),
        FMembers(members),
        FSourceMembers(sourceMembers),
        FFix(fix) {}

  std::vector<TFinding> Findings;

 private:
  struct TWith {
    std::u16string Type;
    size_t End;  // the last token of its statement
  };

  void OnBody(const TRoutine* routine, size_t begin, size_t end) override {
    FRoutine = routine;
    FWiths.clear();
    for (size_t i = begin + 1; i < end; ++i) {
      while (!FWiths.empty() && i > FWiths.back().End) FWiths.pop_back();
      if (Is(i, u"WITH")) {
        OpenWith(i, end);
        continue;
      }
      // `(Sender as TZanQuery).Member`
      if (Is(i, u"AS") && IsIdent(i + 1) && MembersOf(FTokens[i + 1].Upper) &&
          FTokens[i + 2].Code == symCloseParen) {
        std::u16string type = FTokens[i + 1].Upper;
        std::u16string chain = u"(... as " + std::u16string(Text(i + 1)) + u")";
        Follow(i + 2, type, chain, true);
        continue;
      }
      // Only a name that leads somewhere is looked up: `x.` or a bare name
      // inside `with`.
      if (IsIdent(i) && FTokens[i - 1].Code != symDot &&
          (!FWiths.empty() || FTokens[SkipGroups(i + 1)].Code == symDot)) {
        std::u16string type;
        Resolve(i, type, true);
      }
    }
    FRoutine = nullptr;
  }

  /// Pushes the objects of the `with` at `i` for the statement after its `do`.
  void OpenWith(size_t i, size_t bodyEnd) {
    std::vector<std::u16string> types;
    size_t j = i + 1;
    while (j < bodyEnd && !Is(j, u"DO")) {
      std::u16string type;
      const size_t after = Resolve(j, type, false);
      types.push_back(type);
      j = std::max(after, j + 1);
      while (j < bodyEnd && FTokens[j].Code != symComma && !Is(j, u"DO")) ++j;
      if (FTokens[j].Code == symComma) ++j;
    }
    if (j >= bodyEnd) return;  // a `with` cut short
    const size_t end = StatementEnd(j + 1, bodyEnd);
    for (const std::u16string& type : types) FWiths.push_back({type, end});
  }

  /// The last token of the statement that starts at `i`.
  size_t StatementEnd(size_t i, size_t bodyEnd) const {
    if (i >= bodyEnd) return bodyEnd;
    if (Is(i, u"BEGIN") || Is(i, u"TRY") || Is(i, u"CASE") || Is(i, u"ASM")) return MatchingEnd(i);
    int depth = 0;
    for (size_t j = i; j < bodyEnd; ++j) {
      const TPasToken& t = FTokens[j];
      if (t.Code == lexIdent && (t.Upper == u"BEGIN" || t.Upper == u"TRY" || t.Upper == u"CASE")) {
        j = MatchingEnd(j);
        continue;
      }
      if (t.Code == symOpenParen || t.Code == symOpenBracket) ++depth;
      if (t.Code == symCloseParen || t.Code == symCloseBracket) --depth;
      if (depth > 0) continue;
      if (t.Code == symSemicolon) return j;
      if (t.Code == kwEnd || Is(j, u"ELSE") || Is(j, u"UNTIL") || Is(j, u"EXCEPT") ||
          Is(j, u"FINALLY"))
        return j - 1;
    }
    return bodyEnd;
  }

  const TMembers* MembersOf(const std::u16string& type) const {
    const auto found = FMembers.find(type);
    return found == FMembers.end() ? nullptr : &found->second;
  }

  /// The type of the name at `i` outside any `with`; empty when unknown.
  std::u16string TypeOfName(size_t i) const {
    const std::u16string& name = FTokens[i].Upper;
    if (FRoutine) {
      if (name == u"SELF" && !FRoutine->ClassName.empty()) return FRoutine->ClassName;
      if (const auto local = FRoutine->Locals.find(name); local != FRoutine->Locals.end())
        return local->second;
      if (!FRoutine->ClassName.empty()) {
        std::u16string type = FIndex.FieldType(FUnit, FRoutine->ClassName, name);
        if (!type.empty()) return type;
      }
    }
    return FIndex.GlobalType(FUnit, name);
  }

  /// The unit `upperName` when this unit is it or uses it; nullptr otherwise.
  const TUnitSymbols* QualifyingUnit(const std::u16string& upperName) const {
    if (upperName == FUnit.Name) return &FUnit;
    if (std::find(FUnit.Uses.begin(), FUnit.Uses.end(), upperName) == FUnit.Uses.end())
      return nullptr;
    return FIndex.ResolveUnit(FUnit, upperName);
  }

  /// Index past the `(...)` and `[...]` groups from `i`.
  size_t SkipGroups(size_t i) const {
    while (FTokens[i].Code == symOpenParen || FTokens[i].Code == symOpenBracket) {
      int depth = 0;
      for (; FTokens[i].Code != lexEnd; ++i) {
        const int code = FTokens[i].Code;
        if (code == symOpenParen || code == symOpenBracket) ++depth;
        if ((code == symCloseParen || code == symCloseBracket) && --depth == 0) break;
      }
      if (FTokens[i].Code != lexEnd) ++i;
    }
    return i;
  }

  /// Follows the chain that starts with the name at `i` and sets `type` to
  /// the type it ends on; reports a missing member when `report` is set.
  /// Returns the index of the chain's last name.
  size_t Resolve(size_t i, std::u16string& type, bool report) {
    type.clear();
    std::u16string chain(Text(i));
    // The objects of the `with` statements around, the innermost first.
    for (auto with = FWiths.rbegin(); with != FWiths.rend(); ++with) {
      if (with->Type.empty()) continue;
      if (const TMembers* members = MembersOf(with->Type)) {
        const std::u16string& name = FTokens[i].Upper;
        if (members->Names.contains(name)) {
          const auto member = members->Types.find(name);
          type = member == members->Types.end() ? std::u16string() : member->second;
          return Follow(i, type, chain, report);
        }
        // Only a name the source libraries have is taken for the object's:
        // any other may be a routine or a variable the index does not see.
        if (FSourceMembers.contains(name) && TypeOfName(i).empty()) {
          if (report) Missing(i, *members, chain);
          return i;
        }
      } else if (std::u16string field = FIndex.FieldType(FUnit, with->Type, FTokens[i].Upper);
                 !field.empty()) {
        type = std::move(field);
        return Follow(i, type, chain, report);
      }
    }
    // A type cast to a target class: `TZanQuery(Sender).Open`.
    if (MembersOf(FTokens[i].Upper) && FTokens[i + 1].Code == symOpenParen) {
      type = FTokens[i].Upper;
    } else {
      type = TypeOfName(i);
      // A global qualified with its unit: `DM.DataModule1`.
      if (type.empty() && FTokens[i + 1].Code == symDot && IsIdent(i + 2))
        if (const TUnitSymbols* unit = QualifyingUnit(FTokens[i].Upper)) {
          type = FIndex.GlobalType(*unit, FTokens[i + 2].Upper);
          if (type.empty()) return i;
          chain += u".";
          chain += Text(i + 2);
          i += 2;
        }
    }
    return Follow(i, type, chain, report);
  }

  size_t Follow(size_t i, std::u16string& type, std::u16string& chain, bool report) {
    while (!type.empty()) {
      const size_t dot = SkipGroups(i + 1);
      if (FTokens[dot].Code != symDot || !IsIdent(dot + 1)) break;
      const size_t member = dot + 1;
      const std::u16string& name = FTokens[member].Upper;
      chain += u".";
      chain += Text(member);
      if (const TMembers* members = MembersOf(type)) {
        if (!members->Names.contains(name)) {
          if (report) Missing(member, *members, chain);
          type.clear();
          return member;
        }
        const auto found = members->Types.find(name);
        type = found == members->Types.end() ? std::u16string() : found->second;
      } else {
        type = FIndex.FieldType(FUnit, type, name);
      }
      i = member;
    }
    return i;
  }

  std::u16string_view Text(size_t i) const {
    return FText.substr(FTokens[i].Start, FTokens[i].Length);
  }

  /// The member at `i` is not one of `members`' class.
  void Missing(size_t i, const TMembers& members, const std::u16string& chain) {
    TFinding finding;
    finding.Start = FTokens[i].Start;
    finding.What = chain + u": " + members.ClassName + u" has no member " + std::u16string(Text(i));
    const std::u16string& name = FTokens[i].Upper;
    const bool nextMember = FTokens[i + 1].Code == symDot && IsIdent(i + 2);
    for (const TAdvice& advice : kAdvice) {
      if (advice.Member != name || !members.Names.contains(std::u16string(advice.Needs))) continue;
      if (!advice.Next.empty() && !(nextMember && FTokens[i + 2].Upper == advice.Next)) continue;
      finding.Action = advice.Action;
      const size_t last = advice.Next.empty() ? i : i + 2;
      if (FFix && !advice.Fix.empty() &&
          (!advice.FixNeedsCall || FTokens[last + 1].Code == symOpenParen)) {
        finding.Fix = true;
        finding.FixLength = FTokens[last].Start + FTokens[last].Length - FTokens[i].Start;
        finding.Before = FText.substr(finding.Start, finding.FixLength);
        finding.After = advice.Fix;
      }
      break;
    }
    Findings.push_back(std::move(finding));
  }

  std::u16string_view FText;
  const TSymbolIndex& FIndex;
  const TUnitSymbols& FUnit;
  const TMemberTable& FMembers;
  const std::unordered_set<std::u16string>& FSourceMembers;
  bool FFix;
  const TRoutine* FRoutine = nullptr;
  std::vector<TWith> FWiths;
};

}  // namespace

struct TMemberCheck::TImpl {
  explicit TImpl(TRunState& state) : State(state) {}

  TRunState& State;
  TMemberTable Members;
  std::unordered_set<std::u16string> SourceMembers;
  std::vector<TRunReport::TTodoItem> Todo;
  /// The class-name prefixes of the run's library, upper case, with their
  /// exception prefixes ("TIB", "EIB").
  std::vector<std::u16string> Prefixes;
  /// Other types and values of the library's units (upper case), and the
  /// prefixes of their enumeration values.
  std::unordered_set<std::u16string> LibraryNames;
  std::unordered_set<std::u16string> EnumPrefixes;

  /// The classes whose members are checked: the run's targets that the
  /// member file or a rule file describes.
  void BuildMembers() {
    static const TMemberTable kFile = ReadMemberFile();
    std::unordered_set<std::u16string> targets;
    const TStringList& newComps = State.Replacer.NewComps();
    for (int i = 0; i < newComps.Count(); ++i) targets.insert(UpperCase(newComps[i]));
    const TUserRules* rules = State.Context.UserRules;
    if (rules) {
      for (const TUserClassPair& pair : rules->Form().Pairs) targets.insert(UpperCase(pair.Target));
      for (const TUserTargetClass& target : rules->TargetClasses()) {
        const std::u16string name = UpperCase(target.Name);
        TMembers members;
        if (const auto inherited = kFile.find(UpperCase(target.Inherits)); inherited != kFile.end())
          members = inherited->second;
        else if (target.Members.empty())
          continue;  // nothing tells what else the class has
        members.ClassName = target.Name;
        for (const std::u16string& member : target.Members) members.Names.insert(UpperCase(member));
        Members[name] = std::move(members);
        targets.insert(name);
      }
    }
    for (const auto& [name, members] : kFile)
      if (targets.contains(name) && !Members.contains(name)) Members[name] = members;
    // Published properties from the registry (rule files' target classes included).
    for (auto& [name, members] : Members) {
      if (!targets.contains(name)) continue;
      if (const TRegisteredClass* cls = State.Context.ClassRegistry->FindClass(name)) {
        members.ClassName = cls->ClassName();
        for (const std::u16string& property : cls->PublishedProperties())
          members.Names.insert(UpperCase(property));
      }
    }
    std::erase_if(Members, [&](const auto& entry) { return !targets.contains(entry.first); });
    for (const TAdvice& advice : kAdvice) SourceMembers.insert(std::u16string(advice.Member));
    if (const TRunReport* report = State.Context.Report)
      for (const TRunReport::TFormObjectEntry& object : report->FormObjects) {
        for (const TRunReport::TProperty& dropped : object.DroppedValues)
          SourceMembers.insert(UpperCase(dropped.Name.substr(0, dropped.Name.find(u'.'))));
        for (const TRunReport::TRenamedProperty& renamed : object.Renamed)
          SourceMembers.insert(UpperCase(renamed.Old.Name.substr(0, renamed.Old.Name.find(u'.'))));
      }
  }

  std::u16string ReadUnit(const TWorkItem& item, TTextEncoding& encoding) {
    const std::string bytes = State.Fs.ReadFile(item.Changed ? item.TempPath : item.Path);
    return ReadTextFile(bytes, encoding, item.Path, State.Context.CodePage);
  }

  /// Writes the fixes of unit `unit` into its converted text.
  std::u16string ApplyFixes(size_t unit, const std::u16string& text, TTextEncoding encoding,
                            const std::vector<TFinding>& findings) {
    TWorkItem& item = State.Work[unit];
    std::u16string fixed;
    size_t copied = 0;
    int count = 0;
    TRunReport* report = State.Context.Report;
    TTextPositions places(text);
    for (const TFinding& finding : findings) {
      if (!finding.Fix) continue;
      fixed.append(text, copied, finding.Start - copied);
      fixed += finding.After;
      copied = finding.Start + finding.FixLength;
      ++count;
      if (report) {
        TRunReport::TCodeFix fix{item.Path, 0, 0, finding.Before, finding.After};
        places.At(finding.Start, fix.Line, fix.Column);
        report->CodeFixes.push_back(std::move(fix));
      }
    }
    fixed.append(text, copied, std::u16string::npos);
    const bool wasChanged = item.Changed;
    State.WriteChanged(item, EncodeTextFile(fixed, encoding, item.Path, State.Context.CodePage));
    item.Changes += count;
    item.Changed = true;
    if (!wasChanged) ++State.Results.ChangedFilesCount;
    if (report)
      for (TRunReport::TFileEntry& entry : report->Files)
        if (entry.FileName == item.Path) {
          entry.Changes = item.Changes;
          entry.Changed = true;
        }
    return fixed;
  }

  void Run() {
    if (!State.Context.ClassRegistry) return;
    BuildMembers();
    if (Members.empty()) return;
    if (const TRunReport* report = State.Context.Report)
      for (const std::u16string& prefix : LibraryClassPrefixes(report->Library)) {
        Prefixes.push_back(UpperCase(prefix));
        Prefixes.push_back(u"E" + UpperCase(prefix).substr(1));
      }
    for (const TLibraryNames& names : kLibraryNames)
      if (State.Context.Report && SameText(names.Library, State.Context.Report->Library)) {
        for (std::u16string_view name : names.Names) LibraryNames.insert(UpperCase(name));
        for (std::u16string_view prefix : names.EnumPrefixes) EnumPrefixes.emplace(prefix);
      }
    TSymbolIndex index;
    for (size_t i = 0; i < State.Work.size(); ++i) {
      if (!State.Work[i].IsUnit) continue;
      TTextEncoding encoding;
      const std::u16string text = ReadUnit(State.Work[i], encoding);
      index.AddUnit(i, State.Work[i].Path, PasTokens(text));
    }
    // Units left as they were (a form that could not be converted) are not fixed.
    std::unordered_set<size_t> left;
    for (const auto& [path, reason] : State.FailedForms)
      for (const TWorkItem& item : State.Work)
        if (!item.IsUnit && item.Path == path) left.insert(item.NamedBy);
    for (size_t i = 0; i < State.Work.size(); ++i) {
      if (!State.Work[i].IsUnit) continue;
      State.CheckCancelled();
      TTextEncoding encoding;
      std::u16string text = ReadUnit(State.Work[i], encoding);
      std::vector<TPasToken> tokens = PasTokens(text);
      const bool fix = State.Options.FixCode && !left.contains(i);
      std::vector<TFinding> findings = Check(index, i, text, tokens, fix);
      if (std::any_of(findings.begin(), findings.end(), [](const TFinding& f) { return f.Fix; })) {
        text = ApplyFixes(i, text, encoding, findings);
        tokens = PasTokens(text);
        findings = Check(index, i, text, tokens, false);
      }
      // A source unit goes once nothing of the libraries is left in the unit.
      if (fix && findings.empty())
        if (std::vector<TFinding> removals = UsesRemovals(text, tokens); !removals.empty())
          text = ApplyFixes(i, text, encoding, removals);
      TTextPositions places(text);
      for (const TFinding& finding : findings) {
        TRunReport::TTodoItem todo;
        todo.Kind = u"member";
        todo.FileName = State.Work[i].Path;
        places.At(finding.Start, todo.Line, todo.Column);
        todo.What = finding.What;
        todo.Action = finding.Action;
        Todo.push_back(std::move(todo));
      }
    }
  }

  /// Whether the identifier `token` may come from a source unit: a source
  /// class (an external routine's heading keeps them), a class or exception
  /// of the library's prefixes, one of the other types and values its units
  /// export (`TSession`, `clUseClient`), or an enumeration value of one of
  /// its units' prefixes (`ltBatchOptimistic`).
  bool MayComeFromSource(const TPasToken& token, std::u16string_view text) const {
    if (State.Replacer.FindNewClassName(text)) return true;
    for (const std::u16string& prefix : Prefixes)
      if (token.Upper.size() > prefix.size() && token.Upper.starts_with(prefix) &&
          text[prefix.size()] >= u'A' && text[prefix.size()] <= u'Z')
        return true;
    if (LibraryNames.contains(token.Upper)) return true;
    size_t lower = 0;
    while (lower < text.size() && text[lower] >= u'a' && text[lower] <= u'z') ++lower;
    return lower < text.size() && text[lower] >= u'A' && text[lower] <= u'Z' &&
           EnumPrefixes.contains(std::u16string(text.substr(0, lower)));
  }

  /// The source units to take out of the unit's `uses` clauses, as fixes;
  /// none while anything of the libraries is left in it. An entry with a
  /// comment (a conditional) in what would go stays.
  std::vector<TFinding> UsesRemovals(const std::u16string& text,
                                     const std::vector<TPasToken>& tokens) const {
    struct TEntry {
      size_t First, Last;  // tokens
      bool Source;
    };
    struct TClause {
      size_t Uses, Semicolon;
      std::vector<TEntry> Entries;
    };
    std::vector<TClause> clauses;
    const TStringList& sourceUnits = State.Replacer.OldUsesList();
    bool anySource = false;
    for (size_t i = 0; tokens[i].Code != lexEnd; ++i) {
      const TPasToken& t = tokens[i];
      if (t.Code == kwUses) {
        TClause clause{i, i, {}};
        size_t j = i + 1;
        while (tokens[j].Code != lexEnd && tokens[j].Code != symSemicolon) {
          if (tokens[j].Code != lexIdent) return {};  // not a clause this reading knows
          TEntry entry{j, j, false};
          std::u16string name = tokens[j].Upper;
          while (tokens[j + 1].Code == symDot && tokens[j + 2].Code == lexIdent) {
            j += 2;
            name += u"." + tokens[j].Upper;
          }
          if (tokens[j + 1].Upper == u"IN" && tokens[j + 2].Code == lexString) j += 2;
          entry.Last = j;
          int found;
          entry.Source = sourceUnits.Find(name, found);
          anySource = anySource || entry.Source;
          clause.Entries.push_back(entry);
          ++j;
          if (tokens[j].Code == symComma) ++j;
        }
        clause.Semicolon = j;
        i = j;
        clauses.push_back(std::move(clause));
        if (tokens[i].Code == lexEnd) break;
        continue;
      }
      if ((t.Code == lexIdent || t.Code == kwItem) &&
          MayComeFromSource(t, std::u16string_view(text).substr(t.Start, t.Length)))
        return {};
    }
    if (!anySource) return {};
    std::vector<TFinding> removals;
    auto remove = [&](size_t start, size_t end) {
      const std::u16string_view span = std::u16string_view(text).substr(start, end - start);
      if (span.find_first_of(u"{}") != span.npos || span.find(u"(*") != span.npos ||
          span.find(u"//") != span.npos)
        return;
      TFinding finding;
      finding.Start = start;
      finding.Fix = true;
      finding.FixLength = end - start;
      finding.Before = span;
      removals.push_back(std::move(finding));
    };
    auto endOf = [&](size_t token) { return tokens[token].Start + tokens[token].Length; };
    for (const TClause& clause : clauses) {
      const std::vector<TEntry>& entries = clause.Entries;
      size_t leading = 0;  // the source units that open the clause
      while (leading < entries.size() && entries[leading].Source) ++leading;
      if (leading == entries.size()) {
        remove(tokens[clause.Uses].Start, endOf(clause.Semicolon));
        continue;
      }
      if (leading > 0) remove(tokens[entries[0].First].Start, tokens[entries[leading].First].Start);
      for (size_t k = leading; k < entries.size(); ++k)
        if (entries[k].Source) remove(endOf(entries[k - 1].Last), endOf(entries[k].Last));
    }
    return removals;
  }

  std::vector<TFinding> Check(const TSymbolIndex& index, size_t unit, const std::u16string& text,
                              const std::vector<TPasToken>& tokens, bool fix) {
    TBodyCheck check(tokens, text, index, *index.Unit(unit), Members, SourceMembers, fix);
    check.Walk();
    std::stable_sort(check.Findings.begin(), check.Findings.end(),
                     [](const TFinding& a, const TFinding& b) { return a.Start < b.Start; });
    return std::move(check.Findings);
  }
};

TMemberCheck::TMemberCheck(TRunState& state) : FImpl(std::make_unique<TImpl>(state)) {}

TMemberCheck::~TMemberCheck() = default;

void TMemberCheck::Run() {
  FImpl->Run();
}

void TMemberCheck::AppendTodo(TRunReport& report) const {
  std::set<std::tuple<std::u16string, int, int>> listed;
  for (const TRunReport::TTodoItem& item : report.Todo)
    listed.emplace(item.FileName, item.Line, item.Column);
  for (const TRunReport::TTodoItem& item : FImpl->Todo)
    if (!listed.contains({item.FileName, item.Line, item.Column})) report.Todo.push_back(item);
}

}  // namespace zan
