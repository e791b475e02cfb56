#include "engine/rewrite/TargetUnitPlacement.h"

#include <utility>

#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

bool IsLineComment(std::u16string_view text) {
  return text.starts_with(u"//");
}

bool IsDirective(std::u16string_view text) {
  return text.starts_with(u"{$") || text.starts_with(u"(*$");
}

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

/// Whether the compiler directive `text` opens (1) or closes (-1) a
/// conditional; 0 for any other.
int ConditionalStep(std::u16string_view text) {
  text.remove_prefix(text.starts_with(u"{$") ? 2 : 3);
  size_t length = 0;
  while (length < text.size() && IsLetter(text[length])) ++length;
  const std::u16string_view name = text.substr(0, length);
  if (SameText(name, u"IF") || SameText(name, u"IFDEF") || SameText(name, u"IFNDEF") ||
      SameText(name, u"IFOPT"))
    return 1;
  if (SameText(name, u"ENDIF") || SameText(name, u"IFEND")) return -1;
  return 0;
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

/// A `uses` clause of its own holding `entries` (", Zan, Quillbase"), laid
/// out as the IDE lays out the clause of a new unit.
std::u16string NewUsesClause(std::u16string_view entries, std::u16string_view lineBreak) {
  if (entries.starts_with(u',')) entries.remove_prefix(1);
  std::u16string clause(lineBreak);
  clause += lineBreak;
  clause += u"uses";
  clause += lineBreak;
  clause += u"  ";
  clause += TrimLeft(entries);
  clause += u';';
  return clause;
}

}  // namespace

void TTargetUnitPlacement::Note(int code, std::u16string_view text, size_t outEnd) {
  NoteLayout(code, text, outEnd);
  if (FSourceStep != TSourceStep::None && FSourceStep != TSourceStep::Done)
    NoteSourceEntry(code, text, outEnd);
  NoteUses(code, text, outEnd);
}

void TTargetUnitPlacement::SourceUnitEntry(size_t outEnd) {
  if (FSourceEntry) return;
  FSourceEntry = TPlace{outEnd, false};
  FSourceStep = TSourceStep::AfterName;
  FSourceInConditional = FConditionalDepth > 0;
  FSourceClauseOpen = FInUses;
}

void TTargetUnitPlacement::NoteSourceEntry(int code, std::u16string_view text, size_t outEnd) {
  // The units go after the whole entry (`DBTables in 'DBTables.pas'`), and
  // after the form comment of its path (`{dmData}`), which belongs to it.
  switch (FSourceStep) {
    case TSourceStep::AfterName:
      if (code == lexIdent && SameText(text, u"in"))
        FSourceStep = TSourceStep::AfterIn;
      else if (code != lexBlank)
        FSourceStep = TSourceStep::Done;
      break;
    case TSourceStep::AfterIn:
      if (code == lexString) {
        FSourceEntry->At = outEnd;
        FSourceStep = TSourceStep::AfterPath;
      } else if (code != lexBlank) {
        FSourceStep = TSourceStep::Done;
      }
      break;
    case TSourceStep::AfterPath:
      // Only a comment on the same line is the entry's.
      if (code == lexComment && !IsDirective(text) && !IsLineComment(text)) {
        FSourceEntry->At = outEnd;
        FSourceStep = TSourceStep::Done;
      } else if (code != lexBlank || HasLineBreak(text)) {
        FSourceStep = TSourceStep::Done;
      }
      break;
    default:
      break;
  }
}

void TTargetUnitPlacement::NoteConditional(std::u16string_view directive) {
  const int step = ConditionalStep(directive);
  if (step > 0) {
    if (FConditionalDepth == 0)
      FBeforeConditional =
          FClauseEntryEnd ? TPlace{*FClauseEntryEnd, false} : TPlace{FClauseKeywordEnd, true};
    ++FConditionalDepth;
  } else if (step < 0 && FConditionalDepth > 0) {
    --FConditionalDepth;
  }
}

void TTargetUnitPlacement::NoteLayout(int code, std::u16string_view text, size_t outEnd) {
  const bool blankOrComment = code == lexBlank || code == lexComment;
  if (FKind == TKind::Unknown) {
    if (blankOrComment) return;
    if (code == lexIdent && SameText(text, u"unit"))
      FKind = TKind::Unit;
    else if (code == lexIdent && (SameText(text, u"program") || SameText(text, u"library")))
      FKind = TKind::Program;
    else
      FKind = TKind::Other;
    return;
  }
  if (FNewClauseMovable) {
    // A new clause goes after a comment that ends the line, never into a
    // conditional.
    if (blankOrComment && !HasLineBreak(text) && !IsDirective(text)) {
      if (code == lexComment) FNewClauseAt = outEnd;
      return;
    }
    FNewClauseMovable = false;
  }
  if (FSection == TSection::Heading) {
    if ((FKind == TKind::Unit && code == lexIdent && SameText(text, u"interface")) ||
        (FKind == TKind::Program && code == symSemicolon)) {
      FSection = TSection::Interface;
      FNewClauseAt = outEnd;
      FNewClauseMovable = true;
    }
  } else if (FSection == TSection::Interface && FKind == TKind::Unit && code == lexIdent &&
             SameText(text, u"implementation")) {
    FSection = TSection::Rest;
  }
}

void TTargetUnitPlacement::NoteUses(int code, std::u16string_view text, size_t outEnd) {
  if (code == kwUses) {
    FInUses = true;
    FClauseInInterface = FSection == TSection::Interface;
    FClauseLastEnd = outEnd;
    FClauseKeywordEnd = outEnd;
    FClauseEntryEnd.reset();
    FConditionalDepth = 0;
    return;
  }
  if (!FInUses) return;
  if (code == symSemicolon) {
    FinishName();
    FInUses = false;
    // A ";" inside a conditional ends the clause in one branch only: the
    // units go before the conditional, where every branch has them.
    const bool split = FConditionalDepth > 0;
    if (FClauseInInterface)
      FInterfaceClauseEnds.push_back(split ? FBeforeConditional : TPlace{FClauseLastEnd, false});
    if (FSourceClauseOpen && split && FSourceInConditional) FSourceEntry = FBeforeConditional;
    FSourceClauseOpen = false;
    return;
  }
  if (code == lexComment && IsDirective(text)) NoteConditional(text);
  if (FConditionalDepth == 0 && (code == lexIdent || code == lexString)) FClauseEntryEnd = outEnd;
  // Appended after a line comment, the units would be commented out.
  if (code != lexBlank && !(code == lexComment && IsLineComment(text))) FClauseLastEnd = outEnd;
  if (code == lexIdent && !FAfterIdent) {
    FName += text;
    FAfterIdent = true;
  } else if (code == symDot && FAfterIdent) {
    FName += text;
    FAfterIdent = false;
  } else {
    FinishName();
  }
}

void TTargetUnitPlacement::FinishName() {
  if (!FName.empty()) FUsedNames.insert(AnsiUpperCase(FName));
  FName.clear();
  FAfterIdent = false;
}

bool TTargetUnitPlacement::Names(std::u16string_view unit) const {
  return FUsedNames.contains(AnsiUpperCase(unit));
}

int TTargetUnitPlacement::Insert(std::u16string& out, std::u16string_view targets,
                                 std::u16string_view lineBreak) const {
  const std::u16string missing = MissingTargetUnits(targets, FUsedNames);
  if (missing.empty()) return 0;
  // After `uses` the list leads and a "," follows it.
  auto entries = [&](const TPlace& place) {
    if (!place.AfterKeyword) return missing;
    return (missing.starts_with(u',') ? missing.substr(1) : u" " + missing) + u",";
  };
  std::vector<std::pair<size_t, std::u16string>> edits;
  if (FSourceEntry) {
    edits.emplace_back(FSourceEntry->At, entries(*FSourceEntry));
  } else if (FClassRenamed && !FInterfaceClauseEnds.empty()) {
    for (const TPlace& end : FInterfaceClauseEnds) edits.emplace_back(end.At, entries(end));
  } else if (FClassRenamed && FNewClauseAt) {
    edits.emplace_back(*FNewClauseAt, NewUsesClause(missing, lineBreak));
  }
  // From the last to the first, so that the earlier offsets stay valid.
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
    out.insert(edit->first, edit->second);
  return static_cast<int>(edits.size());
}

}  // namespace zan
