#include "engine/catalogue/ZanReplacer.h"

#include <algorithm>

#include "engine/rewrite/FormRewriter.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

constexpr std::u16string_view kZanUses = u", Zan, Quillbase, Rowquill";

constexpr TReplacePair kBdePairs[] = {
    {u"TDatabase", u"TZanConnection"},     {u"TQuery", u"TZanQuery"},
    {u"TwwQuery", u"TZanQuery"},           {u"TTable", u"TZanTable"},
    {u"TwwTable", u"TZanTable"},           {u"TStoredProc", u"TZanStoredProc"},
    {u"TwwStoredProc", u"TZanStoredProc"}, {u"TUpdateSQL", u"TZanUpdateSQL"},
    {u"EDBEngineError", u"EZanError"},     {u"TBatchMove", u"TLxBatchMove"},
};

constexpr TReplacePair kIbxPairs[] = {
    {u"TIBDatabase", u"TZanConnection"},
    {u"TIBTransaction", u"TZanTransaction"},
    {u"TIBQuery", u"TZanQuery"},
    {u"TIBSQL", u"TZanQuery"},
    {u"TIBDataset", u"TZanQuery"},
    {u"TIBTable", u"TZanTable"},
    {u"TIBStoredProc", u"TZanStoredProc"},
    {u"TIBUpdateSQL", u"TZanUpdateSQL"},
    {u"EDBEngineError", u"EZanError"},
    // Persistent fields become the DB unit's standard fields.
    {u"TIBStringField", u"TStringField"},
    {u"TIBWideStringField", u"TWideStringField"},
    {u"TIBBCDField", u"TBCDField"},
    {u"TIBLargeIntField", u"TLargeintField"},
};

constexpr TReplacePair kAdoPairs[] = {
    {u"TADOConnection", u"TZanConnection"}, {u"TADOCommand", u"TZanSQL"},
    {u"TADODataSet", u"TZanQuery"},         {u"TADOTable", u"TZanTable"},
    {u"TADOQuery", u"TZanQuery"},           {u"TADOStoredProc", u"TZanStoredProc"},
};

constexpr TReplacePair kKyrelPairs[] = {
    {u"TKyrSession", u"TZanConnection"},      {u"TKyrQuery", u"TZanQuery"},
    {u"TSmartQuery", u"TZanQuery"},           {u"TKyrTable", u"TZanTable"},
    {u"TKyrStoredProc", u"TZanStoredProc"},   {u"TKyrSQL", u"TZanSQL"},
    {u"TKyrScript", u"TZanScript"},           {u"TKyrMetaData", u"TZanMetaData"},
    {u"TKyrUpdateSQL", u"TZanUpdateSQL"},     {u"TKyrDataSource", u"TZanDataSource"},
    {u"TKyrSQLMonitor", u"TZanSQLMonitor"},   {u"TConnectDialog", u"TZanConnectDialog"},
    {u"TKyrTransaction", u"TZanTransaction"}, {u"TKyrLoader", u"TZanLoader"},
    {u"TKyrAlerter", u"TZanAlerter"},         {u"TKyrEncryptor", u"TZanEncryptor"},
    {u"KyrDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kFenmarkPairs[] = {
    {u"TFenConnection", u"TZanConnection"},
    {u"TFenCompactConnection", u"TZanConnection"},
    {u"TFenQuery", u"TZanQuery"},
    {u"TFenTable", u"TZanTable"},
    {u"TFenStoredProc", u"TZanStoredProc"},
    {u"TFenSQL", u"TZanSQL"},
    {u"TFenScript", u"TZanScript"},
    {u"TFenMetaData", u"TZanMetaData"},
    {u"TFenUpdateSQL", u"TZanUpdateSQL"},
    {u"TFenDataSource", u"TZanDataSource"},
    {u"TFenSQLMonitor", u"TZanSQLMonitor"},
    {u"TFenConnectDialog", u"TZanConnectDialog"},
    {u"TFenTransaction", u"TZanTransaction"},
    {u"TFenLoader", u"TZanLoader"},
    {u"TFenDump", u"TZanDump"},
    {u"TFenEncryptor", u"TZanEncryptor"},
    {u"FenDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kSarvoPairs[] = {
    {u"TSarConnection", u"TZanConnection"},
    {u"TSarQuery", u"TZanQuery"},
    {u"TSarTable", u"TZanTable"},
    {u"TSarStoredProc", u"TZanStoredProc"},
    {u"TSarCommand", u"TZanSQL"},
    {u"TSarScript", u"TZanScript"},
    {u"TSarMetaData", u"TZanMetaData"},
    {u"TSarUpdateSQL", u"TZanUpdateSQL"},
    {u"TSarDataSource", u"TZanDataSource"},
    {u"TSarSQLMonitor", u"TZanSQLMonitor"},
    {u"TSarConnectDialog", u"TZanConnectDialog"},
    {u"TSarTransaction", u"TZanTransaction"},
    {u"TSarLoader", u"TZanLoader"},
    {u"TSarDump", u"TZanDump"},
    {u"TSarEncryptor", u"TZanEncryptor"},
    {u"SarDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kTrindlePairs[] = {
    {u"TTrnConnection", u"TZanConnection"},
    {u"TTrnQuery", u"TZanQuery"},
    {u"TTrnTable", u"TZanTable"},
    {u"TTrnStoredProc", u"TZanStoredProc"},
    {u"TTrnSQL", u"TZanSQL"},
    {u"TTrnScript", u"TZanScript"},
    {u"TTrnMetaData", u"TZanMetaData"},
    {u"TTrnUpdateSQL", u"TZanUpdateSQL"},
    {u"TTrnDataSource", u"TZanDataSource"},
    {u"TTrnSQLMonitor", u"TZanSQLMonitor"},
    {u"TTrnConnectDialog", u"TZanConnectDialog"},
    {u"TTrnTransaction", u"TZanTransaction"},
    {u"TTrnLoader", u"TZanLoader"},
    {u"TTrnAlerter", u"TZanAlerter"},
    {u"TTrnEncryptor", u"TZanEncryptor"},
    {u"TrnDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kElvastPairs[] = {
    {u"TElvConnection", u"TZanConnection"},
    {u"TElvQuery", u"TZanQuery"},
    {u"TElvTable", u"TZanTable"},
    {u"TElvStoredProc", u"TZanStoredProc"},
    {u"TElvSQL", u"TZanSQL"},
    {u"TElvScript", u"TZanScript"},
    {u"TElvMetaData", u"TZanMetaData"},
    {u"TElvUpdateSQL", u"TZanUpdateSQL"},
    {u"TElvDataSource", u"TZanDataSource"},
    {u"TElvSQLMonitor", u"TZanSQLMonitor"},
    {u"TElvConnectDialog", u"TZanConnectDialog"},
    {u"TElvLoader", u"TZanLoader"},
    {u"TElvAlerter", u"TZanAlerter"},
    {u"TElvDump", u"TZanDump"},
    {u"TElvEncryptor", u"TZanEncryptor"},
    {u"ElvDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kWenrodPairs[] = {
    {u"TWenConnection", u"TZanConnection"}, {u"TWenQuery", u"TZanQuery"},
    {u"TWenTable", u"TZanTable"},           {u"TWenSQL", u"TZanSQL"},
    {u"TWenScript", u"TZanScript"},         {u"TWenMetaData", u"TZanMetaData"},
    {u"TWenUpdateSQL", u"TZanUpdateSQL"},   {u"TWenDataSource", u"TZanDataSource"},
    {u"TWenSQLMonitor", u"TZanSQLMonitor"}, {u"TWenConnectDialog", u"TZanConnectDialog"},
    {u"TWenLoader", u"TZanLoader"},         {u"TWenDump", u"TZanDump"},
    {u"TWenEncryptor", u"TZanEncryptor"},   {u"WenDataAdapter", u"ZanDataAdapter"},
};

constexpr TReplacePair kAnyDacPairs[] = {
    {u"TADConnection", u"TZanConnection"},
    {u"TADTransaction", u"TZanTransaction"},
    {u"TADCommand", u"TZanSQL"},
    {u"TADQuery", u"TZanQuery"},
    {u"TADTable", u"TZanTable"},
    {u"TADStoredProc", u"TZanStoredProc"},
    {u"TADScript", u"TZanScript"},
    {u"TADMetaInfoQuery", u"TZanMetaData"},
    {u"TADUpdateSQL", u"TZanUpdateSQL"},
    {u"TADDataMove", u"TLxBatchMove"},
    {u"TADScript", u"TZanScript"},
    {u"TADEventAlerter", u"TZanAlerter"},
    {u"TADGUIxLoginDialog", u"TZanConnectDialog"},
    {u"TADPhysMSAccessDriverLink", u"TAccessZanProvider"},
    {u"TADPhysADSDriverLink", u"TAdvantageZanProvider"},
    {u"TADPhysDB2DriverLink", u"TDB2ZanProvider"},
    {u"TADPhysIBDriverLink", u"TInterBaseZanProvider"},
    {u"TADPhysMySQLDriverLink", u"TMySQLZanProvider"},
    {u"TADPhysODBCDriverLink", u"TODBCZanProvider"},
    {u"TADPhysOracleDriverLink", u"TOracleZanProvider"},
    {u"TADPhysPgDriverLink", u"TPostgreSQLZanProvider"},
    {u"TADPhysMSSQLDriverLink", u"TSQLServerZanProvider"},
    {u"TADPhysSQLiteDriverLink", u"TSQLiteZanProvider"},
};

constexpr TReplacePair kFireDacPairs[] = {
    {u"TFDConnection", u"TZanConnection"},
    {u"TFDTransaction", u"TZanTransaction"},
    {u"TFDCommand", u"TZanSQL"},
    {u"TFDQuery", u"TZanQuery"},
    {u"TFDTable", u"TZanTable"},
    {u"TFDStoredProc", u"TZanStoredProc"},
    {u"TFDScript", u"TZanScript"},
    {u"TFDMetaInfoQuery", u"TZanMetaData"},
    {u"TFDUpdateSQL", u"TZanUpdateSQL"},
    {u"TFDDataMove", u"TLxBatchMove"},
    {u"TFDScript", u"TZanScript"},
    {u"TFDEventAlerter", u"TZanAlerter"},
    {u"TFDGUIxLoginDialog", u"TZanConnectDialog"},
    {u"TFDPhysMSAccessDriverLink", u"TAccessZanProvider"},
    {u"TFDPhysADSDriverLink", u"TAdvantageZanProvider"},
    {u"TFDPhysDB2DriverLink", u"TDB2ZanProvider"},
    {u"TFDPhysIBDriverLink", u"TInterBaseZanProvider"},
    {u"TFDPhysMySQLDriverLink", u"TMySQLZanProvider"},
    {u"TFDPhysODBCDriverLink", u"TODBCZanProvider"},
    {u"TFDPhysOracleDriverLink", u"TOracleZanProvider"},
    {u"TFDPhysPgDriverLink", u"TPostgreSQLZanProvider"},
    {u"TFDPhysMSSQLDriverLink", u"TSQLServerZanProvider"},
    {u"TFDPhysSQLiteDriverLink", u"TSQLiteZanProvider"},
};

constexpr TReplacePair kFibPlusPairs[] = {
    {u"TpFIBDatabase", u"TZanConnection"},
    {u"TpFIBTransaction", u"TZanTransaction"},
    {u"TpFIBQuery", u"TZanSQL"},
    {u"TpFIBScripter", u"TZanScript"},
    {u"TpFIBDataset", u"TZanQuery"},
    {u"TpFIBStoredProc", u"TZanStoredProc"},
    {u"TSIBfibEventAlerter", u"TZanAlerter"},
    {u"TFIBSQLMonitor", u"TZanSQLMonitor"},
    {u"EFIBError", u"EZanError"},
    // Persistent fields become the DB unit's standard fields.
    {u"TFIBStringField", u"TStringField"},
    {u"TFIBWideStringField", u"TWideStringField"},
    {u"TFIBGuidField", u"TGuidField"},
    {u"TFIBSmallIntField", u"TSmallintField"},
    {u"TFIBIntegerField", u"TIntegerField"},
    {u"TFIBLargeIntField", u"TLargeintField"},
    {u"TFIBFloatField", u"TFloatField"},
    {u"TFIBBCDField", u"TBCDField"},
    {u"TFIBDateTimeField", u"TDateTimeField"},
    {u"TFIBDateField", u"TDateField"},
    {u"TFIBTimeField", u"TTimeField"},
    {u"TFIBBooleanField", u"TBooleanField"},
    {u"TFIBBlobField", u"TBlobField"},
    {u"TFIBMemoField", u"TMemoField"},
};

constexpr TLibraryInfo kLibraries[] = {
    {u"BDE", u"DBTables", kZanUses, kBdePairs},
    {u"IBX",
     u"IBDatabase,IBQuery,IBCustomDataSet,IBDataSet,IBTable,IBSQL,IBScript,IBStoredProc,"
     u"IBUpdateSQL",
     kZanUses, kIbxPairs},
    {u"ADO", u"ADODB", kZanUses, kAdoPairs},
    {u"Kyrel", u"Kyr", u", OracleZanProvider, Zan, Quillbase, Rowquill", kKyrelPairs},
    {u"Fenmark", u"FenAccess", u", SQLServerZanProvider, Zan, Quillbase, Rowquill", kFenmarkPairs},
    {u"Sarvo", u"SarAccess", u", MySQLZanProvider, Zan, Quillbase, Rowquill", kSarvoPairs},
    {u"Trindle", u"Trn", u", InterBaseZanProvider, Zan, Quillbase, Rowquill", kTrindlePairs},
    {u"Elvast", u"ElvAccess", u", PostgreSQLZanProvider, Zan, Quillbase, Rowquill", kElvastPairs},
    {u"Wenrod", u"WenAccess", u", SQLiteZanProvider, Zan, Quillbase, Rowquill", kWenrodPairs},
    {u"AnyDAC", u"uADStanIntf", kZanUses, kAnyDacPairs},
    {u"FireDAC", u"FireDAC.Stan.Intf", kZanUses, kFireDacPairs},
    {u"FIBPlus", u"FIBDatabase",
     u", Quillbase, Rowquill, TslSQLMonitor, TslAlerter, TslScript, InterBaseZanProvider, Zan, "
     u"ZanScript, ZanAlerter, ZanSQLMonitor",
     kFibPlusPairs},
};

}  // namespace

std::span<const TLibraryInfo> CatalogueLibraries() {
  return kLibraries;
}

int FindCatalogueLibrary(std::u16string_view nameOrIndex) {
  const auto libraries = CatalogueLibraries();
  for (size_t i = 0; i < libraries.size(); ++i)
    if (SameText(libraries[i].Name, nameOrIndex)) return static_cast<int>(i);
  int64_t index = -1;
  if (!nameOrIndex.empty() && nameOrIndex.size() <= 2 &&
      std::all_of(nameOrIndex.begin(), nameOrIndex.end(), IsDigit) &&
      TryStrToInt(nameOrIndex, index) && index >= 0 &&
      index < static_cast<int64_t>(libraries.size()))
    return static_cast<int>(index);
  return -1;
}

TZanCatalogue::TZanCatalogue() : FOptions(std::make_unique<TReplaceOptions>(kCatalogueSourceName)) {
  for (const TLibraryInfo& library : CatalogueLibraries()) {
    auto replacer =
        std::make_unique<TComponentReplacer>(library.SourceUnits, library.TargetUses, *FOptions);
    for (const TReplacePair& pair : library.Pairs)
      replacer->AddReplacePair(pair.OldComp, pair.NewComp);
    // Each replacer converts forms with a form parser of its own.
    InstallFormConversion(*replacer);
    FReplacers.push_back(std::move(replacer));
  }
}

TZanCatalogue::~TZanCatalogue() {
  for (auto& replacer : FReplacers) replacer.reset();
  FReplacers.clear();
  FOptions.reset();
}

TComponentReplacer& TZanCatalogue::Replacer(int index) {
  Assert(index >= 0 && index < Count(), "MigWizard\\ZanReplacer");
  return *FReplacers[static_cast<size_t>(index)];
}

}  // namespace zan
