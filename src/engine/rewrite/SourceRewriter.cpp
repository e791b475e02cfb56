#include "engine/rewrite/SourceRewriter.h"

#include <algorithm>
#include <span>
#include <vector>

#include "engine/RunContext.h"
#include "engine/catalogue/Replacer.h"
#include "engine/report/RExpertRes.h"
#include "engine/rewrite/FormFileText.h"
#include "engine/rewrite/TargetUnitPlacement.h"
#include "engine/rewrite/UsesEdits.h"
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

/// Whether the qualifier `tokens` (a dotted name, without the "." that
/// follows it) names a source unit: as a `uses` entry does, or as a unit of
/// the scope of a dotted source unit (FireDAC.Comp.Client beside
/// FireDAC.Stan.Intf).
bool QualifierNamesSourceUnit(std::span<const std::u16string_view> tokens,
                              const TStringList& sourceUnits) {
  TUsesEntry qualifier;
  for (size_t i = 0; i < tokens.size(); ++i) qualifier.Add(tokens[i], i % 2 == 0);
  if (NamesSourceUnit(qualifier, sourceUnits)) return true;
  if (tokens.size() < 3) return false;
  const std::u16string scope = AnsiUpperCase(tokens[0]) + u".";
  for (int i = 0; i < sourceUnits.Count(); ++i)
    if (AnsiUpperCase(sourceUnits[i]).starts_with(scope)) return true;
  return false;
}

bool IsRoutineDirective(std::u16string_view name) {
  static constexpr std::u16string_view kDirectives[] = {
      u"stdcall", u"cdecl",    u"pascal",     u"register", u"safecall",     u"winapi",  u"overload",
      u"inline",  u"platform", u"deprecated", u"library",  u"experimental", u"varargs", u"far",
      u"near",    u"export",   u"assembler",  u"static",   u"unsafe",       u"delayed"};
  for (std::u16string_view directive : kDirectives)
    if (SameText(name, directive)) return true;
  return false;
}

void AddUnique(std::vector<int>& list, int value) {
  if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

std::vector<TTextRange> ExternalRoutineHeadings(std::u16string_view text) {
  // The lexemes that matter: no blanks, no comments.
  struct TToken {
    int Code;
    std::u16string_view Text;
    size_t End;
  };
  std::vector<TToken> tokens;
  std::vector<size_t> starts;
  TPasParser lexer;
  lexer.SetTextRef(text);
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    if (lexeme.Code == lexBlank || lexeme.Code == lexComment) continue;
    tokens.push_back({lexeme.Code, lexeme.Text, lexeme.Start + lexeme.Length});
    starts.push_back(lexeme.Start);
  }
  // The ";" at bracket depth 0 from `from` on: tokens.size() when none.
  auto semicolonFrom = [&](size_t from) {
    int depth = 0;
    for (size_t i = from; i < tokens.size(); ++i) {
      const int code = tokens[i].Code;
      if (code == symOpenParen || code == symOpenBracket) ++depth;
      if ((code == symCloseParen || code == symCloseBracket) && depth > 0) --depth;
      if (code == symSemicolon && depth == 0) return i;
    }
    return tokens.size();
  };
  std::vector<TTextRange> headings;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].Code != lexIdent ||
        !(SameText(tokens[i].Text, u"procedure") || SameText(tokens[i].Text, u"function")))
      continue;
    size_t end = semicolonFrom(i + 1);
    // The directives after the heading, each with its ";", up to `external`.
    while (end + 1 < tokens.size()) {
      const TToken& next = tokens[end + 1];
      const bool isName = next.Code == lexIdent || next.Code == kwInline;
      if (isName && SameText(next.Text, u"external")) {
        const size_t last = semicolonFrom(end + 1);
        headings.push_back({starts[i], last < tokens.size() ? tokens[last].End : text.size()});
        break;
      }
      if (!isName || !IsRoutineDirective(next.Text)) break;
      end = semicolonFrom(end + 1);
    }
    i = end < tokens.size() ? end : tokens.size();
  }
  return headings;
}

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
  // A dotted name in code (`DBTables.TTable.Create`) being read.
  TUsesEntry chain;
  std::u16string comment;
  const std::vector<TTextRange> externals = ExternalRoutineHeadings(text);
  size_t nextExternal = 0;
  // Whether `token` (a view into `text`) stands in the heading of an external
  // routine; asked in text order.
  auto inExternal = [&](std::u16string_view token) {
    const size_t at = static_cast<size_t>(token.data() - text.data());
    while (nextExternal < externals.size() && externals[nextExternal].End <= at) ++nextExternal;
    return nextExternal < externals.size() && externals[nextExternal].Start <= at;
  };

  auto appendIdent = [&](std::u16string_view token) {
    const std::u16string* target = inExternal(token) ? nullptr : FindNewClassName(token);
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

  // A class qualified with a source unit (`DBTables.TTable`) loses the
  // qualifier: the target class is declared in a target unit.
  auto flushChain = [&] {
    if (chain.Empty()) return;
    const std::vector<std::u16string_view>& tokens = chain.Tokens;
    size_t from = 0;
    for (size_t i = 2; i < tokens.size(); i += 2) {
      if (!FindNewClassName(tokens[i])) continue;
      if (!inExternal(tokens[i]) &&
          QualifierNamesSourceUnit(std::span(tokens).first(i - 1), oldUses)) {
        from = i;
        result.Changed = true;
      }
      break;
    }
    for (size_t i = from; i < tokens.size(); ++i) {
      const bool isIdent = i % 2 == 0;
      if (isIdent)
        appendIdent(tokens[i]);
      else
        out += tokens[i];
      placement.Note(isIdent ? lexIdent : symDot, tokens[i], out.size());
    }
    chain = TUsesEntry();
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
    if (chain.Continues(code)) {
      chain.Add(lexeme.Text, code == lexIdent);
      continue;
    }
    flushChain();
    if (code == lexEnd) break;
    if (code == lexIdent && insideUses && !sourceUnitMet) {
      entry.Add(lexeme.Text, true);
      continue;
    }
    if (code == lexIdent && !insideUses) {
      chain.Add(lexeme.Text, true);
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
