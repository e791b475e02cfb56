#include "engine/rewrite/UsesEdits.h"

#include <algorithm>
#include <utility>

#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// One entry of a `uses` clause: its dotted name and where it stands, from
/// its first name to the end of its `in '...'` part.
struct TUsesEntryPlace {
  std::u16string Name;
  size_t Start = 0;
  size_t End = 0;
};

/// A `uses` clause from its keyword to the end of its ";".
struct TUsesClause {
  size_t Start = 0;
  size_t End = 0;
  std::vector<TUsesEntryPlace> Entries;
};

/// Whether the comma-separated list `list` names `unit` (any letter case).
bool ListNames(std::u16string_view list, std::u16string_view unit) {
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(u',', start);
    if (comma == std::u16string_view::npos) comma = list.size();
    if (AnsiSameText(Trim(list.substr(start, comma - start)), unit)) return true;
    start = comma + 1;
  }
  return false;
}

/// The clauses of `text` whose entries read as names with an optional
/// `in '...'` part; a clause holding anything else (a compiler directive, or
/// no ";") is left out, so that nothing is removed from text the reader does
/// not follow.
std::vector<TUsesClause> UsesClauses(std::u16string_view text) {
  std::vector<TUsesClause> clauses;
  TPasParser lexer;
  lexer.SetTextRef(text);
  bool inClause = false;
  bool understood = true;
  TUsesClause clause;
  TUsesEntryPlace entry;
  enum { kStart, kAfterName, kAfterDot, kAfterIn, kAfterPath } state = kStart;
  auto finishEntry = [&] {
    if (state == kAfterName || state == kAfterPath)
      clause.Entries.push_back(std::move(entry));
    else
      understood = false;
    entry = {};
    state = kStart;
  };
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    const size_t end = lexeme.Start + lexeme.Length;
    if (!inClause) {
      if (lexeme.Code == kwUses) {
        inClause = true;
        understood = true;
        clause = {};
        clause.Start = lexeme.Start;
      }
      continue;
    }
    switch (lexeme.Code) {
      case lexBlank:
        break;
      case lexComment:
        // A compiler directive may make entries conditional: such a clause
        // is left as it is.
        if (lexeme.Text.starts_with(u"{$") || lexeme.Text.starts_with(u"(*$")) understood = false;
        break;
      case symComma:
        finishEntry();
        break;
      case symSemicolon:
        finishEntry();
        clause.End = end;
        if (understood) clauses.push_back(std::move(clause));
        inClause = false;
        break;
      case lexIdent:
        if (state == kStart) {
          entry.Start = lexeme.Start;
          entry.Name = lexeme.Text;
          state = kAfterName;
        } else if (state == kAfterDot) {
          entry.Name += lexeme.Text;
          state = kAfterName;
        } else if (state == kAfterName && SameText(lexeme.Text, u"in")) {
          state = kAfterIn;
        } else {
          understood = false;
        }
        entry.End = end;
        break;
      case symDot:
        if (state == kAfterName) {
          entry.Name += u'.';
          state = kAfterDot;
        } else {
          understood = false;
        }
        break;
      case lexString:
        if (state == kAfterIn || state == kAfterPath) {
          state = kAfterPath;
          entry.End = end;
        } else {
          understood = false;
        }
        break;
      default:
        understood = false;
        break;
    }
  }
  return clauses;
}

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

/// The text a clause left without entries takes with it: the clause, and
/// its line when nothing else stands on it.
std::pair<size_t, size_t> WholeClause(std::u16string_view text, const TUsesClause& clause) {
  size_t from = clause.Start;
  while (from > 0 && IsBlank(text[from - 1])) --from;
  size_t to = clause.End;
  while (to < text.size() && IsBlank(text[to])) ++to;
  const bool lineStart = from == 0 || text[from - 1] == u'\n' || text[from - 1] == u'\r';
  const bool lineEnd = to == text.size() || text[to] == u'\r' || text[to] == u'\n';
  if (!lineStart || !lineEnd) return {clause.Start, clause.End};
  if (to < text.size() && text[to] == u'\r') ++to;
  if (to < text.size() && text[to] == u'\n') ++to;
  return {from, to};
}

}  // namespace

std::u16string TargetUnitsWith(std::u16string_view targets,
                               const std::vector<TUserUsesUnit>& extra) {
  std::u16string list(targets);
  for (const TUserUsesUnit& unit : extra)
    if (!ListNames(list, unit.Name)) list += u", " + unit.Name;
  return list;
}

std::vector<int> RemoveUsesEntries(std::u16string& text, const std::vector<TUserUsesUnit>& units) {
  std::vector<int> removed;
  if (units.empty()) return removed;
  std::vector<std::pair<size_t, size_t>> cuts;
  for (const TUsesClause& clause : UsesClauses(text)) {
    const std::vector<TUsesEntryPlace>& entries = clause.Entries;
    std::vector<bool> goes(entries.size(), false);
    int lastKept = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
      for (const TUserUsesUnit& unit : units)
        if (AnsiSameText(unit.Name, entries[i].Name)) {
          goes[i] = true;
          removed.push_back(unit.Rule);
          break;
        }
      if (!goes[i]) lastKept = static_cast<int>(i);
    }
    if (lastKept < 0) {
      if (!entries.empty()) cuts.push_back(WholeClause(text, clause));
      continue;
    }
    // An entry goes up to the next one (its separator with it); the last
    // goes from the end of the last entry kept.
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!goes[i]) continue;
      if (i + 1 < entries.size())
        cuts.emplace_back(entries[i].Start, entries[i + 1].Start);
      else
        cuts.emplace_back(entries[static_cast<size_t>(lastKept)].End, entries[i].End);
    }
  }
  if (cuts.empty()) return removed;
  std::sort(cuts.begin(), cuts.end());
  std::u16string out;
  out.reserve(text.size());
  size_t copied = 0;
  for (const auto& [from, to] : cuts) {
    if (to <= copied) continue;
    out.append(text, copied, from > copied ? from - copied : 0);
    copied = std::max(copied, to);
  }
  out.append(text, copied);
  text = std::move(out);
  return removed;
}

}  // namespace zan
