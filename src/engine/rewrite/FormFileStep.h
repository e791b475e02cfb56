// The form-file step of a replace run: what the run does with a form file
// (".DFM"/".NFM") that a unit names in a resource directive.
//
// The run reads the file (so that a missing or unreadable form stops the run
// with an error naming it), hands its bytes to the step and writes the step's
// result to the temporary folder when it reports changes. The base step
// leaves every form unchanged and collects no database names; the form
// conversion makes a step of its own (TComponentReplacer::MakeFormFileStep).
// Each run has a step of its own, made and prepared when it is planned.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zan {

class TComponentReplacer;
class TStringList;
class TUserRules;
struct TRunContext;
struct TRunReport;

/// What converting a form reads from the run: the replace pairs (the
/// replacer's, then the user's) and the database names collected before.
/// Read-only, so that several threads may convert forms with one lookup at
/// once. Refers to the replacer, the list and the user rules (not owned);
/// they must not change while the lookup is used.
class TFormLookup {
 public:
  TFormLookup(const TComponentReplacer& replacer, const TStringList& databaseNames,
              const TUserRules* userRules = nullptr)
      : FReplacer(replacer), FDatabaseNames(databaseNames), FUserRules(userRules) {}

  /// The target of the source class `name` (letter case ignored), or nullptr.
  const std::u16string* FindNewClassName(std::u16string_view name) const;
  /// The form parser's OnGetPropertyValue: the component that declares the
  /// database name `oldPropValue` ("" when none). `propName` is asserted to
  /// be "DatabaseName".
  std::u16string GetPropertyValue(const std::u16string& propName,
                                  const std::u16string& oldPropValue) const;

 private:
  const TComponentReplacer& FReplacer;
  const TStringList& FDatabaseNames;
  const TUserRules* FUserRules;
};

/// An object header found by FindSourceClassObject.
struct TFoundObject {
  std::u16string Name;  // empty for a header without a name
  std::u16string ClassName;
  int Line = 0;  // 1-based
};

/// The first object header in `bytes` whose class is a source class of
/// `lookup`, found by a light scan that needs no readable form: a keyword
/// (`object`, `inherited`, `inline`, any letter case), an optional name and
/// colon, a class, blanks between them. For files that cannot be read as
/// forms but would still disagree with a converted unit. Text is read as
/// 8-bit (UTF-16LE with its mark by its low bytes); quoted strings are skipped.
std::optional<TFoundObject> FindSourceClassObject(const TFormLookup& lookup,
                                                  std::string_view bytes);

class TFormFileStep {
 public:
  virtual ~TFormFileStep() = default;

  struct TResult {
    int Changes = 0;    // converted objects; 0 leaves the original as it is
    std::string Bytes;  // the new file contents when Changes > 0 and no Encode
    /// When set, makes the new file contents instead of Bytes (checking and
    /// encoding the converted text); called once, on the thread that
    /// converted the form. May raise as ProcessFormFile does.
    std::function<std::string()> Encode;
  };

  /// Takes the run's settings (code page, class registry, the connection-
  /// definition files and the file system they are read through) before the
  /// files are processed.
  virtual void Prepare(const TRunContext& context);

  /// Converts the objects of source classes in the form `fileName` (contents
  /// `bytes`), recording them in `report` when set. May raise; the run then
  /// stops with every original untouched.
  virtual TResult ProcessFormFile(const TFormLookup& lookup, const std::u16string& fileName,
                                  const std::string& bytes, TRunReport* report);

  /// A step of the same configuration for converting forms on another thread
  /// beside this one; nullptr when the step cannot be run that way (the base).
  virtual std::unique_ptr<TFormFileStep> CloneForLane() const;

  /// The first pass over the forms of a project run: records which database
  /// component declares which database name ("name=Owner.Component").
  virtual void CollectDatabaseNames(TStringList& databaseNames, const std::u16string& fileName,
                                    const std::string& bytes);
};

}  // namespace zan
