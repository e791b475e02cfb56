#include "engine/report/ReportProperties.h"

#include <unordered_set>

#include "rtl/Strings.h"

namespace zan {

namespace {

/// `value` with CRLF and CR line breaks as LF, so that a report reads the
/// same for forms of either line ending.
std::u16string WithLf(std::u16string_view value) {
  std::u16string text;
  text.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'\r') {
      text += u'\n';
      if (i + 1 < value.size() && value[i + 1] == u'\n') ++i;
    } else {
      text += value[i];
    }
  }
  return text;
}

}  // namespace

void DescribeConvertedProperties(const TZanFormParser& parser,
                                 TRunReport::TFormObjectEntry& entry) {
  std::unordered_set<std::u16string> oldNames;
  for (const TZanFormParser::TPropertyTrace& trace : parser.PropertyTraces()) {
    oldNames.insert(LowerCase(trace.Name));
    TRunReport::TProperty old{trace.Name, WithLf(trace.Value)};
    if (trace.Outputs.empty()) {
      entry.DroppedValues.push_back(std::move(old));
      continue;
    }
    std::vector<TRunReport::TProperty> made;
    for (const auto& [name, value] : trace.Outputs) {
      if (SameText(name, u"MasterSource")) entry.HasMasterLink = true;
      made.push_back({name, WithLf(value)});
    }
    // A property carried over as it was is neither renamed nor translated.
    if (made.size() == 1 && made[0].Name == old.Name && made[0].Value == old.Value) continue;
    entry.Renamed.push_back({std::move(old), std::move(made)});
  }
  for (int i = 0; i < parser.PropsCount(); ++i) {
    if (oldNames.contains(LowerCase(parser.PropName(i)))) continue;
    const TStringList& lines = parser.PropValue(i);
    std::u16string value;
    for (int k = 0; k < lines.Count(); ++k) value += (k > 0 ? u"\n" : u"") + lines[k];
    entry.Added.push_back({parser.PropName(i), value});
  }
}

}  // namespace zan
