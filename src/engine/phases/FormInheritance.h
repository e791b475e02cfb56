// Form inheritance across a run's scope. A form class that inherits another
// (`TForm2 = class(TForm1)`, its form rooted in `inherited Form2: TForm2`)
// and a form that embeds a frame (`inline Frame11: TFrame1`) stream the
// ancestor's objects again, with the ancestor's classes: converting one
// without the other leaves a form whose objects no longer match the fields
// they load into.
//
// Inside the scope the run converts both sides already (every unit and the
// forms it names). What this module finds are the pairs that straddle the
// scope's edge, in the tree the run can see: the sub-folders of a
// non-recursive folder run, the project folder's tree for a project run
// (a recursive folder run holds its whole tree, so it looks at nothing more).
// Units are read once, by a light scan with the Pascal lexer (class
// headings, resource directives, source class names); forms only when their
// unit takes part in such a pair.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/phases/RunState.h"

namespace zan {

/// What a light scan of one unit finds.
struct TUnitHeadings {
  struct TClass {
    std::u16string Name;
    std::u16string Parent;  // the first name in parentheses, unqualified; empty when none
  };
  std::vector<TClass> Classes;
  /// The forms its resource directives name, as candidates (ResourceCandidate).
  std::vector<std::u16string> Forms;
};

/// Scans `text` (a unit of `unitFile`), handing every identifier outside
/// comments and strings to `onIdentifier` when set.
TUnitHeadings ScanUnitHeadings(std::u16string_view text, const std::u16string& unitFile,
                               const std::function<void(std::u16string_view)>& onIdentifier = {});

/// One object header of a form: its keyword in lower case ("object",
/// "inherited", "inline"), its name (may be empty), its class and its line
/// (1-based; 0 in a binary form).
struct TFormHeader {
  std::u16string Keyword;
  std::u16string Name;
  std::u16string ClassName;
  int Line = 0;
};

/// The object headers of a form file, text or binary, in file order; empty
/// when the bytes cannot be read as a form.
std::vector<TFormHeader> ReadFormHeaders(std::string_view bytes);

/// The units of the scope (work-list indexes, not in `left`) that belong to
/// one family with a unit of `left`: they declare a form class that inherits
/// from, or is inherited by, one of theirs, or their forms embed a frame of
/// theirs (or the reverse), over any number of levels. Reads the scope's
/// units and forms again: for a run that leaves a form (KeepGoing), so that
/// its whole family is left with it.
std::vector<size_t> ScopeFamilyOf(TRunState& state, const std::vector<size_t>& left);

/// The families of forms across the scope's edge; built by the run's first
/// phases and asked after the forms are converted.
class TFormFamilies {
 public:
  TFormFamilies();
  ~TFormFamilies();

  /// Lists and scans the units of the tree the run can see that lie outside
  /// its scope (`state.Work` holds the scope's units).
  void ScanOutside(TRunState& state);
  /// Notes the classes of the scope's unit `unit` (its text as the unit
  /// phase read it); nothing when no unit lies outside the scope.
  void NoteScopeUnit(TRunState& state, size_t unit, std::u16string_view text);
  /// After the forms are converted: a warning and an "inheritance" to-do
  /// entry for each form outside the scope that inherits (or embeds) one the
  /// run converted while it keeps source classes, and for each converted
  /// form whose ancestor outside the scope keeps them. Call after the to-do
  /// list is collected.
  void WarnAboutFamilies(TRunState& state);

 private:
  struct TUnit;
  struct TData;
  /// Reads the forms of `unit` once: source and target classes, frames.
  void ReadForms(TRunState& state, TUnit& unit);

  std::unique_ptr<TData> FData;
};

}  // namespace zan
