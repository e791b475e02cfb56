#include "engine/phases/FormInheritance.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/catalogue/Replacer.h"
#include "engine/files/FileUtils.h"
#include "engine/files/TextFile.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/RunScope.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormFileStep.h"
#include "engine/rewrite/ResourceDirective.h"
#include "ide/FileCase.h"
#include "parsing/PasParser.h"
#include "rtl/Paths.h"
#include "rtl/StringList.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"
#include "rtl/dfm/ResourceHeader.h"

namespace zan {

namespace {

bool IsFormWordChar(char16_t ch) {
  return ch == u'_' || ch >= 0x80 || (ch >= u'0' && ch <= u'9') ||
         ((ch | 0x20) >= u'a' && (ch | 0x20) <= u'z');
}

/// A text form as UTF-16 for its headers: UTF-16LE by its mark, anything
/// else byte by byte (names are ASCII; other bytes only need to stay letters).
std::u16string FormHeaderText(std::string_view bytes) {
  std::u16string text;
  if (bytes.starts_with("\xFF\xFE")) {
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
  } else {
    text.reserve(bytes.size());
    for (char ch : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(ch));
  }
  return text;
}

}  // namespace

TUnitHeadings ScanUnitHeadings(std::u16string_view text, const std::u16string& unitFile,
                               const std::function<void(std::u16string_view)>& onIdentifier) {
  TUnitHeadings result;
  TPasParser lexer;
  lexer.SetTextRef(text);
  // `Name = class [sealed|abstract] (Parent.Qualified, ...)`, read as the
  // significant lexemes come.
  enum { kNone, kAfterClass, kInParent } mode = kNone;
  int previousCode = lexEnd, beforeCode = lexEnd;
  std::u16string_view previous, before;
  TUnitHeadings::TClass heading;
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    if (lexeme.Code == lexBlank) continue;
    if (lexeme.Code == lexComment) {
      if (IsResourceDirective(lexeme.Text))
        if (std::optional<TResourceName> form = FormNamedByDirective(lexeme.Text))
          result.Forms.push_back(ResourceCandidate(unitFile, *form));
      continue;
    }
    const bool ident = lexeme.Code == lexIdent;
    if (ident && onIdentifier) onIdentifier(lexeme.Text);
    if (mode == kAfterClass) {
      if (ident && (SameText(lexeme.Text, u"sealed") || SameText(lexeme.Text, u"abstract"))) {
        // still the heading
      } else if (lexeme.Code == symOpenParen) {
        mode = kInParent;
      } else {
        // `class;` (forward) and `class of` (a class reference) declare none.
        if (lexeme.Code != symSemicolon && !(ident && SameText(lexeme.Text, u"of")))
          result.Classes.push_back(heading);
        mode = kNone;
      }
    } else if (mode == kInParent) {
      if (ident) {
        heading.Parent = lexeme.Text;  // the last part of a qualified name
      } else if (lexeme.Code != symDot) {
        result.Classes.push_back(heading);
        mode = kNone;
      }
    } else if (ident && SameText(lexeme.Text, u"class") && previousCode == symEqual &&
               beforeCode == lexIdent) {
      heading = {std::u16string(before), {}};
      mode = kAfterClass;
    }
    beforeCode = std::exchange(previousCode, lexeme.Code);
    before = std::exchange(previous, lexeme.Text);
  }
  return result;
}

std::vector<TFormHeader> ReadFormHeaders(std::string_view bytes) {
  std::u16string text;
  const bool binary = IsBinaryFormData(bytes);
  if (binary) {
    try {  // the text the binary form reads as
      text = ReadBinaryForm(bytes).Text;
    } catch (const Exception&) {
      return {};
    }
  } else {
    text = FormHeaderText(bytes);
  }
  std::vector<TFormHeader> headers;
  auto blank = [&](size_t i) { return i < text.size() && (text[i] == u' ' || text[i] == u'\t'); };
  auto word = [&](size_t& i) {
    const size_t start = i;
    while (i < text.size() && IsFormWordChar(text[i])) ++i;
    return std::u16string(text, start, i - start);
  };
  int lineNumber = 0;
  // A header starts a line: a keyword, a name and a class (or a class alone).
  for (size_t line = 0; line < text.size();) {
    ++lineNumber;
    size_t i = line;
    while (blank(i)) ++i;
    std::u16string keyword = word(i);
    for (char16_t& ch : keyword) ch = static_cast<char16_t>(ch | 0x20);
    if (keyword == u"object" || keyword == u"inherited" || keyword == u"inline") {
      while (blank(i)) ++i;
      TFormHeader header{keyword, word(i), {}, binary ? 0 : lineNumber};
      while (blank(i)) ++i;
      if (i < text.size() && text[i] == u':') {
        ++i;
        while (blank(i)) ++i;
        header.ClassName = word(i);
      } else {
        header.ClassName = std::exchange(header.Name, {});
      }
      if (!header.ClassName.empty()) headers.push_back(std::move(header));
    }
    line = text.find(u'\n', i);
    if (line == std::u16string::npos) break;
    ++line;
  }
  return headers;
}

/// One unit of the families: of the scope (with its work-list index) or of
/// the tree outside it (with the forms it names and whether it and they
/// still name source classes).
struct TFormFamilies::TUnit {
  std::u16string Path;
  bool InScope = false;
  size_t Work = 0;
  std::vector<TUnitHeadings::TClass> Classes;
  std::vector<std::u16string> Forms;   // found by the scan; the scope's: the work list's
  bool FormChanged = false;            // scope: this run changed one of its forms
  bool UnitKeepsSource = false;        // outside: the unit names a source class
  bool UnitHasTarget = false;          // scope: the unit names a target class
  bool EmbedsOutside = false;          // scope: it names a class declared outside
  bool FormsRead = false;              // its forms, read on first need:
  bool FormKeepsSource = false;        //   an object of a source class
  int SourceLine = 0;                  //   (the first one's line)
  bool FormHasTarget = false;          //   an object of a target class
  std::vector<std::u16string> Frames;  //  classes of the inline objects
};

std::vector<size_t> ScopeFamilyOf(TRunState& state, const std::vector<size_t>& left) {
  // What each unit with forms reaches (the parents of its classes, the
  // frames its forms embed) and which unit declares each class.
  std::unordered_map<size_t, std::vector<std::u16string>> reaches;
  std::unordered_map<std::u16string, std::vector<size_t>> declaring;
  for (const TWorkItem& form : state.Work) {
    if (form.IsUnit) continue;
    std::string bytes;
    if (state.Fs.Read(form.Path, bytes))
      for (const TFormHeader& header : ReadFormHeaders(bytes))
        if (header.Keyword == u"inline")
          reaches[form.NamedBy].push_back(UpperCase(header.ClassName));
    reaches.try_emplace(form.NamedBy);
  }
  for (const auto& [unit, frames] : reaches) {
    const std::u16string& unitFile = state.Work[unit].Path;
    std::string bytes;
    if (!state.Fs.Read(unitFile, bytes)) continue;
    std::u16string text;
    try {
      TTextEncoding encoding;
      text = ReadTextFile(bytes, encoding, unitFile, state.Context.CodePage);
    } catch (const Exception&) {
      continue;
    }
    for (const TUnitHeadings::TClass& heading : ScanUnitHeadings(text, unitFile).Classes) {
      declaring[UpperCase(heading.Name)].push_back(unit);
      if (!heading.Parent.empty()) reaches[unit].push_back(UpperCase(heading.Parent));
    }
  }
  // Both ways: an ancestor is left with its descendant and the reverse.
  std::unordered_map<size_t, std::vector<size_t>> linked;
  for (const auto& [unit, classes] : reaches)
    for (const std::u16string& name : classes)
      if (auto it = declaring.find(name); it != declaring.end())
        for (size_t other : it->second)
          if (other != unit) {
            linked[unit].push_back(other);
            linked[other].push_back(unit);
          }
  std::unordered_set<size_t> seen(left.begin(), left.end());
  std::vector<size_t> next(left.begin(), left.end()), family;
  while (!next.empty()) {
    const size_t unit = next.back();
    next.pop_back();
    for (size_t other : linked[unit])
      if (seen.insert(other).second) {
        family.push_back(other);
        next.push_back(other);
      }
  }
  std::sort(family.begin(), family.end());
  return family;
}

struct TFormFamilies::TData {
  std::vector<TUnit> Units;
  bool AnyOutside = false;
  /// The run's target classes (upper case): a form or unit that names one
  /// was converted, by this run or an earlier one.
  std::unordered_set<std::u16string> Targets;
  /// The classes the units outside declare while they keep source classes
  /// (upper case): the scope's units that name one are looked at closer.
  std::unordered_set<std::u16string> OutsideKeeping;
};

TFormFamilies::TFormFamilies() : FData(std::make_unique<TData>()) {}
TFormFamilies::~TFormFamilies() = default;

void TFormFamilies::ScanOutside(TRunState& state) {
  // A recursive folder run holds the whole tree it can see.
  if (state.FolderScope() && state.Options.IncludeSubDirs) return;
  std::unordered_set<std::u16string> scope;
  for (const TWorkItem& item : state.Work) scope.insert(item.Path);
  const TFormLookup lookup(state.Replacer, state.Results.DatabaseNames, state.Context.UserRules);
  const std::u16string backups = state.Options.BackupDir;
  std::vector<std::u16string> folders{RunRootFolder(state)};
  while (!folders.empty()) {
    const std::u16string folder = std::move(folders.back());
    folders.pop_back();
    std::vector<TFolderEntry> entries;
    try {
      entries = state.Fs.ListFolder(folder);
    } catch (const EFileError&) {
      continue;  // a folder the run cannot list holds nothing it can see
    }
    for (const TFolderEntry& entry : entries) {
      const std::u16string path = JoinPath(folder, entry.Name);
      if (entry.IsLink || entry.IsSpecial || HasRawFileNameBytes(entry.Name)) continue;
      if (entry.IsFolder) {
        // Backups and hidden folders (version control, a run's second
        // names) hold no form of the application.
        if (!entry.Name.starts_with(u'.') && (backups.empty() || !FolderHolds(backups, path)))
          folders.push_back(path);
        continue;
      }
      if (!IsPascalUnitFile(entry.Name) || scope.contains(path)) continue;
      std::string bytes;
      if (!state.Fs.Read(path, bytes)) continue;
      std::u16string text;
      try {
        TTextEncoding encoding;
        text = ReadTextFile(bytes, encoding, path, state.Context.CodePage);
      } catch (const Exception&) {
        continue;  // not a unit the run could read either
      }
      TUnit unit;
      unit.Path = path;
      TUnitHeadings headings = ScanUnitHeadings(text, path, [&](std::u16string_view name) {
        if (!unit.UnitKeepsSource && lookup.FindNewClassName(name)) unit.UnitKeepsSource = true;
      });
      unit.Classes = std::move(headings.Classes);
      for (const std::u16string& candidate : headings.Forms) {
        const std::u16string found =
            FindFileIgnoringCase(state.Fs, candidate, &state.FolderListings);
        if (!found.empty() && state.Fs.IsFile(found)) unit.Forms.push_back(found);
      }
      // Only a unit with a form and a class can take part in a family.
      if (unit.Forms.empty() || unit.Classes.empty()) continue;
      ReadForms(state, unit);
      if (unit.UnitKeepsSource || unit.FormKeepsSource)
        for (const TUnitHeadings::TClass& heading : unit.Classes)
          FData->OutsideKeeping.insert(UpperCase(heading.Name));
      FData->Units.push_back(std::move(unit));
      FData->AnyOutside = true;
    }
  }
  if (FData->AnyOutside)
    for (int i = 0; i < state.Replacer.NewComps().Count(); ++i)
      FData->Targets.insert(UpperCase(state.Replacer.NewComps()[i]));
}

void TFormFamilies::NoteScopeUnit(TRunState& state, size_t unit, std::u16string_view text) {
  if (!FData->AnyOutside) return;
  TUnit noted;
  noted.Path = state.Work[unit].Path;
  noted.InScope = true;
  noted.Work = unit;
  bool namesOutside = false;
  noted.Classes = ScanUnitHeadings(text, noted.Path, [&](std::u16string_view name) {
                    const std::u16string upper = UpperCase(name);
                    if (FData->Targets.contains(upper)) noted.UnitHasTarget = true;
                    if (FData->OutsideKeeping.contains(upper)) namesOutside = true;
                  }).Classes;
  // A unit of the scope whose forms may embed a frame outside it (its
  // fields name the frame's class) has its forms read after the run.
  noted.EmbedsOutside = namesOutside;
  if (!noted.Classes.empty() || namesOutside) FData->Units.push_back(std::move(noted));
}

void TFormFamilies::ReadForms(TRunState& state, TUnit& unit) {
  if (unit.FormsRead) return;
  unit.FormsRead = true;
  const TFormLookup lookup(state.Replacer, state.Results.DatabaseNames, state.Context.UserRules);
  for (const std::u16string& form : unit.Forms) {
    std::string bytes;
    if (!state.Fs.Read(form, bytes)) continue;
    for (const TFormHeader& header : ReadFormHeaders(bytes)) {
      if (!unit.FormKeepsSource && lookup.FindNewClassName(header.ClassName)) {
        unit.FormKeepsSource = true;
        unit.SourceLine = header.Line;
      }
      if (FData->Targets.contains(UpperCase(header.ClassName))) unit.FormHasTarget = true;
      if (header.Keyword == u"inline") unit.Frames.push_back(header.ClassName);
    }
  }
}

void TFormFamilies::WarnAboutFamilies(TRunState& state) {
  if (!FData->AnyOutside) return;
  std::vector<TUnit>& units = FData->Units;
  // The forms of the scope's units, from the work list.
  std::unordered_map<size_t, TUnit*> byWork;
  for (TUnit& unit : units)
    if (unit.InScope) byWork[unit.Work] = &unit;
  for (const TWorkItem& item : state.Work)
    if (auto it = byWork.find(item.NamedBy); !item.IsUnit && it != byWork.end()) {
      it->second->Forms.push_back(item.Path);
      it->second->FormChanged = it->second->FormChanged || item.Changed;
    }
  // Converted by this run (a changed file) or an earlier one (a target class).
  auto formConverted = [&](TUnit& unit) {
    if (unit.FormChanged) return true;
    ReadForms(state, unit);
    return unit.FormHasTarget;
  };
  auto unitConverted = [&](const TUnit& unit) {
    return state.Work[unit.Work].Changed || unit.UnitHasTarget;
  };
  // The units with forms that declare each class (upper case).
  std::unordered_map<std::u16string, std::vector<size_t>> declaring;
  for (size_t i = 0; i < units.size(); ++i)
    if (!units[i].Forms.empty())
      for (const TUnitHeadings::TClass& heading : units[i].Classes)
        declaring[UpperCase(heading.Name)].push_back(i);
  TRunReport* report = state.Context.Report;
  std::unordered_set<std::u16string> warned;
  // `desc` inherits from (or embeds a frame of) `anc`; warns when exactly one
  // of them is in the scope and converted while the other keeps source
  // classes. True when they disagree.
  auto checkPair = [&](TUnit& desc, TUnit& anc, std::u16string_view relation) {
    if (desc.InScope == anc.InScope) return false;
    TUnit& inside = desc.InScope ? desc : anc;
    const TUnit& outside = desc.InScope ? anc : desc;
    const bool disagree = (outside.FormKeepsSource && formConverted(inside)) ||
                          (outside.UnitKeepsSource && unitConverted(inside));
    if (!disagree) return false;
    const std::u16string& descForm = desc.Forms.front();
    const std::u16string& ancForm = anc.Forms.front();
    if (!warned.insert(descForm + u'\n' + ancForm).second) return true;
    const bool descOutside = !desc.InScope;
    state.Warn(res::Fmt(descOutside ? res::sDescendantOutside : res::sAncestorOutside,
                        {descForm, std::u16string(relation), ancForm}));
    if (!report) return true;
    TRunReport::TTodoItem todo;
    todo.Kind = u"inheritance";
    todo.FileName = outside.Forms.front();
    if (outside.FormKeepsSource && outside.SourceLine > 0) {
      todo.Line = outside.SourceLine;
      todo.Column = 1;
    }
    todo.What =
        (descOutside ? std::u16string(relation) + u" " + ancForm : u"the ancestor of " + descForm) +
        u", which is converted; it keeps source classes";
    todo.Action = std::u16string(res::sInheritanceTodoAction);
    report->Todo.push_back(std::move(todo));
    return true;
  };
  // Each form's ancestors, and the frames it embeds with theirs, nearest
  // first: the first one across the scope's edge that disagrees is named
  // (a descendant two levels down streams the objects of both levels).
  for (size_t d = 0; d < units.size(); ++d) {
    if (units[d].Forms.empty()) continue;
    std::vector<std::pair<size_t, std::u16string_view>> next;  // unit, how it is reached
    std::unordered_set<size_t> seen{d};
    auto reach = [&](const std::u16string& className, std::u16string_view relation) {
      if (auto it = declaring.find(UpperCase(className)); it != declaring.end())
        for (size_t a : it->second)
          if (seen.insert(a).second) next.emplace_back(a, relation);
    };
    for (const TUnitHeadings::TClass& heading : units[d].Classes)
      if (!heading.Parent.empty()) reach(heading.Parent, res::sInheritsFrom);
    if (!units[d].InScope || units[d].EmbedsOutside) {
      ReadForms(state, units[d]);
      for (const std::u16string& frame : units[d].Frames) reach(frame, res::sEmbedsFrame);
    }
    for (size_t i = 0; i < next.size(); ++i) {
      const auto [a, relation] = next[i];
      if (checkPair(units[d], units[a], relation)) break;
      for (const TUnitHeadings::TClass& heading : units[a].Classes)
        if (!heading.Parent.empty()) reach(heading.Parent, relation);
    }
  }
}

}  // namespace zan
