// Rewriting one source unit (".PAS"/".DPR") of a replace run: class names
// become target class names (in comments too), the first source unit of a
// `uses` clause gets the target units appended, and resource directives that
// name a form file add it to the run.
//
// The text is copied lexeme by lexeme into one output buffer, so every byte
// outside an edit is kept; the buffer is written to the target only when the
// text changed.
#include <vector>

#include "engine/RExpertRes.h"
#include "engine/Replacer.h"
#include "engine/TextFile.h"
#include "ide/FileCase.h"
#include "parsing/PasParser.h"
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

}  // namespace

int TComponentReplacer::ProcessSourceText(const std::u16string& text,
                                          const std::u16string& fileName, TTextEncoding encoding,
                                          const std::u16string& targetFile) {
  TPasParser lexer;
  lexer.SetTextRef(text);
  std::u16string out;
  out.reserve(text.size() + FNewUsesList.size() + 64);
  int changeCount = 0;
  bool unchanged = true;
  bool insideUses = false;
  bool targetUnitsAdded = false;
  TUsesEntry entry;
  std::u16string comment;

  auto appendIdent = [&](std::u16string_view token) {
    const std::u16string* target = FindNewClassName(token);
    if (!target) {
      out += token;
      return;
    }
    const std::u16string replaced = ReplaceClassName(std::u16string(token), *target);
    ++changeCount;
    if (replaced != token) unchanged = false;
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
      if (i % 2 == 0 && FOldUsesList.Find(AnsiUpperCase(entry.Tokens[i]), index)) matched = true;
    }
    if (!matched && entry.Tokens.size() > 1 && FOldUsesList.Find(AnsiUpperCase(whole), index))
      matched = true;
    if (matched) {
      out += whole;
      out += FNewUsesList;
      ++changeCount;
      if (!FNewUsesList.empty()) unchanged = false;
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
        ProcessComment(comment, fileName, changeCount);
        if (comment != lexeme.Text) unchanged = false;
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
        break;
      default:
        out += lexeme.Text;
        break;
    }
  }

  LogChangeCount(changeCount);
  if (!unchanged) {
    FileSystem().WriteFile(targetFile, EncodeTextFile(out, encoding, fileName));
    ++FChangedFilesCount;
  }
  RecordFile(fileName, changeCount, !unchanged);
  return changeCount;
}

void TComponentReplacer::ProcessComment(std::u16string& comment, const std::u16string& fileName,
                                        int& changeCount) {
  const std::u16string head = AnsiUpperCase(std::u16string_view(comment).substr(0, 11));
  const bool isResource =
      head.compare(0, 4, u"{$R ") == 0 || head.compare(0, 11, u"{$RESOURCE ") == 0;
  if (isResource) {
    const size_t dot = comment.rfind(u'.');
    if (dot == std::u16string::npos || comment.size() - dot - 1 < 3) return;
    const std::u16string ext = AnsiUpperCase(std::u16string_view(comment).substr(dot, 4));
    if (ext != u".DFM" && ext != u".NFM") return;
    if (dot + 4 < comment.size() && IsLetter(comment[dot + 4])) return;
    std::u16string candidate;
    if (dot > 0 && comment[dot - 1] == u'*') {
      // "{$R *.dfm}": the unit's own form, in the unit's folder.
      if (dot < 2 || comment[dot - 2] != u' ') return;
      candidate = ChangeFileExt(fileName, ext);
    } else {
      size_t start = dot;
      while (start > 0 && IsLetter(comment[start - 1])) --start;
      if (start == dot) return;
      candidate = JoinPath(ExtractFileDir(fileName),
                           comment.substr(start, dot - start) + comment.substr(dot, 4));
    }
    const std::u16string found = FindFileIgnoringCase(FileSystem(), candidate, &FFolderListings);
    if (!found.empty() && FileSystem().IsFile(found)) {
      AddDiscoveredFile(found);
    } else {
      // Not an error: units often name a form for another platform in a
      // conditional directive. The log and the report say so.
      const std::u16string warning = res::Fmt(res::sFormFileMissing, {candidate, fileName});
      FLog->WriteLine(warning);
      if (FReport) FReport->Warnings.push_back(warning);
    }
    return;
  }
  if (comment.empty()) return;
  // Class names inside an ordinary comment are renamed too (with the pair's
  // target directly, not through ReplaceClassName).
  if (!FCommentLexer) FCommentLexer = std::make_unique<TPasParser>();
  TPasParser& lexer = *FCommentLexer;
  lexer.SetTextRef(std::u16string_view(comment).substr(1));
  std::u16string result(1, comment[0]);
  bool renamed = false;
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    const std::u16string* target =
        lexeme.Code == lexIdent ? FindNewClassName(lexeme.Text) : nullptr;
    if (target) {
      result += *target;
      ++changeCount;
      renamed = true;
    } else {
      result += lexeme.Text;
    }
  }
  if (renamed) comment = std::move(result);
}

}  // namespace zan
