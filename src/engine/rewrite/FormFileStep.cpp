#include "engine/rewrite/FormFileStep.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "engine/catalogue/Replacer.h"
#include "engine/rules/UserRules.h"
#include "rtl/StringList.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

bool IsWordChar(unsigned char ch) {
  return ch == '_' || ch >= 0x80 || (ch >= '0' && ch <= '9') ||
         ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'z');
}

bool IsHeaderBlank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

/// `bytes` as 8-bit text: UTF-16LE (with its mark) by its low bytes.
std::string EightBitText(std::string_view bytes) {
  if (!bytes.starts_with("\xFF\xFE")) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] == 0 ? bytes[i] : '\x01';
  return text;
}

}  // namespace

std::optional<TFoundObject> FindSourceClassObject(const TFormLookup& lookup,
                                                  std::string_view bytes) {
  const std::string text = EightBitText(bytes);
  auto word = [&](size_t& i) {
    const size_t start = i;
    while (i < text.size() && IsWordChar(static_cast<unsigned char>(text[i]))) ++i;
    return std::string_view(text).substr(start, i - start);
  };
  auto skipBlanks = [&](size_t& i) {
    while (i < text.size() && IsHeaderBlank(text[i])) ++i;
  };
  for (size_t i = 0; i < text.size();) {
    const char ch = text[i];
    if (ch == '\'') {
      // A string ends at its closing quote or its line.
      for (++i; i < text.size() && text[i] != '\'' && text[i] != '\n'; ++i) {
      }
      if (i < text.size() && text[i] == '\'') ++i;
      continue;
    }
    if (!IsWordChar(static_cast<unsigned char>(ch))) {
      ++i;
      continue;
    }
    const size_t start = i;
    std::string keyword(word(i));
    for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (keyword != "object" && keyword != "inherited" && keyword != "inline") continue;
    size_t j = i;
    skipBlanks(j);
    std::string_view name = word(j), className;
    size_t k = j;
    skipBlanks(k);
    if (k < text.size() && text[k] == ':') {
      ++k;
      skipBlanks(k);
      className = word(k);
    } else {
      className = std::exchange(name, {});
    }
    if (className.empty()) continue;
    const std::u16string found(className.begin(), className.end());
    if (lookup.FindNewClassName(found)) {
      const auto line =
          std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(start), '\n');
      return TFoundObject{std::u16string(name.begin(), name.end()), found,
                          static_cast<int>(line) + 1};
    }
  }
  return std::nullopt;
}

const std::u16string* TFormLookup::FindNewClassName(std::u16string_view name) const {
  const std::u16string* target = FReplacer.FindNewClassName(name);
  if (!target && FUserRules) target = FUserRules->FindTarget(name);
  return target;
}

std::u16string TFormLookup::GetPropertyValue(const std::u16string& propName,
                                             const std::u16string& oldPropValue) const {
  Assert(propName == u"DatabaseName", "MigWizard\\Replacer");
  return FDatabaseNames.Values(oldPropValue);
}

void TFormFileStep::Prepare(const TRunContext&) {}

TFormFileStep::TResult TFormFileStep::ProcessFormFile(const TFormLookup&, const std::u16string&,
                                                      const std::string&, TRunReport*) {
  return {};
}

std::unique_ptr<TFormFileStep> TFormFileStep::CloneForLane() const {
  return nullptr;
}

void TFormFileStep::CollectDatabaseNames(TStringList&, const std::u16string&, const std::string&) {}

}  // namespace zan
