// The forms a unit names in its resource directives, read as the compiler
// reads them: `{$R Main_Form.dfm}` names "Main_Form.dfm" in the unit's folder,
// `{$R *.dfm}` the unit's own form, `{$R 'My Form.dfm'}` a quoted name.
// Resources that are not forms (`{$R *.res}`, `{$R icons.res}`) name nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zan {

/// A form named in a resource directive: the name before the extension ("*"
/// for the unit's own form; otherwise as written, folders included) and the
/// extension (".dfm"/".nfm" as written; upper-cased for the own form).
struct TResourceName {
  std::u16string Name;
  std::u16string Ext;
  bool IsOwnForm() const { return Name == u"*"; }
  bool operator==(const TResourceName&) const = default;
};

/// Whether `comment` is a resource directive: "{$R" or "{$RESOURCE" (any
/// letter case) and a blank.
bool IsResourceDirective(std::u16string_view comment);

/// The form that the comment `comment` ("{$R ...}" or "{$RESOURCE ...}", any
/// letter case) names; nothing for another comment, a non-form resource or a
/// wildcard other than "*" alone. Only the directive's first name counts
/// (`{$R x.res x.rc}` names a compiled resource and its script).
std::optional<TResourceName> FormNamedByDirective(std::u16string_view comment);

/// The path of the form `name` names, for the unit `unitFile`: the unit's own
/// name with the form's extension, or the name taken relative to the unit's
/// folder ("\" as a folder separator, "." and ".." resolved).
std::u16string ResourceCandidate(const std::u16string& unitFile, const TResourceName& name);

}  // namespace zan
