#include "engine/rewrite/FormContent.h"

#include <cctype>
#include <string>

#include "rtl/dfm/ResourceHeader.h"

namespace zan {

namespace {

/// The first characters of `bytes` as 8-bit text: UTF-16LE (with its mark)
/// by its low bytes, a UTF-8 mark skipped.
std::string LeadingText(std::string_view bytes, size_t count) {
  std::string text;
  if (bytes.starts_with("\xFF\xFE")) {
    for (size_t i = 2; i + 1 < bytes.size() && text.size() < count; i += 2)
      text += bytes[i + 1] == 0 ? bytes[i] : '\x01';
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes.substr(0, count));
}

}  // namespace

bool IsFormContent(std::string_view bytes) {
  if (IsBinaryFormData(bytes)) return true;
  const std::string text = LeadingText(bytes, 256);
  size_t start = 0;
  while (start < text.size() &&
         (text[start] == ' ' || text[start] == '\t' || text[start] == '\r' || text[start] == '\n'))
    ++start;
  size_t end = start;
  std::string word;
  while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[end++])));
  const bool delimited = end < text.size() && (text[end] == ' ' || text[end] == '\t');
  return delimited && (word == "object" || word == "inherited" || word == "inline");
}

}  // namespace zan
