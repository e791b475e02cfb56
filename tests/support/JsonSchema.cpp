#include "support/JsonSchema.h"

#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

namespace zan::test {

namespace {

using nlohmann::json;

bool HasType(const json& value, const std::string& type) {
  if (type == "object") return value.is_object();
  if (type == "array") return value.is_array();
  if (type == "string") return value.is_string();
  if (type == "boolean") return value.is_boolean();
  if (type == "null") return value.is_null();
  if (type == "integer")
    return value.is_number_integer() ||
           (value.is_number_float() &&
            value.get<double>() ==
                static_cast<double>(static_cast<long long>(value.get<double>())));
  if (type == "number") return value.is_number();
  throw std::invalid_argument("unknown schema type " + type);
}

class TChecker {
 public:
  explicit TChecker(const json& root) : FRoot(root) {}

  void Check(const json& value, const json& schema, const std::string& where) {
    if (schema.contains("$ref")) {
      const std::string ref = schema["$ref"];
      const std::string prefix = "#/$defs/";
      if (ref.rfind(prefix, 0) != 0) throw std::invalid_argument("unsupported $ref " + ref);
      Check(value, FRoot.at("$defs").at(ref.substr(prefix.size())), where);
      return;
    }
    if (schema.contains("type")) {
      const json& type = schema["type"];
      bool matches = false;
      if (type.is_array()) {
        for (const json& name : type) matches = matches || HasType(value, name);
      } else {
        matches = HasType(value, type);
      }
      if (!matches) {
        Fail(where, "expected type " + type.dump() + ", found " + value.dump());
        return;
      }
    }
    if (schema.contains("enum")) {
      bool listed = false;
      for (const json& allowed : schema["enum"]) listed = listed || allowed == value;
      if (!listed) Fail(where, value.dump() + " is not one of " + schema["enum"].dump());
    }
    if (value.is_object()) {
      if (schema.contains("required"))
        for (const json& name : schema["required"])
          if (!value.contains(name.get<std::string>()))
            Fail(where, "missing " + name.get<std::string>());
      if (schema.contains("properties"))
        for (const auto& [name, sub] : schema["properties"].items())
          if (value.contains(name)) Check(value[name], sub, where + "/" + name);
    }
    if (value.is_array() && schema.contains("items"))
      for (size_t i = 0; i < value.size(); ++i)
        Check(value[i], schema["items"], where + "/" + std::to_string(i));
  }

  std::vector<std::string> Violations;

 private:
  void Fail(const std::string& where, const std::string& what) {
    Violations.push_back((where.empty() ? "/" : where) + ": " + what);
  }
  const json& FRoot;
};

}  // namespace

std::vector<std::string> SchemaViolations(const json& document, const json& schema) {
  TChecker checker(schema);
  checker.Check(document, schema, "");
  return checker.Violations;
}

const json& ReportSchema(const std::string& sourceDir) {
  static std::mutex lock;
  static std::map<std::string, json> schemas;
  std::lock_guard guard(lock);
  auto found = schemas.find(sourceDir);
  if (found != schemas.end()) return found->second;
  std::ifstream in(sourceDir + "/doc/report.schema.json");
  if (!in) throw std::runtime_error("cannot read " + sourceDir + "/doc/report.schema.json");
  return schemas[sourceDir] = json::parse(in);
}

}  // namespace zan::test
