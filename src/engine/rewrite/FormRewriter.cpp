#include "engine/rewrite/FormRewriter.h"

#include <limits>
#include <utility>

#include "engine/RunContext.h"
#include "engine/catalogue/Replacer.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/ReportProperties.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormContent.h"
#include "engine/rules/UserRules.h"
#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// Lexemes between two looks at the cancellation flag; an object converted
/// counts as one, and each takes well under a millisecond.
constexpr unsigned kCancelCheckEvery = 256;

constexpr std::u16string_view sFormTooLarge = u"Form file \"%s\" is too large to convert.";
constexpr std::u16string_view sFormObjectError =
    u"Cannot convert object \"%s\" in form file \"%s\": %s";
constexpr std::u16string_view sNoGrammarMatch =
    u"the form grammar does not match the object (stuck at line %s)";
constexpr std::u16string_view sTextAfterRoot =
    u"Form file \"%s\" cannot be converted: text follows the end of its root object (line %s).";
constexpr std::u16string_view sNotFormText =
    u"Form file \"%s\" cannot be converted: it is not form text, yet it declares \"%s\" of "
    u"class %s (line %s), which the run replaces.";

/// The reading state of the object header being read.
struct TFormObject {
  std::u16string Name;
  std::u16string ClassName;
  std::u16string LastIdent;
  bool ReadingName = false;
  bool ReadingType = false;
  bool ColonSeen = false;  // between the name and the class

  void StartHeader() {
    ReadingName = true;
    ReadingType = false;
    ColonSeen = false;
  }
};

/// Line numbers of offsets in one text, counted on from the offset asked
/// last, so that asking for increasing offsets stays linear in the text.
class TLineCounter {
 public:
  explicit TLineCounter(std::u16string_view text) : FText(text) {}
  /// The 1-based line of the zero-based offset `pos`.
  int LineOf(size_t pos) {
    if (pos < FPos) {
      FPos = 0;
      FLine = 1;
    }
    for (; FPos < pos && FPos < FText.size(); ++FPos)
      if (FText[FPos] == u'\n') ++FLine;
    return FLine;
  }

 private:
  std::u16string_view FText;
  size_t FPos = 0;
  int FLine = 1;
};

bool IsLineBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

/// Whether the keyword lexeme `lex` is a structural word of the form (a
/// header keyword, `item`, `end`) rather than a property that happens to
/// share its name (`Item = nvItem1`, `End.Value = 3`): such a property is
/// followed by "=" or "." on its line.
bool IsStructuralKeyword(std::u16string_view text, const TLexeme& lex) {
  size_t i = lex.Start + lex.Length;
  while (i < text.size() && IsLineBlank(text[i])) ++i;
  return i >= text.size() || (text[i] != u'=' && text[i] != u'.');
}

/// Whether `a` and `b` hold the same lines once the blanks that begin each
/// line are set aside.
bool SameLinesButIndentation(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, j = 0;
  auto skipIndent = [](std::u16string_view text, size_t& k) {
    while (k < text.size() && IsLineBlank(text[k])) ++k;
  };
  skipIndent(a, i);
  skipIndent(b, j);
  while (i < a.size() && j < b.size()) {
    if (a[i] != b[j]) return false;
    const bool lineEnds = a[i] == u'\n';
    ++i, ++j;
    if (lineEnds) skipIndent(a, i), skipIndent(b, j);
  }
  return i == a.size() && j == b.size();
}

}  // namespace

TFormRewriter::TFormRewriter()
    : FFormParser(std::make_unique<TZanFormParser>()),
      FMaxFormTextLength(static_cast<size_t>(std::numeric_limits<int>::max()) - 16) {
  // The header line keeps the indentation written before the keyword.
  FFormParser->SetIndentHeader(false);
}

TFormRewriter::~TFormRewriter() = default;

void TFormRewriter::Prepare(const TRunContext& context) {
  FCodePage = context.CodePage;
  FCancelled = context.Cancelled;
  FFormParser->SetConnectionDefFileName(context.ConnectionDefFileName);
  FFormParser->SetDriverConfFileName(context.DriverConfFileName);
  FFormParser->SetFileSystem(context.FileSystem);
  FFormParser->SetCodePage(context.CodePage);
  FFormParser->SetClassRegistry(context.ClassRegistry);
  FFormParser->SetUserRules(context.UserRules ? &context.UserRules->Form() : nullptr);
  FBdeAliases.reset();
  if (!context.AliasFileName.empty())
    FBdeAliases = std::make_shared<const TBdeAliases>(
        TBdeAliases::Read(*context.FileSystem, context.AliasFileName, context.CodePage));
  FFormParser->SetBdeAliases(FBdeAliases.get());
}

std::unique_ptr<TFormFileStep> TFormRewriter::CloneForLane() const {
  auto lane = std::make_unique<TFormRewriter>();
  TZanFormParser& parser = *lane->FFormParser;
  parser.SetConnectionDefFileName(FFormParser->ConnectionDefFileName());
  parser.SetDriverConfFileName(FFormParser->DriverConfFileName());
  parser.SetFileSystem(FFormParser->FileSystem());
  parser.SetCodePage(FFormParser->CodePage());
  parser.SetClassRegistry(&FFormParser->ClassRegistry());
  parser.SetUserRules(FFormParser->UserRules());
  lane->FBdeAliases = FBdeAliases;
  parser.SetBdeAliases(FBdeAliases.get());
  lane->FMaxFormTextLength = FMaxFormTextLength;
  lane->FCodePage = FCodePage;
  lane->FCancelled = FCancelled;
  return lane;
}

void TFormRewriter::CheckCancelled() const {
  if (FCancelled && FCancelled->load(std::memory_order_relaxed))
    throw ERunCancelled(std::u16string(res::sRunInterrupted));
}

void TFormRewriter::CheckLength(const std::u16string& text, const std::u16string& fileName) const {
  if (text.size() > FMaxFormTextLength) throw EFormFileError(res::Fmt(sFormTooLarge, {fileName}));
}

TFormFileStep::TResult TFormRewriter::ProcessFormFile(const TFormLookup& lookup,
                                                      const std::u16string& fileName,
                                                      const std::string& bytes,
                                                      TRunReport* report) {
  // A file that is no form text is left alone, unless it declares an object
  // the run replaces: then its unit would declare a class the file does not.
  if (!IsFormContent(bytes)) {
    if (const auto found = FindSourceClassObject(lookup, bytes))
      throw EFormFileError(
          res::Fmt(sNotFormText, {fileName, found->Name, found->ClassName, IntToStr(found->Line)}));
    return {};
  }
  TFormFileText form = ReadFormFile(bytes, fileName, FCodePage);
  CheckLength(form.Text, fileName);
  std::u16string output;
  TResult result;
  result.Changes = ProcessFormText(lookup, fileName, form.Text, form.LineBreak, output, report);
  if (result.Changes > 0) {
    std::u16string().swap(form.Text);  // only the converted text is written
    result.Encode = [output = std::move(output), form = std::move(form), fileName,
                     codePage = FCodePage] {
      // A text form is checked the same way a binary one is written: every
      // form the run publishes can be stored in binary and read back.
      if (!form.Binary) CheckFormText(output, fileName, codePage);
      return WriteFormFile(output, form, fileName, codePage);
    };
  }
  return result;
}

int TFormRewriter::ProcessFormText(const TFormLookup& lookup, const std::u16string& fileName,
                                   const std::u16string& text, std::u16string_view lineBreak,
                                   std::u16string& output, TRunReport* report) {
  TZanFormParser& parser = *FFormParser;
  parser.SetDisconnectedConnections({});
  FDisconnectedConnections.clear();
  const size_t reported = report ? report->FormObjects.size() : 0;
  const int changes = ConvertObjects(lookup, fileName, text, lineBreak, output, report, -1);
  if (FDisconnectedConnections.empty()) return changes;
  // A data set stored open through a connection written disconnected would
  // connect it when the form loads; a data set may come before its
  // connection, so the form is converted again with those connections known
  // (rare: only forms with a connection that connects to nothing).
  if (report)
    report->FormObjects.erase(report->FormObjects.begin() + static_cast<ptrdiff_t>(reported),
                              report->FormObjects.end());
  parser.SetDisconnectedConnections(std::move(FDisconnectedConnections));
  FDisconnectedConnections.clear();
  const int again = ConvertObjects(lookup, fileName, text, lineBreak, output, report, -1);
  parser.SetDisconnectedConnections({});
  FDisconnectedConnections.clear();
  return again;
}

int TFormRewriter::ConvertObjects(const TFormLookup& lookup, const std::u16string& fileName,
                                  const std::u16string& text, std::u16string_view lineBreak,
                                  std::u16string& output, TRunReport* report, int objectLevel) {
  TZanFormParser& parser = *FFormParser;
  parser.SetOnGetPropertyValue(
      [&lookup](const std::u16string& propName, const std::u16string& oldPropValue) {
        return lookup.GetPropertyValue(propName, oldPropValue);
      });
  parser.SetLineBreak(lineBreak);

  TPasParser lexer;
  lexer.SetTextRef(text);
  output.clear();
  output.reserve(text.size() + text.size() / 4);
  int changes = 0;
  // The nesting level of the object being read; a converted object's own
  // text starts one above its level.
  int level = objectLevel < 0 ? -1 : objectLevel - 1;
  size_t keywordPos = 0;  // offset of the last object keyword in the text
  size_t keywordOut = 0;  // where that keyword was written in the output
  // The text is copied to the output in runs: everything before `copied` is
  // there, the rest is appended when the output changes course or at the end.
  size_t copied = 0;
  auto copyUpTo = [&](size_t end) {
    output.append(text, copied, end - copied);
    copied = end;
  };
  TFormObject obj;
  TLineCounter lines(text);
  // Of the whole text (objectLevel < 0): whether an object of a source class
  // was met, whether the root object has begun, and where the first text
  // after the root object's `end` is (npos: none).
  bool sourceSeen = false;
  bool rootBegun = false;
  size_t trailingAt = std::u16string::npos;

  // Records the object just converted to `newClass` in the report.
  auto record = [&](const std::u16string& newClass) {
    if (!report) return;
    TRunReport::TFormObjectEntry entry;
    entry.FileName = fileName;
    entry.ObjectName = obj.Name;
    entry.ClassName = obj.ClassName;
    entry.NewClassName = newClass;
    entry.Converted = true;
    entry.DroppedProperties = parser.DroppedProperties();
    DescribeConvertedProperties(parser, entry);
    entry.MissingConnectionDefs = parser.MissingConnectionDefs();
    for (const TZanFormParser::TDisconnected& d : parser.Disconnected())
      entry.Disconnected.push_back({d.Property, d.Action});
    entry.UserRules = parser.AppliedUserRules();
    report->FormObjects.push_back(std::move(entry));
  };

  // Converts the object whose header was read; raises EFormFileError naming
  // the object and the line when the grammar cannot read it. Every keyword counts
  // alike: an inherited or inline object is converted as one declared with
  // `object`, its child position kept and its keyword written in lower case (the rules know it
  // stores only what differs from its ancestor, TZanFormParser::StoresDifferencesOnly). Returns
  // true when the lexer was moved on after the object.
  auto convertObject = [&]() {
    // Inside a converted object's text only the nested objects are converted.
    if (objectLevel >= 0 && level == objectLevel) return false;
    const std::u16string* target = lookup.FindNewClassName(obj.ClassName);
    if (!target) return false;
    sourceSeen = true;
    parser.SetNewClassName(*target);
    int pos = static_cast<int>(keywordPos) + 1;
    bool parsed;
    try {
      parsed = parser.ParseString(text, u"<object>", pos);
    } catch (const Exception& e) {
      throw EFormFileError(res::Fmt(sFormObjectError, {obj.Name, fileName, e.Message()}));
    }
    if (!parsed) {
      // The object would keep its class while its unit's field takes the
      // target: the form cannot be converted.
      const int stuck = parser.FarthestPos() > 0 ? parser.FarthestPos() - 1 : 0;
      throw EFormFileError(res::Fmt(
          sFormObjectError,
          {obj.Name, fileName,
           res::Fmt(sNoGrammarMatch, {IntToStr(lines.LineOf(static_cast<size_t>(stuck)))})}));
    }
    if (!obj.Name.empty())
      for (const TZanFormParser::TDisconnected& d : parser.Disconnected())
        if (d.Property == u"Connected") FDisconnectedConnections.push_back(obj.Name);
    record(*target);
    std::u16string made = parser.MakeObject(level);
    // The header is written in the IDE's spelling: `OBJECT` becomes `object`.
    for (size_t i = 0; i < made.size() && made[i] != u' '; ++i)
      if (made[i] >= u'A' && made[i] <= u'Z') made[i] = static_cast<char16_t>(made[i] + 32);
    // Go on after the line of the object's `end`: the regenerated text
    // ends with its own line break. When something other than blanks
    // follows the `end` on its line, it is kept and the line break of
    // the regenerated text is not written.
    const size_t end = static_cast<size_t>(parser.ObjectEndPos() - 1);
    size_t resume = end;
    while (resume < text.size() && IsLineBlank(text[resume])) ++resume;
    if (resume < text.size() && (text[resume] == u'\r' || text[resume] == u'\n')) {
      resume +=
          text[resume] == u'\r' && resume + 1 < text.size() && text[resume + 1] == u'\n' ? 2 : 1;
    } else {
      resume = end;
      if (made.size() >= lineBreak.size() &&
          std::u16string_view(made).substr(made.size() - lineBreak.size()) == lineBreak)
        made.resize(made.size() - lineBreak.size());
    }
    // The objects nested in it (persistent fields of a data set) are
    // converted in its regenerated text, at their own levels.
    if (!parser.NestedObjects().empty()) {
      std::u16string nested;
      changes += ConvertObjects(lookup, fileName, made, lineBreak, nested, report, level);
      made = std::move(nested);
    }
    // An object of a class paired with itself that comes out as it went in
    // (an earlier run converted it) keeps its text: regenerating it would
    // only move the lines of its lists deeper at every run.
    output.resize(keywordOut);
    if (*target == obj.ClassName &&
        SameLinesButIndentation(std::u16string_view(text).substr(keywordPos, resume - keywordPos),
                                made)) {
      copied = keywordPos;
    } else {
      ++changes;
      output += made;
      copied = resume;
    }
    lexer.SetPos(static_cast<int64_t>(resume));
    --level;  // the parser consumed the object's `end`
    return true;
  };

  for (unsigned steps = 1;; ++steps) {
    if (steps % kCancelCheckEvery == 0) CheckCancelled();
    const TLexeme& lex = lexer.Next();
    if (lex.Code == lexEnd) break;
    // Blanks may stand anywhere between the words of a header (`Name : TClass`).
    if (lex.Code == lexBlank) continue;
    if (objectLevel < 0 && level < 0 && rootBegun && trailingAt == std::u16string::npos)
      trailingAt = lex.Start;
    int code = lex.Code;
    if (code >= kwEnd && code <= kwObject && !IsStructuralKeyword(text, lex)) code = lexIdent;
    if (obj.ReadingType && !obj.ColonSeen && code != symColon) {
      // A header without a name ("object TClass"): the identifier read as
      // the name is the class, and this lexeme follows the header.
      obj.ReadingType = false;
      obj.ClassName = std::move(obj.Name);
      obj.Name.clear();
      if (convertObject()) continue;
    }
    switch (code) {
      case lexIdent:
        if (obj.ReadingName) {
          obj.Name = lex.Text;
          obj.ReadingName = false;
          obj.ReadingType = true;
        } else if (obj.ReadingType) {
          obj.ReadingType = false;
          obj.ClassName = lex.Text;
          convertObject();
        }
        break;
      case symColon:
        if (obj.ReadingType) obj.ColonSeen = true;
        break;
      case kwEnd:
        --level;
        break;
      case kwItem:
        ++level;
        break;
      case kwObject:
      case kwInherited:
      case kwInline:
        obj.StartHeader();
        keywordPos = lex.Start;
        copyUpTo(lex.Start);
        keywordOut = output.size();
        ++level;
        rootBegun = true;
        break;
      default:
        break;
    }
  }
  copyUpTo(text.size());
  // A second root object (or any text) after the first one's `end` is no
  // form the IDE reads: converting the file would leave its unit declaring
  // classes the form does not stream.
  if (trailingAt != std::u16string::npos && sourceSeen)
    throw EFormFileError(res::Fmt(sTextAfterRoot, {fileName, IntToStr(lines.LineOf(trailingAt))}));
  return changes;
}

void TFormRewriter::CollectDatabaseNames(TStringList& databaseNames, const std::u16string& fileName,
                                         const std::string& bytes) {
  const TFormFileText form = ReadFormFile(bytes, fileName, FCodePage);
  TPasParser lexer;
  lexer.SetKeepQuotes(false);
  lexer.SetTextRef(form.Text);
  TFormObject obj;
  std::u16string formName;
  for (unsigned steps = 1;; ++steps) {
    if (steps % kCancelCheckEvery == 0) CheckCancelled();
    const TLexeme& lex = lexer.Next();
    if (lex.Code == lexEnd) break;
    int code = lex.Code;
    if (code >= kwEnd && code <= kwObject && !IsStructuralKeyword(form.Text, lex)) code = lexIdent;
    switch (code) {
      case lexIdent:
        if (obj.ReadingName) {
          obj.Name = lex.Text;
          obj.ReadingName = false;
          obj.ReadingType = true;
          // The first object declared with `object` names the owner.
          if (formName.empty()) formName = obj.Name;
        } else if (obj.ReadingType) {
          obj.ClassName = lex.Text;
          obj.ReadingType = false;
        }
        obj.LastIdent = lex.Text;
        break;
      case kwEnd:
        obj.Name.clear();
        obj.ClassName.clear();
        break;
      case kwObject:
        obj.ReadingName = true;
        break;
      case lexString:
        if (obj.ClassName == u"TDatabase" && obj.LastIdent == u"DatabaseName")
          databaseNames.SetValue(lex.Text, formName + u"." + obj.Name);
        break;
      default:
        break;
    }
  }
}

void InstallFormConversion(TComponentReplacer& replacer) {
  replacer.SetFormFileStepFactory([] { return std::make_unique<TFormRewriter>(); });
}

}  // namespace zan
