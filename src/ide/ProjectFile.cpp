#include "ide/ProjectFile.h"

#include <algorithm>
#include <unordered_map>

#include "ide/FileCase.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

std::u16string DecodeProjectText(const std::string& bytes, bool xml) {
  std::string_view view(bytes);
  if (view.substr(0, 2) == kUtf16LEBom) return Utf16LEToUnicode(view.substr(2));
  if (view.substr(0, 3) == kUtf8Bom) return Utf8ToUtf16(view.substr(3));
  // MSBuild files are UTF-8 unless they say otherwise; program texts without
  // a byte-order mark are in the ANSI code page, as Delphi reads them.
  return xml ? Utf8ToUtf16(view) : AnsiToUnicode(view);
}

bool IsIdentStart(char16_t ch) {
  return ch == u'_' || IsLetter(ch);
}
bool IsIdentChar(char16_t ch) {
  return IsIdentStart(ch) || IsDigit(ch);
}

/// A minimal scanner over a program text: skips blanks and the three comment
/// forms, and yields identifiers (dotted names whole), strings and symbols.
class TDprScanner {
 public:
  enum TKind { kEnd, kIdent, kString, kSymbol };
  explicit TDprScanner(std::u16string_view text) : FText(text) {}

  TKind Next(std::u16string& value) {
    SkipBlanksAndComments();
    value.clear();
    if (FPos >= FText.size()) return kEnd;
    char16_t ch = FText[FPos];
    if (IsIdentStart(ch)) {
      size_t start = FPos;
      while (FPos < FText.size() &&
             (IsIdentChar(FText[FPos]) ||
              (FText[FPos] == u'.' && FPos + 1 < FText.size() && IsIdentStart(FText[FPos + 1]))))
        ++FPos;
      value = FText.substr(start, FPos - start);
      return kIdent;
    }
    if (ch == u'\'') {
      ++FPos;
      while (FPos < FText.size()) {
        if (FText[FPos] == u'\'') {
          if (FPos + 1 < FText.size() && FText[FPos + 1] == u'\'') {
            value += u'\'';
            FPos += 2;
            continue;
          }
          ++FPos;
          break;
        }
        if (FText[FPos] == u'\r' || FText[FPos] == u'\n') break;
        value += FText[FPos++];
      }
      return kString;
    }
    value = ch;
    ++FPos;
    return kSymbol;
  }

 private:
  void SkipBlanksAndComments() {
    while (FPos < FText.size()) {
      char16_t ch = FText[FPos];
      if (ch <= u' ') {
        ++FPos;
      } else if (ch == u'{') {
        size_t close = FText.find(u'}', FPos);
        FPos = close == std::u16string_view::npos ? FText.size() : close + 1;
      } else if (ch == u'(' && FPos + 1 < FText.size() && FText[FPos + 1] == u'*') {
        size_t close = FText.find(u"*)", FPos + 2);
        FPos = close == std::u16string_view::npos ? FText.size() : close + 2;
      } else if (ch == u'/' && FPos + 1 < FText.size() && FText[FPos + 1] == u'/') {
        size_t eol = FText.find_first_of(u"\r\n", FPos);
        FPos = eol == std::u16string_view::npos ? FText.size() : eol;
      } else {
        return;
      }
    }
  }

  std::u16string_view FText;
  size_t FPos = 0;
};

std::u16string DecodeXmlEntities(std::u16string_view text) {
  std::u16string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'&') {
      result += text[i];
      continue;
    }
    size_t semi = text.find(u';', i);
    if (semi == std::u16string_view::npos) {
      result += text[i];
      continue;
    }
    std::u16string_view name = text.substr(i + 1, semi - i - 1);
    if (name == u"amp")
      result += u'&';
    else if (name == u"lt")
      result += u'<';
    else if (name == u"gt")
      result += u'>';
    else if (name == u"quot")
      result += u'"';
    else if (name == u"apos")
      result += u'\'';
    else if (name.size() > 1 && name[0] == u'#') {
      int64_t code = 0;
      bool ok = name[1] == u'x' ? TryStrToInt(u"$" + std::u16string(name.substr(2)), code)
                                : TryStrToInt(name.substr(1), code);
      if (!ok || code <= 0 || code > 0xFFFF) {
        result += text.substr(i, semi - i + 1);
      } else {
        result += static_cast<char16_t>(code);
      }
    } else {
      result += text.substr(i, semi - i + 1);
    }
    i = semi;
  }
  return result;
}

std::u16string ExtractFolder(const std::u16string& path) {
  size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  return slash == 0 ? std::u16string(u"/") : path.substr(0, slash);
}

std::u16string ResolveWritten(TFileSystem& fs, const std::u16string& folder,
                              std::u16string_view written) {
  std::u16string path = MakeNativePath(folder, written);
  std::u16string found = FindFileIgnoringCase(fs, path);
  return found.empty() ? path : found;
}

}  // namespace

std::vector<std::u16string> ParseDprUnitPaths(std::u16string_view text) {
  std::vector<std::u16string> paths;
  TDprScanner scanner(text);
  std::u16string value;
  TDprScanner::TKind kind;
  while ((kind = scanner.Next(value)) != TDprScanner::kEnd)
    if (kind == TDprScanner::kIdent && SameText(value, u"uses")) break;
  if (kind == TDprScanner::kEnd) return paths;
  // Entries: Name [in 'path'], separated by commas, ended by ";".
  bool afterIn = false;
  while ((kind = scanner.Next(value)) != TDprScanner::kEnd) {
    if (kind == TDprScanner::kSymbol && value == u";") break;
    if (kind == TDprScanner::kIdent && SameText(value, u"in")) {
      afterIn = true;
    } else if (kind == TDprScanner::kString && afterIn) {
      paths.push_back(value);
      afterIn = false;
    } else {
      afterIn = false;
    }
  }
  return paths;
}

std::vector<std::u16string> ParseDprojReferences(std::u16string_view text,
                                                 std::u16string* mainSource) {
  std::vector<std::u16string> includes;
  size_t pos = 0;
  while ((pos = text.find(u"<DCCReference", pos)) != std::u16string_view::npos) {
    size_t end = text.find(u'>', pos);
    if (end == std::u16string_view::npos) break;
    std::u16string_view tag = text.substr(pos, end - pos);
    size_t attr = tag.find(u"Include");
    if (attr != std::u16string_view::npos) {
      size_t quote = tag.find_first_of(u"\"'", attr);
      if (quote != std::u16string_view::npos) {
        size_t close = tag.find(tag[quote], quote + 1);
        if (close != std::u16string_view::npos)
          includes.push_back(DecodeXmlEntities(tag.substr(quote + 1, close - quote - 1)));
      }
    }
    pos = end;
  }
  if (mainSource) {
    mainSource->clear();
    size_t open = text.find(u"<MainSource>");
    if (open != std::u16string_view::npos) {
      open += 12;
      size_t close = text.find(u"</MainSource>", open);
      if (close != std::u16string_view::npos)
        *mainSource = DecodeXmlEntities(Trim(text.substr(open, close - open)));
    }
  }
  return includes;
}

TProjectFile ReadProjectFile(TFileSystem& fs, const std::u16string& fileName) {
  TProjectFile project;
  project.FileName = fileName;
  const bool isDproj = EndsText(u".dproj", fileName);
  if (!isDproj && !EndsText(u".dpr", fileName))
    throw EProjectError("Project file \"" + Utf16ToUtf8(fileName) +
                        "\" is neither a .dpr nor a .dproj file.");
  std::string bytes;
  if (TFileStatus status = fs.Read(fileName, bytes); !status)
    throw EProjectError("Cannot read project file \"" + Utf16ToUtf8(fileName) + "\". " +
                        FileErrorText(status.Code()));
  const std::u16string text = DecodeProjectText(bytes, isDproj);
  const std::u16string folder = ExtractFolder(fileName);
  if (isDproj) {
    if (text.find(u"<Project") == std::u16string::npos)
      throw EProjectError("Project file \"" + Utf16ToUtf8(fileName) +
                          "\" is not an MSBuild project.");
    std::u16string mainSource;
    for (const std::u16string& include : ParseDprojReferences(text, &mainSource))
      project.Modules.push_back(ResolveWritten(fs, folder, include));
    if (!mainSource.empty()) project.MainSource = ResolveWritten(fs, folder, mainSource);
    TDprojSearchPath searchPath = ParseDprojSearchPath(text);
    project.SearchPath = std::move(searchPath.Entries);
    project.UnexpandedSearchPath = std::move(searchPath.Unexpanded);
  } else {
    project.MainSource = fileName;
    for (const std::u16string& path : ParseDprUnitPaths(text))
      project.Modules.push_back(ResolveWritten(fs, folder, path));
  }
  return project;
}

namespace {

/// One element of a .dproj as the search path reader needs it: its name,
/// its Condition attribute and its text, at its nesting depth.
struct TXmlElement {
  std::u16string Name;
  std::u16string Condition;
  std::u16string Text;
  int Depth = 0;       // 0: the root (Project)
  bool Opens = false;  // a start tag (true) or the end of an element (false)
};

/// The value of attribute `name` in the start tag `tag`, entities decoded.
std::u16string AttributeOf(std::u16string_view tag, std::u16string_view name) {
  for (size_t pos = tag.find(name); pos != std::u16string_view::npos;
       pos = tag.find(name, pos + 1)) {
    if (pos == 0 || tag[pos - 1] > u' ') continue;
    size_t eq = pos + name.size();
    while (eq < tag.size() && tag[eq] <= u' ') ++eq;
    if (eq >= tag.size() || tag[eq] != u'=') continue;
    const size_t quote = tag.find_first_of(u"\"'", eq);
    if (quote == std::u16string_view::npos) return {};
    const size_t close = tag.find(tag[quote], quote + 1);
    if (close == std::u16string_view::npos) return {};
    return DecodeXmlEntities(tag.substr(quote + 1, close - quote - 1));
  }
  return {};
}

/// The start and end tags of `text` in order, each start tag with the text
/// that follows it up to the next tag. Comments, processing instructions
/// and declarations are skipped.
std::vector<TXmlElement> ScanXml(std::u16string_view text) {
  std::vector<TXmlElement> elements;
  int depth = 0;
  size_t pos = 0;
  while ((pos = text.find(u'<', pos)) != std::u16string_view::npos) {
    auto skipTo = [&](std::u16string_view close) {
      const size_t end = text.find(close, pos);
      pos = end == std::u16string_view::npos ? text.size() : end + close.size();
    };
    if (text.substr(pos, 4) == u"<!--") {
      skipTo(u"-->");
      continue;
    }
    if (text.substr(pos, 2) == u"<?" || text.substr(pos, 2) == u"<!") {
      skipTo(u">");
      continue;
    }
    const size_t end = text.find(u'>', pos);
    if (end == std::u16string_view::npos) break;
    std::u16string_view tag = text.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    const bool closing = tag.starts_with(u"/");
    const bool empty = tag.ends_with(u"/");
    if (closing) tag.remove_prefix(1);
    if (empty) tag.remove_suffix(1);
    size_t nameEnd = 0;
    while (nameEnd < tag.size() && tag[nameEnd] > u' ') ++nameEnd;
    TXmlElement element;
    element.Name = tag.substr(0, nameEnd);
    if (closing) {
      depth = std::max(depth - 1, 0);
      element.Depth = depth;
      elements.push_back(std::move(element));
      continue;
    }
    element.Depth = depth;
    element.Opens = true;
    element.Condition = AttributeOf(tag.substr(nameEnd), u"Condition");
    const size_t next = text.find(u'<', pos);
    if (!empty)
      element.Text = DecodeXmlEntities(
          text.substr(pos, (next == std::u16string_view::npos ? text.size() : next) - pos));
    elements.push_back(std::move(element));
    if (empty) {
      elements.push_back({elements.back().Name, {}, {}, depth, false});
    } else {
      ++depth;
    }
  }
  return elements;
}

/// The MSBuild properties of one evaluation, names in any letter case.
class TMsBuildProperties {
 public:
  /// `named`: every property the file sets somewhere (upper-cased); a
  /// reference to one not set yet is empty, to any other stays as written.
  explicit TMsBuildProperties(std::vector<std::u16string> named) : FNamed(std::move(named)) {}

  void Set(const std::u16string& name, std::u16string value) {
    FValues[UpperCase(name)] = std::move(value);
  }

  std::u16string Expand(std::u16string_view text) const {
    std::u16string result;
    size_t pos = 0;
    while (true) {
      const size_t open = text.find(u"$(", pos);
      const size_t close = open == std::u16string_view::npos ? open : text.find(u')', open);
      if (close == std::u16string_view::npos) break;
      result += text.substr(pos, open - pos);
      const std::u16string name = UpperCase(Trim(text.substr(open + 2, close - open - 2)));
      if (auto found = FValues.find(name); found != FValues.end())
        result += found->second;
      else if (std::find(FNamed.begin(), FNamed.end(), name) == FNamed.end())
        result += text.substr(open, close - open + 1);
      pos = close + 1;
    }
    return result + std::u16string(text.substr(pos));
  }

  /// The condition `condition` (empty: true); what it cannot read is false.
  bool Holds(std::u16string_view condition) const {
    if (Trim(condition).empty()) return true;
    FCondition = condition;
    FPos = 0;
    FBroken = false;
    const bool value = Or();
    SkipBlanks();
    return value && !FBroken && FPos == FCondition.size();
  }

 private:
  void SkipBlanks() const {
    while (FPos < FCondition.size() && FCondition[FPos] <= u' ') ++FPos;
  }
  bool Word(std::u16string_view word) const {
    SkipBlanks();
    if (FCondition.size() - FPos < word.size() ||
        !SameText(FCondition.substr(FPos, word.size()), word))
      return false;
    const size_t after = FPos + word.size();
    if (after < FCondition.size() && IsIdentChar(FCondition[after]) && IsIdentChar(word.back()))
      return false;
    FPos = after;
    return true;
  }
  bool Or() const {
    bool value = And();
    while (Word(u"or")) value = And() || value;
    return value;
  }
  bool And() const {
    bool value = Atom();
    while (Word(u"and")) value = Atom() && value;
    return value;
  }
  bool Atom() const {
    if (Word(u"(")) {
      const bool value = Or();
      if (!Word(u")")) FBroken = true;
      return value;
    }
    const std::u16string left = Operand();
    const bool equal = Word(u"==");
    if (!equal && !Word(u"!=")) {
      FBroken = true;
      return false;
    }
    const std::u16string right = Operand();
    return SameText(Trim(left), Trim(right)) == equal;
  }
  std::u16string Operand() const {
    SkipBlanks();
    if (FPos < FCondition.size() && FCondition[FPos] == u'\'') {
      const size_t close = FCondition.find(u'\'', FPos + 1);
      if (close == std::u16string_view::npos) {
        FBroken = true;
        FPos = FCondition.size();
        return {};
      }
      const std::u16string value = Expand(FCondition.substr(FPos + 1, close - FPos - 1));
      FPos = close + 1;
      return value;
    }
    const size_t start = FPos;
    while (FPos < FCondition.size() && IsIdentChar(FCondition[FPos])) ++FPos;
    if (FPos == start) FBroken = true;
    return Expand(FCondition.substr(start, FPos - start));
  }

  std::vector<std::u16string> FNamed;
  std::unordered_map<std::u16string, std::u16string> FValues;
  mutable std::u16string_view FCondition;
  mutable size_t FPos = 0;
  mutable bool FBroken = false;
};

}  // namespace

TDprojSearchPath ParseDprojSearchPath(std::u16string_view text) {
  const std::vector<TXmlElement> elements = ScanXml(text);
  std::vector<std::u16string> named;
  for (const TXmlElement& element : elements)
    if (element.Opens && element.Depth == 2) named.push_back(UpperCase(element.Name));
  TMsBuildProperties properties(std::move(named));
  // Top-level PropertyGroups, in order; a group whose condition fails is skipped whole.
  bool groupHolds = false;
  for (const TXmlElement& element : elements) {
    if (!element.Opens) continue;
    if (element.Depth == 1)
      groupHolds = SameText(element.Name, u"PropertyGroup") && properties.Holds(element.Condition);
    else if (element.Depth == 2 && groupHolds && properties.Holds(element.Condition))
      properties.Set(element.Name, properties.Expand(Trim(element.Text)));
  }
  TDprojSearchPath path;
  const std::u16string value = properties.Expand(u"$(DCC_UnitSearchPath)");
  if (value == u"$(DCC_UnitSearchPath)") return path;
  size_t start = 0;
  while (start <= value.size()) {
    size_t semi = value.find(u';', start);
    if (semi == std::u16string::npos) semi = value.size();
    const std::u16string entry = Trim(std::u16string_view(value).substr(start, semi - start));
    start = semi + 1;
    if (entry.empty()) continue;
    std::vector<std::u16string>& list =
        entry.find(u"$(") != std::u16string::npos ? path.Unexpanded : path.Entries;
    if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
  }
  return path;
}

}  // namespace zan
