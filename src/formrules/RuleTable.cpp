#include "formrules/RuleTable.h"

#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

std::u16string JoinEventNames(std::u16string_view value, bool quoteEach) {
  std::u16string names;
  bool first = true;
  for (const std::u16string& line : SplitLines(UnwrapValue(value))) {
    if (!first) names += u';';
    first = false;
    names += quoteEach ? DequotedStr(Trim(line)) : UnwrapValue(line);
  }
  return names;
}

}  // namespace

bool TNameMatch::Matches(std::u16string_view name) const {
  switch (Kind) {
    case TMatchKind::Any:
      return true;
    case TMatchKind::Exact:
      if (!Single.empty()) return name == Single;
      for (std::u16string_view n : List)
        if (name == n) return true;
      return false;
    case TMatchKind::OneOf:
      if (!Single.empty()) return SameText(name, Single);
      return IsOneOf(name, List);
  }
  return false;
}

bool ApplyRuleSet(TZanFormParser& parser, const TRuleSet& table, std::u16string_view propName,
                  std::u16string_view propValue) {
  const std::u16string& typeName = parser.TypeName();
  for (const TRuleRow& row : table.Rows) {
    if (!row.Types.Matches(typeName) || !row.Props.Matches(propName)) continue;
    if (row.NonEmptyValue && propValue.empty()) continue;
    ApplyRuleRow(parser, table.Provider, row, propName, propValue);
    if (row.Action != TRuleAction::Provider && row.Outcome == TRuleOutcome::Consume) return true;
  }
  return false;
}

void ApplyRuleRow(TZanFormParser& parser, std::u16string_view provider, const TRuleRow& row,
                  std::u16string_view propName, std::u16string_view propValue) {
  const std::u16string_view target = row.Target.empty() ? propName : row.Target;
  switch (row.Action) {
    case TRuleAction::Provider:
      // Once per object, on its first property, so that it comes first. The
      // provider (and its fixed option) is no stored property's conversion:
      // an inherited or inline object has it from its ancestor already, and
      // repeating it would store a value that does not differ
      // (doc/inherited_objects.md).
      if (parser.PropCount() != 0 || parser.StoresDifferencesOnly()) return;
      parser.AddProperty(u"ProviderName", QuotedStr(provider));
      if (!row.Target.empty()) parser.AddSpecificOption(provider, row.Target, row.Value, u"");
      return;
    case TRuleAction::Option:
      parser.AddSpecificOption(provider, target, UnwrapValue(propValue), row.Value);
      return;
    case TRuleAction::OptionFlag:
      parser.AddSpecificOption(provider, target,
                               UnwrapValue(propValue) == row.Value ? u"True" : u"False", u"");
      return;
    case TRuleAction::Drop:
      return;
    case TRuleAction::Rename:
      parser.AddProperty(target, propValue);
      return;
    case TRuleAction::RenameUnwrapped:
      parser.AddProperty(target, UnwrapValue(propValue));
      return;
    case TRuleAction::RenameAsList:
      parser.AddProperty(target, u"(" + std::u16string(propValue) + u")");
      return;
    case TRuleAction::MapValue:
      for (const TValuePair& pair : row.Map)
        if (propValue == pair.From) {
          parser.AddProperty(target, pair.To);
          return;
        }
      return;
    case TRuleAction::NegateBoolean:
      parser.AddProperty(
          target, ReadBooleanValue(propValue, parser.ObjectName(), propName) ? u"False" : u"True");
      return;
    case TRuleAction::NumericType: {
      const std::u16string kind = LowerCase(propValue);
      const char16_t* bcd = nullptr;
      const char16_t* fmtBcd = nullptr;
      if (kind == u"ntfloat") {
        bcd = u"False", fmtBcd = u"False";
      } else if (kind == u"ntbcd") {
        bcd = u"True", fmtBcd = u"False";
      } else if (kind == u"ntfmtbcd") {
        bcd = u"False", fmtBcd = u"True";
      } else {
        return;
      }
      parser.AddProperty(u"Options.EnableBCD", bcd);
      parser.AddProperty(u"Options.EnableFMTBCD", fmtBcd);
      return;
    }
    case TRuleAction::EventNamesQuoted:
      parser.AddProperty(target, QuotedStr(JoinEventNames(propValue, true)));
      return;
    case TRuleAction::EventNamesUnwrapped:
      parser.AddProperty(target, u"'" + JoinEventNames(propValue, false) + u"'");
      return;
    case TRuleAction::Custom:
      row.Handler(parser, propName, propValue);
      return;
  }
}

}  // namespace zan
