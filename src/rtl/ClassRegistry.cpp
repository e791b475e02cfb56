#include "rtl/ClassRegistry.h"

#include <string>

#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

using Names = std::span<const std::u16string_view>;

// ---------------------------------------------------------------------------
// The target library's classes and their published properties.
//
// Groups shared by several classes come first; each class below lists the
// groups it inherits and then its own properties. The properties that the
// conversion rules give a class are named first in its own list, so that the
// table can be checked against the rule tables.
// ---------------------------------------------------------------------------

// TComponent. (Left and Top are designer positions, not properties; the
// conversion keeps them itself.)
constexpr std::u16string_view kComponent[] = {u"Name", u"Tag"};

// TCustomConnection, as its descendants publish it.
constexpr std::u16string_view kCustomConnection[] = {
    u"Connected",     u"LoginPrompt",      u"AfterConnect", u"AfterDisconnect",
    u"BeforeConnect", u"BeforeDisconnect", u"OnLogin",
};

// TDataSet, as its descendants publish it, with all its events.
constexpr std::u16string_view kDataSet[] = {
    u"Active",        u"AutoCalcFields", u"Constraints",    u"Filter",       u"Filtered",
    u"FilterOptions", u"BeforeOpen",     u"AfterOpen",      u"BeforeClose",  u"AfterClose",
    u"BeforeInsert",  u"AfterInsert",    u"BeforeEdit",     u"AfterEdit",    u"BeforePost",
    u"AfterPost",     u"BeforeCancel",   u"AfterCancel",    u"BeforeDelete", u"AfterDelete",
    u"BeforeScroll",  u"AfterScroll",    u"BeforeRefresh",  u"AfterRefresh", u"OnCalcFields",
    u"OnDeleteError", u"OnEditError",    u"OnFilterRecord", u"OnNewRecord",  u"OnPostError",
};

// What every data set of the target library adds: connection and
// transactions, provider options, master/detail, updating, fetching, and the
// events around execution, fetching and updates.
constexpr std::u16string_view kZanDataSet[] = {
    // given by the conversion rules
    u"Connection", u"MasterSource", u"DetailFields", u"KeyFields", u"Options", u"SpecificOptions",
    u"Unidirectional", u"DMLRefresh", u"Macros",
    // the rest of what such a data set publishes
    u"Transaction", u"UpdateTransaction", u"UpdateObject", u"MasterFields", u"IndexFieldNames",
    u"CachedUpdates", u"ReadOnly", u"FilterSQL", u"FetchRows", u"LockMode", u"RefreshOptions",
    u"Debug", u"Params", u"ParamCheck", u"LocalUpdate", u"SmartFetch", u"Encryption",
    u"BeforeExecute", u"AfterExecute", u"BeforeUpdateExecute", u"AfterUpdateExecute",
    u"BeforeFetch", u"AfterFetch", u"OnUpdateError", u"OnUpdateRecord"};

// The SQL texts of a data set that generates its own update statements.
constexpr std::u16string_view kZanSQLTexts[] = {
    u"SQL", u"SQLInsert", u"SQLUpdate", u"SQLDelete", u"SQLRefresh", u"SQLLock", u"SQLRecCount"};

// Streamed by the class itself (the host's DefineProperties; every data set
// of the library inherits them), not published: the property filter does not
// keep them, the rules write them.
constexpr std::u16string_view kParamAndMacroData[] = {u"ParamData", u"MacroData"};
constexpr std::u16string_view kMacroData[] = {u"MacroData"};

constexpr std::u16string_view kZanConnection[] = {
    // given by the conversion rules
    u"ProviderName", u"Server", u"Port", u"Database", u"Username", u"Password", u"SpecificOptions",
    u"Options", u"Pooling", u"PoolingOptions", u"ConnectionTimeout", u"KeepDesignConnected",
    // the rest of what such a connection publishes
    u"ConnectDialog", u"ConnectString", u"DefaultTransaction", u"IOHandler", u"Debug", u"OnError",
    u"OnConnectionLost"};

constexpr std::u16string_view kZanTransaction[] = {
    // given by the conversion rules
    u"DefaultCloseAction", u"IsolationLevel", u"Connection", u"SpecificOptions",
    // the rest
    u"DefaultConnection", u"ReadOnly", u"OnStart", u"OnCommit", u"OnRollback", u"OnCommitRetaining",
    u"OnRollbackRetaining", u"OnError"};

constexpr std::u16string_view kZanQuery[] = {u"UpdatingTable"};

constexpr std::u16string_view kZanTable[] = {u"TableName", u"OrderFields"};

constexpr std::u16string_view kZanStoredProc[] = {u"StoredProcName"};

constexpr std::u16string_view kZanUpdateSQL[] = {
    u"InsertSQL",    u"ModifySQL",    u"DeleteSQL",     u"RefreshSQL", u"LockSQL", u"InsertObject",
    u"ModifyObject", u"DeleteObject", u"RefreshObject", u"LockObject", u"DataSet"};

constexpr std::u16string_view kZanSQL[] = {
    // given by the conversion rules
    u"Connection", u"SQL", u"SpecificOptions", u"Unidirectional",
    // the rest
    u"Macros", u"Transaction", u"Params", u"ParamCheck", u"Debug", u"BeforeExecute",
    u"AfterExecute"};

constexpr std::u16string_view kZanScript[] = {
    // given by the conversion rules
    u"SQL", u"Delimiter", u"SpecificOptions",
    // the rest
    u"Connection", u"Transaction", u"DataSet", u"Macros", u"Debug", u"NoPreconnect",
    u"BeforeExecute", u"AfterExecute", u"OnError"};

constexpr std::u16string_view kZanMetaData[] = {
    // given by the conversion rules
    u"MetaDataKind", u"Connection",
    // the rest
    u"Transaction", u"Restrictions", u"Debug"};

constexpr std::u16string_view kZanAlerter[] = {
    // given by the conversion rules ("Name" comes from TComponent)
    u"Events", u"AutoRegister",
    // the rest
    u"Active", u"Connection", u"Transaction", u"Interval", u"OnEvent", u"OnError"};

constexpr std::u16string_view kZanLoader[] = {
    // given by the conversion rules
    u"Connection", u"SpecificOptions",
    // the rest
    u"TableName", u"Columns", u"Transaction", u"Debug", u"OnPutData", u"OnGetColumnData",
    u"OnProgress"};

constexpr std::u16string_view kZanDump[] = {
    // given by the conversion rules
    u"SpecificOptions",
    // the rest
    u"Connection", u"TableNames", u"SQL", u"Options", u"Mode", u"Debug", u"OnBackupProgress",
    u"OnRestoreProgress", u"OnError"};

constexpr std::u16string_view kZanDataSource[] = {
    u"AutoEdit", u"DataSet", u"Enabled", u"OnDataChange", u"OnStateChange", u"OnUpdateData"};

constexpr std::u16string_view kZanSQLMonitor[] = {
    // given by the conversion rules
    u"Connection",
    // the rest
    u"Active", u"Options", u"DBMonitorOptions", u"TraceFlags", u"OnSQL"};

constexpr std::u16string_view kZanConnectDialog[] = {
    // given by the conversion rules
    u"UseServerHistory", u"SpecificOptions",
    // the rest
    u"Caption", u"ConnectButton", u"CancelButton", u"DialogClass", u"LabelSet", u"Retries",
    u"SavePassword", u"StoreLogInfo", u"UsernameLabel", u"PasswordLabel", u"ServerLabel",
    u"PortLabel", u"DatabaseLabel", u"ProviderLabel", u"Connection"};

constexpr std::u16string_view kZanEncryptor[] = {
    u"DataHeader", u"EncryptionAlgorithm", u"HashAlgorithm", u"InvalidHashAction", u"Password"};

constexpr std::u16string_view kLxBatchMove[] = {
    // given by the conversion rules
    u"Mode", u"AbortOnProblem",
    // the rest
    u"AbortOnKeyViol", u"CommitCount", u"Destination", u"Source", u"Mappings", u"FieldMappingMode",
    u"RecordCount", u"OnBatchMoveProgress"};

constexpr std::u16string_view kZanDataAdapter[] = {
    u"SelectCommand",         u"InsertCommand",        u"UpdateCommand",
    u"DeleteCommand",         u"TableMappings",        u"AcceptChangesDuringFill",
    u"ContinueUpdateOnError", u"MissingMappingAction", u"MissingSchemaAction"};

// The standard field classes of the DB unit, which the persistent fields of
// IBX and FIBPlus data sets become. TField as its descendants publish it;
// "Calculated" and "Lookup" it streams itself.
constexpr std::u16string_view kField[] = {u"Alignment",
                                          u"AutoGenerateValue",
                                          u"ConstraintErrorMessage",
                                          u"CustomConstraint",
                                          u"DefaultExpression",
                                          u"DisplayLabel",
                                          u"DisplayWidth",
                                          u"FieldKind",
                                          u"FieldName",
                                          u"HasConstraints",
                                          u"ImportedConstraint",
                                          u"KeyFields",
                                          u"LookupCache",
                                          u"LookupDataSet",
                                          u"LookupKeyFields",
                                          u"LookupResultField",
                                          u"Origin",
                                          u"ProviderFlags",
                                          u"ReadOnly",
                                          u"Required",
                                          u"Visible",
                                          u"OnChange",
                                          u"OnGetText",
                                          u"OnSetText",
                                          u"OnValidate"};
constexpr std::u16string_view kFieldDefined[] = {u"Calculated", u"Lookup"};
constexpr std::u16string_view kStringField[] = {u"EditMask", u"FixedChar", u"Size",
                                                u"Transliterate"};
constexpr std::u16string_view kNumericField[] = {u"DisplayFormat", u"EditFormat"};
constexpr std::u16string_view kIntegerField[] = {u"MaxValue", u"MinValue"};
constexpr std::u16string_view kFloatField[] = {u"Currency", u"MaxValue", u"MinValue", u"Precision"};
constexpr std::u16string_view kBCDField[] = {u"Currency", u"MaxValue", u"MinValue", u"Precision",
                                             u"Size"};
constexpr std::u16string_view kDateTimeField[] = {u"DisplayFormat", u"EditMask"};
constexpr std::u16string_view kBooleanField[] = {u"DisplayValues"};
constexpr std::u16string_view kBlobField[] = {u"BlobType", u"Size", u"GraphicHeader"};
constexpr std::u16string_view kMemoField[] = {u"Transliterate"};
constexpr std::u16string_view kGuidField[] = {u"Size"};

// One row of the table: a class, the groups of published properties it has,
// and the groups of names it streams itself.
struct TClassRow {
  std::u16string_view Name;
  std::initializer_list<Names> Published;
  std::initializer_list<Names> Defined;
};

void AddRows(TClassRegistry& registry, std::initializer_list<TClassRow> rows) {
  for (const TClassRow& row : rows) {
    TRegisteredClass& cls = registry.RegisterClass(row.Name);
    for (Names group : row.Published)
      for (std::u16string_view name : group) cls.AddPublished(name);
    for (Names group : row.Defined)
      for (std::u16string_view name : group) cls.AddDefined(name);
  }
}

bool IsIdentifier(std::u16string_view s) {
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t ch = s[i];
    const bool ok = ch == u'_' || IsLetter(ch) || (i > 0 && IsDigit(ch));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

// --- TRegisteredClass

bool TRegisteredClass::HasPublishedProperty(std::u16string_view name) const {
  return FPublishedKeys.count(LowerCase(name)) != 0;
}

bool TRegisteredClass::CanHoldProperty(std::u16string_view name) const {
  const std::u16string key = LowerCase(name);
  return FPublishedKeys.count(key) != 0 || FDefinedKeys.count(key) != 0;
}

void TRegisteredClass::AddPublished(std::u16string_view name) {
  if (FPublishedKeys.insert(LowerCase(name)).second) FPublished.emplace_back(name);
}

void TRegisteredClass::AddPropertiesOf(const TRegisteredClass& other) {
  for (const std::u16string& name : other.FPublished) AddPublished(name);
  FDefinedKeys.insert(other.FDefinedKeys.begin(), other.FDefinedKeys.end());
}

void TRegisteredClass::AddDefined(std::u16string_view name) {
  FDefinedKeys.insert(LowerCase(name));
}

// --- TClassRegistry

const TClassRegistry& TClassRegistry::Global() {
  static const TClassRegistry* registry = [] {
    auto* r = new TClassRegistry;
    r->RegisterTargetLibrary();
    return r;
  }();
  return *registry;
}

void TClassRegistry::RegisterTargetLibrary() {
  // The six classes the catalogue registers at start-up, in its order, then
  // every other target class of the catalogue.
  AddRows(*this,
          {
              {u"TZanConnection", {kComponent, kCustomConnection, kZanConnection}, {}},
              {u"TZanTransaction", {kComponent, kZanTransaction}, {}},
              {u"TZanQuery",
               {kComponent, kDataSet, kZanDataSet, kZanSQLTexts, kZanQuery},
               {kParamAndMacroData}},
              {u"TZanTable", {kComponent, kDataSet, kZanDataSet, kZanTable}, {kParamAndMacroData}},
              {u"TZanStoredProc",
               {kComponent, kDataSet, kZanDataSet, kZanSQLTexts, kZanStoredProc},
               {kParamAndMacroData}},
              {u"TZanUpdateSQL", {kComponent, kZanUpdateSQL}, {}},
              {u"TZanSQL", {kComponent, kZanSQL}, {kParamAndMacroData}},
              {u"TZanScript", {kComponent, kZanScript}, {kMacroData}},
              {u"TZanMetaData", {kComponent, kDataSet, kZanMetaData}, {}},
              {u"TZanAlerter", {kComponent, kZanAlerter}, {}},
              {u"TZanLoader", {kComponent, kZanLoader}, {}},
              {u"TZanDump", {kComponent, kZanDump}, {}},
              {u"TZanDataSource", {kComponent, kZanDataSource}, {}},
              {u"TZanSQLMonitor", {kComponent, kZanSQLMonitor}, {}},
              {u"TZanConnectDialog", {kComponent, kZanConnectDialog}, {}},
              {u"TZanEncryptor", {kComponent, kZanEncryptor}, {}},
              {u"TLxBatchMove", {kComponent, kLxBatchMove}, {}},
              {u"ZanDataAdapter", {kComponent, kZanDataAdapter}, {}},
              // The provider components only name a provider for the linker.
              {u"TAccessZanProvider", {kComponent}, {}},
              {u"TAdvantageZanProvider", {kComponent}, {}},
              {u"TDB2ZanProvider", {kComponent}, {}},
              {u"TInterBaseZanProvider", {kComponent}, {}},
              {u"TMySQLZanProvider", {kComponent}, {}},
              {u"TODBCZanProvider", {kComponent}, {}},
              {u"TOracleZanProvider", {kComponent}, {}},
              {u"TPostgreSQLZanProvider", {kComponent}, {}},
              {u"TSQLServerZanProvider", {kComponent}, {}},
              {u"TSQLiteZanProvider", {kComponent}, {}},
          });
  // The DB unit's field classes, which persistent fields become.
  AddRows(
      *this,
      {
          {u"TStringField", {kComponent, kField, kStringField}, {kFieldDefined}},
          {u"TWideStringField", {kComponent, kField, kStringField}, {kFieldDefined}},
          {u"TGuidField", {kComponent, kField, kStringField, kGuidField}, {kFieldDefined}},
          {u"TSmallintField", {kComponent, kField, kNumericField, kIntegerField}, {kFieldDefined}},
          {u"TIntegerField", {kComponent, kField, kNumericField, kIntegerField}, {kFieldDefined}},
          {u"TLargeintField", {kComponent, kField, kNumericField, kIntegerField}, {kFieldDefined}},
          {u"TFloatField", {kComponent, kField, kNumericField, kFloatField}, {kFieldDefined}},
          {u"TBCDField", {kComponent, kField, kNumericField, kBCDField}, {kFieldDefined}},
          {u"TFMTBCDField", {kComponent, kField, kNumericField, kBCDField}, {kFieldDefined}},
          {u"TDateTimeField", {kComponent, kField, kDateTimeField}, {kFieldDefined}},
          {u"TDateField", {kComponent, kField, kDateTimeField}, {kFieldDefined}},
          {u"TTimeField", {kComponent, kField, kDateTimeField}, {kFieldDefined}},
          {u"TBooleanField", {kComponent, kField, kBooleanField}, {kFieldDefined}},
          {u"TBlobField", {kComponent, kField, kBlobField}, {kFieldDefined}},
          {u"TMemoField", {kComponent, kField, kBlobField, kMemoField}, {kFieldDefined}},
      });
}

void TClassRegistry::AddClassesOf(const TClassRegistry& other) {
  for (const auto& cls : other.FClasses) {
    RegisterClass(cls->ClassName()).AddPropertiesOf(*cls);
  }
}

const TRegisteredClass* TClassRegistry::FindClass(std::u16string_view name) const {
  const auto found = FIndex.find(UpperCase(name));
  return found == FIndex.end() ? nullptr : found->second;
}

TRegisteredClass& TClassRegistry::RegisterClass(std::u16string_view name) {
  TRegisteredClass*& cls = FIndex[UpperCase(name)];
  if (!cls) {
    FClasses.push_back(std::make_unique<TRegisteredClass>(name));
    cls = FClasses.back().get();
  }
  return *cls;
}

TRegisteredClass& TClassRegistry::RegisterClass(
    std::u16string_view name, std::initializer_list<std::u16string_view> properties) {
  TRegisteredClass& cls = RegisterClass(name);
  for (std::u16string_view p : properties) cls.AddPublished(p);
  return cls;
}

std::vector<std::u16string> TClassRegistry::ClassNames() const {
  std::vector<std::u16string> names;
  for (const auto& cls : FClasses) names.push_back(cls->ClassName());
  return names;
}

void TClassRegistry::LoadFromText(std::u16string_view text, std::u16string_view sourceName) {
  auto fail = [&](int line, std::string_view what) {
    throw EClassFileError(Utf16ToUtf8(sourceName) + ":" + std::to_string(line) + ": " +
                          std::string(what));
  };
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t eol = text.find_first_of(u"\r\n", pos);
    if (eol == std::u16string_view::npos) eol = text.size();
    const std::u16string line = Trim(text.substr(pos, eol - pos));
    ++lineNo;
    // The next line starts after CRLF, CR or LF.
    pos = eol + 1;
    if (eol < text.size() && text[eol] == u'\r' && eol + 1 < text.size() && text[eol + 1] == u'\n')
      ++pos;

    if (line.empty() || line[0] == u'#' || line[0] == u';' || line.starts_with(u"//")) continue;
    const size_t colon = line.find(u':');
    if (colon == std::u16string::npos) fail(lineNo, "expected \"ClassName: Property, ...\"");
    const std::u16string className = Trim(std::u16string_view(line).substr(0, colon));
    if (!IsIdentifier(className))
      fail(lineNo, "invalid class name \"" + Utf16ToUtf8(className) + "\"");
    std::vector<std::u16string> props;
    const std::u16string_view rest = std::u16string_view(line).substr(colon + 1);
    if (!Trim(rest).empty()) {
      size_t start = 0;
      while (true) {
        size_t comma = rest.find(u',', start);
        const std::u16string prop = Trim(
            rest.substr(start, comma == std::u16string_view::npos ? rest.npos : comma - start));
        if (!IsIdentifier(prop))
          fail(lineNo, "invalid property name \"" + Utf16ToUtf8(prop) + "\"");
        props.push_back(prop);
        if (comma == std::u16string_view::npos) break;
        start = comma + 1;
      }
    }
    TRegisteredClass& cls = RegisterClass(className);
    for (const auto& p : props) cls.AddPublished(p);
  }
}

void TClassRegistry::LoadFromFile(TFileSystem& fs, std::u16string_view fileName) {
  std::string bytes = fs.ReadFile(fileName);
  if (std::string_view(bytes).starts_with(kUtf8Bom)) bytes.erase(0, kUtf8Bom.size());
  LoadFromText(Utf8ToUtf16(bytes), fileName);
}

}  // namespace zan
