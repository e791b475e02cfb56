#include "engine/SourceRewriter.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "engine/FileUtils.h"
#include "engine/Replacer.h"
#include "engine/UsesEdits.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// One entry of a `uses` clause being read: a name, or a dotted name made of
/// identifiers and "." symbols (views into the unit's text).
struct TUsesEntry {
  std::vector<std::u16string_view> Tokens;
  bool LastIsIdent = false;

  bool Empty() const { return Tokens.empty(); }
  /// True when `code` continues the entry: "." after a name, a name after ".".
  bool Continues(int code) const {
    if (Tokens.empty()) return false;
    return LastIsIdent ? code == symDot : code == lexIdent;
  }
  void Add(std::u16string_view text, bool isIdent) {
    Tokens.push_back(text);
    LastIsIdent = isIdent;
  }
};

/// The upper-cased names (dotted names whole) of the `uses` clause that
/// starts at `start` (just after the keyword), up to its ";".
std::unordered_set<std::u16string> UsesClauseNames(TPasParser& lexer, std::u16string_view text,
                                                   size_t start) {
  std::unordered_set<std::u16string> names;
  lexer.SetTextRef(text);
  lexer.SetPos(static_cast<int64_t>(start));
  std::u16string name;
  bool afterIdent = false;
  auto finish = [&] {
    if (!name.empty()) names.insert(AnsiUpperCase(name));
    name.clear();
    afterIdent = false;
  };
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd || lexeme.Code == symSemicolon) break;
    if (lexeme.Code == lexIdent && !afterIdent) {
      name += lexeme.Text;
      afterIdent = true;
    } else if (lexeme.Code == symDot && afterIdent) {
      name += lexeme.Text;
      afterIdent = false;
    } else {
      finish();
    }
  }
  finish();
  return names;
}

/// The entries of a target list (", Zan, Quillbase") that `present` does
/// not hold, in the list's own text; the whole list when none is present.
std::u16string MissingTargetUnits(std::u16string_view targets,
                                  const std::unordered_set<std::u16string>& present) {
  std::u16string missing;
  bool any = false;
  size_t start = 0;
  while (start <= targets.size()) {
    size_t comma = targets.find(u',', start + 1);
    if (comma == std::u16string_view::npos) comma = targets.size();
    const std::u16string_view piece = targets.substr(start, comma - start);
    const std::u16string name = Trim(!piece.empty() && piece[0] == u',' ? piece.substr(1) : piece);
    if (!name.empty() && present.contains(AnsiUpperCase(name)))
      any = true;
    else
      missing += piece;
    if (comma >= targets.size()) break;
    start = comma;
  }
  return any ? missing : std::u16string(targets);
}

void AddUnique(std::vector<int>& list, int value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

TSourceRewriter::TSourceRewriter(TComponentReplacer& replacer, const TUserRules* userRules)
    : FReplacer(replacer), FUserRules(userRules), FTargetUnits(replacer.NewUsesList()) {
  if (!userRules) return;
  // The user's units that the list does not name already, each once.
  for (const TUserUsesUnit& unit : userRules->AddedUnits()) {
    std::u16string longer = TargetUnitsWith(FTargetUnits, {unit});
    if (longer == FTargetUnits) continue;
    FTargetUnits = std::move(longer);
    FAddedUnits.push_back(unit);
  }
}

const std::u16string* TSourceRewriter::FindNewClassName(std::u16string_view name) const {
  const std::u16string* target = FReplacer.FindNewClassName(name);
  if (!target && FUserRules) target = FUserRules->FindTarget(name);
  return target;
}

void TSourceRewriter::NoteUserPair(std::u16string_view name, TSourceRewrite& result) const {
  if (!FUserRules || FReplacer.FindNewClassName(name)) return;
  if (const TUserClassPair* pair = FUserRules->FindPair(name))
    AddUnique(result.UserRules, pair->Rule);
}

TSourceRewrite TSourceRewriter::Rewrite(std::u16string_view text) {
  TSourceRewrite result;
  const std::u16string& newUses = FTargetUnits;
  const TStringList& oldUses = FReplacer.OldUsesList();
  TPasParser& lexer = FLexer;
  lexer.SetTextRef(text);
  std::u16string& out = result.Text;
  out.reserve(text.size() + newUses.size() + 64);
  bool insideUses = false;
  bool targetUnitsAdded = false;
  TUsesEntry entry;
  std::u16string comment;
  std::unordered_set<std::u16string> clauseNames;

  auto appendIdent = [&](std::u16string_view token) {
    const std::u16string* target = FindNewClassName(token);
    if (!target) {
      out += token;
      return;
    }
    const std::u16string replaced = FReplacer.ReplaceClassName(std::u16string(token), *target);
    ++result.Changes;
    if (replaced != token) {
      result.Changed = true;
      NoteUserPair(token, result);
    }
    out += replaced;
  };
  // An entry matches when its whole dotted name is a source unit
  // (FireDAC.Stan.Intf) or when one of its names is (Bde.DBTables); the
  // target units then follow the whole entry.
  auto flushEntry = [&] {
    if (entry.Empty()) return;
    std::u16string whole;
    bool matched = false;
    int index;
    for (size_t i = 0; i < entry.Tokens.size(); ++i) {
      whole += entry.Tokens[i];
      if (i % 2 == 0 && oldUses.Find(AnsiUpperCase(entry.Tokens[i]), index)) matched = true;
    }
    if (!matched && entry.Tokens.size() > 1 && oldUses.Find(AnsiUpperCase(whole), index))
      matched = true;
    if (matched) {
      out += whole;
      // A target unit the clause names already (a second run, or a run for
      // another library) is not named twice: the unit would not compile.
      const std::u16string added = MissingTargetUnits(newUses, clauseNames);
      out += added;
      if (!added.empty()) {
        ++result.Changes;
        result.Changed = true;
        for (const TUserUsesUnit& unit : FAddedUnits)
          if (!clauseNames.contains(AnsiUpperCase(unit.Name)))
            AddUnique(result.UserRules, unit.Rule);
      }
      targetUnitsAdded = true;
    } else {
      for (size_t i = 0; i < entry.Tokens.size(); ++i) {
        if (i % 2 == 0)
          appendIdent(entry.Tokens[i]);
        else
          out += entry.Tokens[i];
      }
    }
    entry = TUsesEntry();
  };

  while (true) {
    const TLexeme& lexeme = lexer.Next();
    const int code = lexeme.Code;
    if (entry.Continues(code)) {
      entry.Add(lexeme.Text, code == lexIdent);
      continue;
    }
    flushEntry();
    if (code == lexEnd) break;
    switch (code) {
      case lexComment:
        comment.assign(lexeme.Text);
        RewriteComment(comment, result);
        if (comment != lexeme.Text) result.Changed = true;
        out += comment;
        break;
      case lexIdent:
        if (insideUses && !targetUnitsAdded)
          entry.Add(lexeme.Text, true);
        else
          appendIdent(lexeme.Text);
        break;
      case symSemicolon:
        insideUses = false;
        out += lexeme.Text;
        break;
      case kwUses:
        insideUses = true;
        out += lexeme.Text;
        clauseNames = UsesClauseNames(FUsesLexer, text, lexeme.Start + lexeme.Length);
        break;
      default:
        out += lexeme.Text;
        break;
    }
  }
  // The user's units to remove go from the units the run changes.
  if (FUserRules && result.Changed)
    for (int rule : RemoveUsesEntries(out, FUserRules->RemovedUnits())) {
      ++result.Changes;
      AddUnique(result.UserRules, rule);
    }
  return result;
}

void TSourceRewriter::RewriteComment(std::u16string& comment, TSourceRewrite& result) {
  const std::u16string head = AnsiUpperCase(std::u16string_view(comment).substr(0, 11));
  const bool isResource =
      head.compare(0, 4, u"{$R ") == 0 || head.compare(0, 11, u"{$RESOURCE ") == 0;
  if (isResource) {
    const size_t dot = comment.rfind(u'.');
    if (dot == std::u16string::npos || comment.size() - dot - 1 < 3) return;
    const std::u16string ext = AnsiUpperCase(std::u16string_view(comment).substr(dot, 4));
    if (ext != u".DFM" && ext != u".NFM") return;
    if (dot + 4 < comment.size() && IsLetter(comment[dot + 4])) return;
    if (dot > 0 && comment[dot - 1] == u'*') {
      // "{$R *.dfm}": the unit's own form.
      if (dot < 2 || comment[dot - 2] != u' ') return;
      result.ResourceNames.push_back({u"*", ext});
    } else {
      size_t start = dot;
      while (start > 0 && IsLetter(comment[start - 1])) --start;
      if (start == dot) return;
      result.ResourceNames.push_back({comment.substr(start, dot - start), comment.substr(dot, 4)});
    }
    return;
  }
  if (comment.empty()) return;
  // Class names inside an ordinary comment are renamed too (with the pair's
  // target directly, not through ReplaceClassName).
  TPasParser& lexer = FCommentLexer;
  lexer.SetTextRef(std::u16string_view(comment).substr(1));
  std::u16string renamed(1, comment[0]);
  bool changed = false;
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    const std::u16string* target =
        lexeme.Code == lexIdent ? FindNewClassName(lexeme.Text) : nullptr;
    if (target) {
      if (*target != lexeme.Text) NoteUserPair(lexeme.Text, result);
      renamed += *target;
      ++result.Changes;
      changed = true;
    } else {
      renamed += lexeme.Text;
    }
  }
  if (changed) comment = std::move(renamed);
}

std::u16string ResourceCandidate(const std::u16string& unitFile, const TResourceName& name) {
  if (name.IsOwnForm()) return ChangeFileExt(unitFile, name.Ext);
  return JoinPath(ExtractFileDir(unitFile), name.Name + name.Ext);
}

}  // namespace zan
