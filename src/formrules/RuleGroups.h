// The rule groups of the conversion chain, one entry point per group. Each
// looks at one property of the parser's current object, adds what the
// converted object is to carry, and returns true when it consumed the
// property (the chain stops) or false when the chain goes on. The order in
// which they run is TZanFormParser::ConvertProperty's.
#pragma once

#include <string_view>

#include "formrules/RuleTable.h"

namespace zan {

class TZanFormParser;

// InterBase (IBX), FIBPlus and ADO.
bool ConvertInterBaseProvider(TZanFormParser& p, std::u16string_view name,
                              std::u16string_view value);
bool ConvertDatabaseName(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertInterBaseParams(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertIbxRenames(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertIndexFieldNames(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertAdo(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertFibPlus(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertConditions(TZanFormParser& p, std::u16string_view name, std::u16string_view value);

// The sibling libraries.
bool ConvertFenmark(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertKyrel(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertTrindle(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertSarvo(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
bool ConvertElvast(TZanFormParser& p, std::u16string_view name, std::u16string_view value);

// FireDAC and AnyDAC.
bool ConvertFireDac(TZanFormParser& p, std::u16string_view name, std::u16string_view value);

/// What the rules do once an object is read, when every property is known:
/// the key fields of a data set with a master link, the "?NAME" master
/// parameters of a FIBPlus detail, and a connection or data set that would
/// connect to nothing when its form loads (doc/connections.md).
void FinishConvertedObject(TZanFormParser& p);

// The ADO connection and its commands (ConnectionRules.cpp).
void ConvertAdoConnectionString(TZanFormParser& p, std::u16string_view name,
                                std::u16string_view value);
void ConvertAdoProvider(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
void ConvertAdoParameters(TZanFormParser& p, std::u16string_view name, std::u16string_view value);
// The IBX transaction's parameter list.
void ConvertIbxTransactionParams(TZanFormParser& p, std::u16string_view name,
                                 std::u16string_view value);

// The tables behind the table-driven groups, for tests that check them
// against each other and against the class registry.
extern const TRuleSet kInterBaseProviderTable;
extern const TRuleSet kIbxRenameTable;
extern const TRuleSet kIndexFieldNamesTable;
extern const TRuleSet kAdoTable;
extern const TRuleSet kFibPlusTable;
extern const TRuleSet kConditionsTable;
extern const TRuleSet kFenmarkTable;
extern const TRuleSet kKyrelTable;
extern const TRuleSet kTrindleTable;
extern const TRuleSet kSarvoTable;
extern const TRuleSet kElvastTable;
extern const TRuleSet kFireDacTable;

}  // namespace zan
