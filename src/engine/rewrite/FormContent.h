// Whether the bytes of a file a unit names in `{$R}` are form data at all,
// so that the run leaves any other file alone instead of failing on it or
// rewriting it.
#pragma once

#include <string_view>

namespace zan {

/// True for binary form data (a resource header or a bare TPF0 stream) and
/// for text (UTF-8, UTF-16LE with its mark, or 8-bit) whose first word,
/// after blanks and a byte-order mark, is `object`, `inherited` or `inline`
/// in any letter case.
bool IsFormContent(std::string_view bytes);

}  // namespace zan
