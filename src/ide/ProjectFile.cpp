#include "ide/ProjectFile.h"

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
  } else {
    project.MainSource = fileName;
    for (const std::u16string& path : ParseDprUnitPaths(text))
      project.Modules.push_back(ResolveWritten(fs, folder, path));
  }
  return project;
}

}  // namespace zan
