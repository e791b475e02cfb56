#include "engine/SourceRewriter.h"

#include <algorithm>
#include <vector>

#include "engine/FormFileText.h"
#include "engine/RExpertRes.h"
#include "engine/Replacer.h"
#include "engine/RunContext.h"
#include "engine/TargetUnitPlacement.h"
#include "engine/UsesEdits.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// Lexemes between two looks at the cancellation flag: well under a
/// millisecond of work.
constexpr unsigned kCancelCheckEvery = 1024;

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

/// Whether `entry` names a source unit: its whole dotted name does
/// (FireDAC.Stan.Intf), or one of its names does (Bde.DBTables).
bool NamesSourceUnit(const TUsesEntry& entry, const TStringList& sourceUnits) {
  std::u16string whole;
  int index;
  for (size_t i = 0; i < entry.Tokens.size(); ++i) {
    whole += entry.Tokens[i];
    if (i % 2 == 0 && sourceUnits.Find(AnsiUpperCase(entry.Tokens[i]), index)) return true;
  }
  return entry.Tokens.size() > 1 && sourceUnits.Find(AnsiUpperCase(whole), index);
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
  out.reserve(text.size() + 2 * newUses.size() + 64);
  TTargetUnitPlacement placement;
  bool insideUses = false;
  bool sourceUnitMet = false;
  TUsesEntry entry;
  std::u16string comment;

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
    placement.ClassRenamed();
    out += replaced;
  };
  // Entries are read until the first that names a source unit, whose target
  // units then follow the whole entry, never a part of a dotted name.
  auto flushEntry = [&] {
    if (entry.Empty()) return;
    const bool matched = NamesSourceUnit(entry, oldUses);
    for (size_t i = 0; i < entry.Tokens.size(); ++i) {
      const bool isIdent = i % 2 == 0;
      if (isIdent && !matched)
        appendIdent(entry.Tokens[i]);
      else
        out += entry.Tokens[i];
      placement.Note(isIdent ? lexIdent : symDot, entry.Tokens[i], out.size());
    }
    if (matched) {
      placement.SourceUnitEntry(out.size());
      sourceUnitMet = true;
    }
    entry = TUsesEntry();
  };

  for (unsigned steps = 1;; ++steps) {
    if (steps % kCancelCheckEvery == 0 && FCancelled && FCancelled->load(std::memory_order_relaxed))
      throw ERunCancelled(std::u16string(res::sRunInterrupted));
    const TLexeme& lexeme = lexer.Next();
    const int code = lexeme.Code;
    if (entry.Continues(code)) {
      entry.Add(lexeme.Text, code == lexIdent);
      continue;
    }
    flushEntry();
    if (code == lexEnd) break;
    if (code == lexIdent && insideUses && !sourceUnitMet) {
      entry.Add(lexeme.Text, true);
      continue;
    }
    switch (code) {
      case lexComment:
        comment.assign(lexeme.Text);
        RewriteComment(comment, result);
        if (comment != lexeme.Text) result.Changed = true;
        out += comment;
        break;
      case lexIdent:
        appendIdent(lexeme.Text);
        break;
      case symSemicolon:
        insideUses = false;
        out += lexeme.Text;
        break;
      case kwUses:
        insideUses = true;
        out += lexeme.Text;
        break;
      default:
        out += lexeme.Text;
        break;
    }
    placement.Note(code, lexeme.Text, out.size());
  }
  // The user's units the unit does not name yet are added with the target units.
  std::vector<int> userUnitRules;
  for (const TUserUsesUnit& unit : FAddedUnits)
    if (!placement.Names(unit.Name)) userUnitRules.push_back(unit.Rule);
  if (const int places = placement.Insert(out, newUses, DetectLineBreak(text)); places > 0) {
    result.Changes += places;
    result.Changed = true;
    for (int rule : userUnitRules) AddUnique(result.UserRules, rule);
  }
  // The user's units to remove go from the units the run changes.
  if (FUserRules && result.Changed)
    for (int rule : RemoveUsesEntries(out, FUserRules->RemovedUnits())) {
      ++result.Changes;
      AddUnique(result.UserRules, rule);
    }
  std::sort(result.UserRules.begin(), result.UserRules.end());
  return result;
}

void TSourceRewriter::RewriteComment(std::u16string& comment, TSourceRewrite& result) {
  if (IsResourceDirective(comment)) {
    if (std::optional<TResourceName> form = FormNamedByDirective(comment))
      result.ResourceNames.push_back(std::move(*form));
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

}  // namespace zan
