// Routines shared by every rule set of the form conversion: taking a form
// value apart (quotes, parentheses, string-list lines), comparing names
// against lists, and reading a Boolean value the way the host reads one.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/StringList.h"
#include "rtl/SysUtils.h"

namespace zan {

/// A form value that a rule cannot convert (a Boolean that is neither true nor
/// false). It stops the replace run before any converted file replaces its source.
class EPropertyValueError : public Exception {
 public:
  using Exception::Exception;
};

/// A list of names for IsOneOf, kept as data in the rule tables.
using TNameList = std::span<const std::u16string_view>;

/// Strips the blanks and control characters around `s` and at most one
/// opening delimiter (a quote, or "(" with the blanks after it) and one closing
/// delimiter (a quote, or ")" with the blanks before it); the two need not
/// match. A lone trailing blank survives ("   " gives " "). Doubled quotes
/// inside stay doubled.
std::u16string UnwrapValue(std::u16string_view s);

/// Unwraps every line of `list`, deleting those that end up empty; true when
/// lines remain. Each surviving line is then a `Name=Value` text.
bool NormalizeParams(TStringList& list);

/// True if `s` equals one of `names`, ignoring ASCII letter case.
bool IsOneOf(std::u16string_view s, TNameList names);
bool IsOneOf(std::u16string_view s, std::initializer_list<std::u16string_view> names);

/// The value of parameter `name` (first line whose name matches, ignoring
/// case), unwrapped; empty when there is none.
std::u16string ParamValue(const TStringList& params, std::u16string_view name);

/// The lines of a value (split at CRLF, CR or LF; a final break adds none).
std::vector<std::u16string> SplitLines(std::u16string_view text);

/// `s` between single quotes, with every quote inside doubled.
std::u16string QuotedStr(std::u16string_view s);
/// Removes one level of single quotes when `s` is quoted (a doubled quote
/// inside becomes one); otherwise `s` unchanged.
std::u16string DequotedStr(std::u16string_view s);

/// Form-text strings: pieces between quotes (a doubled quote is one quote),
/// character codes (#13, #$0D) and "+" between pieces, also across lines.
/// Decodes one such string expression into its text; false when `expr` is
/// not one.
bool DecodeFormString(std::u16string_view expr, std::u16string& text);
/// Splits a string-list value "( item item ... )" into the source texts of
/// its items (each a string expression, possibly joined over several lines);
/// false when `value` is not such a list.
bool SplitFormStringList(std::u16string_view value, std::vector<std::u16string_view>& items);
/// `text` as a form-text string, as the host writes one: printable ASCII
/// between quotes (a quote doubled), every other character as a code.
std::u16string FormQuoted(std::u16string_view text);
/// What goes between the quotes of a form-text string so that it reads as
/// `text` ("a'b" gives "a''b", a line break "'#13#10'").
std::u16string FormStringBody(std::u16string_view text);

/// The lines of a parameter-list value such as "Params.Strings", each a
/// `Name=Value` text: the items of the string list decoded (so that an item
/// the form text breaks into joined pieces, or one with character codes,
/// reads whole), empty items left out. A value that is not a well-formed
/// string list is read line by line with NormalizeParams.
TStringList ReadParamList(std::u16string_view value);

/// Reads a Boolean form value as the host does: True or False in any letter
/// case, or an integer (0 is false, any other is true). Anything else raises
/// EPropertyValueError naming the object and the property.
bool ReadBooleanValue(std::u16string_view value, std::u16string_view objectName,
                      std::u16string_view propName);

}  // namespace zan
