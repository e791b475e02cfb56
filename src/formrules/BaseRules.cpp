// The base rules: the database engine's components (TDatabase, TQuery,
// TStoredProc and the InfoPower data sets) and the property filter by which
// the target class decides what survives. They end the conversion chain.
#include "formrules/RuleUtils.h"
#include "formrules/ZanFormParser.h"

namespace zan {

namespace {

constexpr std::u16string_view kParamDataOwners[] = {u"TQuery", u"TStoredProc", u"TwwQuery",
                                                    u"TwwStoredProc"};
// TwwQuery descends from TQuery: its master source must not be lost.
constexpr std::u16string_view kMasterSourceQueries[] = {u"TQuery", u"TwwQuery"};

bool IsExactlyOneOf(std::u16string_view s, TNameList names) {
  for (std::u16string_view name : names)
    if (s == name) return true;
  return false;
}

}  // namespace

bool TZanFormParser::HasPublishedProperty(const TRegisteredClass& Cls,
                                          std::u16string_view PropName) {
  return Cls.HasPublishedProperty(PropName.substr(0, PropName.find(u'.')));
}

void TZanFormParser::ConvertPropertyBase(std::u16string_view PropName,
                                         std::u16string_view PropValue) {
  const std::u16string& typeName = TypeName();

  if (PropName == u"DatabaseName") {
    // B1: dropped on a database: it names itself, and the target connection has
    // no such property.
    if (typeName == u"TDatabase") return;
    // B2: any other object names the database component through its alias: it
    // becomes "Connection" when a TDatabase of the run declares that name (DBList).
    std::u16string connection;
    if (OnGetPropertyValue() && PropValue.size() >= 2)
      connection = OnGetPropertyValue()(u"DatabaseName",
                                        std::u16string(PropValue.substr(1, PropValue.size() - 2)));
    if (!connection.empty()) AddProperty(u"Connection", connection);
    return;
  }

  // B3: the user name, password and server of the database's parameter list
  // become properties; the list itself is dropped.
  if (PropName == u"Params.Strings" && typeName == u"TDatabase") {
    const TStringList params = ReadParamList(PropValue);
    static constexpr std::pair<std::u16string_view, std::u16string_view> kParams[] = {
        {u"USER NAME", u"Username"}, {u"PASSWORD", u"Password"}, {u"SERVER NAME", u"Server"}};
    for (const auto& [param, target] : kParams) {
      const int index = params.IndexOfName(param);
      if (index < 0) continue;
      const std::u16string value = params.ValueFromIndex(index);
      if (!value.empty()) AddProperty(target, FormQuoted(value));
    }
    return;
  }

  // B4: a query's master "DataSource" becomes "MasterSource".
  if (PropName == u"DataSource" && IsExactlyOneOf(typeName, kMasterSourceQueries)) {
    AddProperty(u"MasterSource", PropValue);
    return;
  }

  // B5: "ParamData" is kept: the target streams it without publishing it, so
  // B7 would drop it.
  if (PropName == u"ParamData" && IsExactlyOneOf(typeName, kParamDataOwners)) {
    AddProperty(u"ParamData", PropValue);
    return;
  }

  // B6: dropped: index definitions belong to the engine's tables.
  if (PropName == u"IndexDefs") return;

  // B7: the target class is the arbiter (an unknown class keeps everything); the
  // designer position always stays.
  const TRegisteredClass* cls = ClassRegistry().FindClass(NewClassName());
  if (!cls || HasPublishedProperty(*cls, PropName) || PropName == u"Left" || PropName == u"Top")
    AddProperty(PropName, PropValue);
}

}  // namespace zan
