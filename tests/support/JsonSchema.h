// A checker for the part of JSON Schema the project's schemas use: "type"
// (one name or a list; "integer" and "number" as JSON Schema reads them),
// "required", "properties", "items", "enum" and "$ref" to "#/$defs/NAME".
// Anything else in a schema is ignored; tests use it to hold every report
// they write to doc/report.schema.json.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace zan::test {

/// The places where `document` breaks `schema`, each as "JSON pointer:
/// what is wrong" (empty: valid).
std::vector<std::string> SchemaViolations(const nlohmann::json& document,
                                          const nlohmann::json& schema);

/// The report schema of the source tree (doc/report.schema.json) under
/// `sourceDir`, read once.
const nlohmann::json& ReportSchema(const std::string& sourceDir);

}  // namespace zan::test
