#include "engine/rewrite/ResourceDirective.h"

#include "ide/FileCase.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

bool IsDirectiveBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

bool IsAsciiLetter(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
}

/// The first file name of the directive whose arguments start at `pos`: the
/// text between quotes, or everything up to a blank or the closing brace.
std::optional<std::u16string_view> FirstFileName(std::u16string_view comment, size_t pos) {
  while (pos < comment.size() && IsDirectiveBlank(comment[pos])) ++pos;
  if (pos < comment.size() && comment[pos] == u'\'') {
    const size_t close = comment.find(u'\'', pos + 1);
    if (close == std::u16string_view::npos) return std::nullopt;
    return comment.substr(pos + 1, close - pos - 1);
  }
  size_t end = pos;
  while (end < comment.size() && !IsDirectiveBlank(comment[end]) && comment[end] != u'}') ++end;
  return comment.substr(pos, end - pos);
}

/// Where the arguments of the resource directive `comment` start (at the
/// blank after its name); nothing when `comment` is no resource directive.
std::optional<size_t> ResourceArguments(std::u16string_view comment) {
  if (!comment.starts_with(u"{$")) return std::nullopt;
  size_t pos = 2;
  while (pos < comment.size() && IsAsciiLetter(comment[pos])) ++pos;
  const std::u16string word = AnsiUpperCase(comment.substr(2, pos - 2));
  // "{$R-}" and "{$R+}" are the range-check switch: a name follows a blank.
  if ((word != u"R" && word != u"RESOURCE") || pos >= comment.size() ||
      !IsDirectiveBlank(comment[pos]))
    return std::nullopt;
  return pos;
}

}  // namespace

bool IsResourceDirective(std::u16string_view comment) {
  return ResourceArguments(comment).has_value();
}

std::optional<TResourceName> FormNamedByDirective(std::u16string_view comment) {
  const std::optional<size_t> arguments = ResourceArguments(comment);
  if (!arguments) return std::nullopt;
  const std::optional<std::u16string_view> name = FirstFileName(comment, *arguments);
  if (!name) return std::nullopt;
  const size_t dot = name->rfind(u'.');
  const size_t folderEnd = name->find_last_of(u"\\/");
  if (dot == std::u16string_view::npos ||
      (folderEnd != std::u16string_view::npos && dot < folderEnd))
    return std::nullopt;
  const std::u16string_view ext = name->substr(dot);
  const std::u16string upperExt = AnsiUpperCase(ext);
  if (upperExt != u".DFM" && upperExt != u".NFM") return std::nullopt;
  const std::u16string_view base = name->substr(0, dot);
  if (base == u"*") return TResourceName{u"*", upperExt};
  // The compiler expands "*" alone; any other wildcard names no file, and
  // neither does a folder without a name in it ("sub\.dfm").
  if (base.empty() || base.find(u'*') != std::u16string_view::npos || base.back() == u'\\' ||
      base.back() == u'/')
    return std::nullopt;
  return TResourceName{std::u16string(base), std::u16string(ext)};
}

std::u16string ResourceCandidate(const std::u16string& unitFile, const TResourceName& name) {
  if (name.IsOwnForm()) return ChangeFileExt(unitFile, name.Ext);
  return MakeNativePath(ExtractFileDir(unitFile), name.Name + name.Ext);
}

}  // namespace zan
