#include "formrules/ZanFormParser.h"

#include "formrules/RuleGroups.h"
#include "formrules/RuleUtils.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

using TRuleGroup = bool (*)(TZanFormParser&, std::u16string_view, std::u16string_view);

/// The conversion chain, in order. A group returns true when it consumed
/// the property; the base rules end the chain.
constexpr TRuleGroup kChain[] = {
    ConvertInterBaseProvider,  // 0: IBX and FIBPlus databases: "ProviderName" first
    ConvertDatabaseName,       // 1: "DatabaseName" of every class (X1, else B1/B2)
    ConvertInterBaseParams,    // 2: IBX and FIBPlus login, charset and role (continue)
    ConvertIbxRenames,         // 3: IBX links, transaction, statements, master (X2-X7, X9)
    ConvertIndexFieldNames,    // 4: "IndexFieldNames" becomes "DetailFields" (X8)
    ConvertAdo,                // 5: ADO renames (A1-A4)
    ConvertFenmark,            // 6: Fenmark: "SQL Server" options or dropped (S1-S15)
    ConvertKyrel,              // 7: Kyrel: "Oracle" options, session links (O1-O18)
    ConvertTrindle,            // 8: Trindle: "InterBase" options, alerter (I1-I10)
    ConvertSarvo,              // 9: Sarvo: "MySQL" options or dropped (R1-R12)
    ConvertElvast,             // 10: Elvast: "PostgreSQL" options or dropped (P1-P9)
    ConvertFireDac,            // 11: FireDAC and AnyDAC (mostly continue)
    ConvertFibPlus,            // 12: FIBPlus components (F1-F25)
    ConvertConditions,         // 13: "Conditions" of every class becomes "Macros"
};

/// False when the file has no such section (or no file is given).
bool AppendIniSection(TStringList& params, TFileSystem* fs, int codePage,
                      const std::u16string& fileName, const std::u16string& section) {
  if (fileName.empty() || !fs) return false;
  try {
    TIniFile ini(fileName, *fs, codePage);
    TStringList keys;
    ini.ReadSection(section, keys);
    for (int i = 0; i < keys.Count(); ++i)
      params.Add(keys[i] + u"=" + ini.ReadString(section, keys[i], u""));
    return keys.Count() > 0;
  } catch (const EFileError&) {
    // An unreadable file behaves as an empty one.
    return false;
  }
}

}  // namespace

TZanFormParser::TZanFormParser(TParseStateClass ParseStateClass)
    : TFormParser(ParseStateClass), FClassRegistry(&TClassRegistry::Global()) {}

void TZanFormParser::SetClassRegistry(const TClassRegistry* Registry) {
  FClassRegistry = Registry ? Registry : &TClassRegistry::Global();
}

void TZanFormParser::ConvertProperty(const std::u16string& PropName,
                                     const std::u16string& PropValue) {
  FTypeName = FormState().TypeName();
  FDroppedParts.erase(FormState().CurPos());
  const int changes = FChanges;
  const int entries = PropsCount();
  const int options = IndexOfProp(u"SpecificOptions.Strings");
  const int optionLines = options < 0 ? 0 : TFormParser::PropValue(options).Count();
  bool consumed = false;
  bool libraryRules = true;
  if (FUserRules) {
    // 0: the user's property rules; a user-paired class is seen as the
    // class whose rules it takes.
    if (const TUserClassPair* pair = ObjectUserRules().Pair) {
      libraryRules = !pair->RulesOf.empty();
      if (libraryRules) FTypeName = pair->RulesOf;
    }
    consumed = ConvertUserProperty(PropName, PropValue);
  }
  if (libraryRules && !consumed)
    for (TRuleGroup group : kChain)
      if ((consumed = group(*this, PropName, PropValue))) break;
  if (!consumed) ConvertPropertyBase(PropName, PropValue);  // 14: base rules B1-B7
  if (FChanges == changes) FDropped[FormState().CurPos()] = PropName;
  TPropertyTrace trace{PropName, PropValue, {}};
  auto joined = [](const TStringList& lines, int from, int to) {
    std::u16string text;
    for (int i = from; i < to; ++i) text += (i > from ? u"\r\n" : u"") + lines[i];
    return text;
  };
  // Option lines go before the ")" of an entry an earlier property made.
  if (options >= 0) {
    const TStringList& lines = TFormParser::PropValue(options);
    if (lines.Count() > optionLines)
      trace.Outputs.emplace_back(TFormParser::PropName(options),
                                 joined(lines, optionLines - 1, lines.Count() - 1));
  }
  for (int i = entries; i < PropsCount(); ++i) {
    const TStringList& lines = TFormParser::PropValue(i);
    trace.Outputs.emplace_back(TFormParser::PropName(i), joined(lines, 0, lines.Count()));
  }
  FTraces[FormState().CurPos()] = std::move(trace);
}

std::vector<TZanFormParser::TPropertyTrace> TZanFormParser::PropertyTraces() const {
  std::vector<TPropertyTrace> traces;
  for (const auto& [pos, trace] : FTraces) {
    traces.push_back(trace);
    if (const auto parts = FDroppedParts.find(pos); parts != FDroppedParts.end())
      for (const auto& [name, value] : parts->second) traces.push_back({name, value, {}});
  }
  return traces;
}

void TZanFormParser::AddDroppedPart(std::u16string_view Name, std::u16string_view Value) {
  FDroppedParts[FormState().CurPos()].emplace_back(Name, Value);
}

void TZanFormParser::AddDisconnected(std::u16string_view Property, std::u16string_view Action) {
  FDisconnected.push_back({std::u16string(Property), std::u16string(Action)});
}

void TZanFormParser::RenameOutput(int Index, std::u16string_view Name) {
  const std::u16string old = TFormParser::PropName(Index);
  SetPropName(Index, Name);
  for (auto& [pos, trace] : FTraces)
    for (auto& output : trace.Outputs)
      if (output.first == old) output.first = Name;
}

void TZanFormParser::AddOutputFor(std::u16string_view FromProperty, std::u16string_view Name,
                                  std::u16string_view Value) {
  if (Value.empty()) return;
  TFormParser::AddProperty(Name, Value);
  ++FChanges;
  for (auto& [pos, trace] : FTraces)
    if (SameText(trace.Name, FromProperty)) {
      trace.Outputs.emplace_back(Name, Value);
      FDropped.erase(pos);
      return;
    }
}

std::u16string TZanFormParser::StoredValue(std::u16string_view Name) const {
  for (const auto& [pos, trace] : FTraces)
    if (SameText(trace.Name, Name)) return trace.Value;
  return {};
}

void TZanFormParser::ReplaceOutputValue(int Index, std::u16string_view Value) {
  const std::u16string& name = TFormParser::PropName(Index);
  SetPropValue(Index, Value);
  for (auto& [pos, trace] : FTraces)
    for (auto& output : trace.Outputs)
      if (output.first == name) output.second = Value;
}

std::vector<std::u16string> TZanFormParser::MissingConnectionDefs() const {
  std::vector<std::u16string> names;
  for (const auto& [pos, name] : FMissingConnectionDefs) names.push_back(name);
  return names;
}

bool TZanFormParser::StoresDifferencesOnly() const {
  const std::u16string keyword = FormState().ObjKeyWord();
  return SameText(keyword, u"inherited") || SameText(keyword, u"inline");
}

std::vector<std::u16string> TZanFormParser::DroppedProperties() const {
  std::vector<std::u16string> names;
  for (const auto& [pos, trace] : FTraces) {
    if (const auto it = FDropped.find(pos); it != FDropped.end()) names.push_back(it->second);
    if (const auto parts = FDroppedParts.find(pos); parts != FDroppedParts.end())
      for (const auto& part : parts->second) names.push_back(part.first);
  }
  return names;
}

void TZanFormParser::ForgetObject() {
  FDropped.clear();
  FTraces.clear();
  FMissingConnectionDefs.clear();
  FDroppedParts.clear();
  FDisconnected.clear();
  FObjectRules = {};
  FUserRuleHits.clear();
  FSetHits.clear();
}

void TZanFormParser::DoBeforeParse() {
  TFormParser::DoBeforeParse();
  ForgetObject();
}

void TZanFormParser::DoAfterParse(bool& Result) {
  TFormParser::DoAfterParse(Result);
  if (!Result) {
    ForgetObject();
    return;
  }
  FTypeName = RulesTypeName();
  FinishConvertedObject(*this);
  if (FUserRules) ApplyUserSets();
}

std::u16string TZanFormParser::RulesTypeName() {
  if (FUserRules)
    if (const TUserClassPair* pair = ObjectUserRules().Pair; pair && !pair->RulesOf.empty())
      return pair->RulesOf;
  return FormState().TypeName();
}

void TZanFormParser::AddProperty(std::u16string_view Name, std::u16string_view Value) {
  if (Value.empty()) return;
  TFormParser::AddProperty(Name, Value);
  ++FChanges;
}

void TZanFormParser::AddSpecificOption(std::u16string_view Provider, std::u16string_view OptionName,
                                       std::u16string_view Value, std::u16string_view Prefix) {
  std::u16string_view option = OptionName;
  if (option.starts_with(u"Options.")) option.remove_prefix(8);
  if (option.starts_with(u"SSLOptions.")) option.remove_prefix(11);
  std::u16string line = u"'";
  line.append(Provider).append(u".").append(Prefix).append(option);
  line.append(u"=").append(Value).append(u"'");

  ++FChanges;
  constexpr std::u16string_view kEntry = u"SpecificOptions.Strings";
  const int index = IndexOfProp(kEntry);
  if (index < 0) {
    TFormParser::AddProperty(kEntry, u"(\r\n" + line + u"\r\n)");
  } else {
    InsertPropLine(index, PropValue(index).Count() - 1, line);
  }
}

std::u16string TZanFormParser::GetAddedPropValue(std::u16string_view Name) const {
  const int index = IndexOfProp(Name);
  if (index < 0) return {};
  const TStringList& lines = PropValue(index);
  std::u16string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += u"\r\n";
    text += lines[i];
  }
  if (text.empty() || text[0] != u'\'') return text;
  // The quoted text up to its closing quote, a doubled quote read as one.
  std::u16string result;
  for (size_t k = 1; k < text.size(); ++k) {
    if (text[k] == u'\'') {
      if (k + 1 < text.size() && text[k + 1] == u'\'') {
        result += u'\'';
        ++k;
        continue;
      }
      break;
    }
    result += text[k];
  }
  return result;
}

void TZanFormParser::LoadConnectionDef(TStringList& Params) const {
  const std::u16string definition = ParamValue(Params, u"CONNECTIONDEF");
  Params.Clear();
  if (!AppendIniSection(Params, FFileSystem, FCodePage, ConnectionDefFileName(), definition))
    FMissingConnectionDefs[FormState().CurPos()] = definition;
  AppendIniSection(Params, FFileSystem, FCodePage, DriverConfFileName(), definition);
}

}  // namespace zan
