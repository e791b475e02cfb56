// Conversion of a form between the binary component stream (signature TPF0)
// and the form text the host writes.
//
// Binary -> text reproduces the host's layout exactly (two blanks per level,
// strings in pieces of 64 characters joined by " +", `#N` codes, 32 bytes of
// hex per line). Text -> binary chooses the value types the host's writer
// chooses. Where the text cannot tell which of several encodings a value had
// (the string kind of non-ASCII text, an extended value that 16 digits do not
// pin down, a wide string holding ASCII), the reader records it in a
// `TFormStreamInfo`; given back to the writer it makes
// binary -> text -> binary give back the identical bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/SysUtils.h"

namespace zan {

/// The value types of the component stream, with the host's numbering.
enum class TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21,
};

/// Flags of an object header; stored as one byte F0 | flags before the class name.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

/// A binary stream that is malformed, truncated or hostile. The message names
/// the file and the byte offset (counted from the start of the file).
class EFormStreamError : public Exception {
 public:
  EFormStreamError(const std::string& fileName, size_t offset, std::string_view what);
  size_t Offset() const { return FOffset; }

 private:
  size_t FOffset;
};

/// Form text that cannot be converted; the message names the file and the line.
class EFormTextError : public Exception {
 public:
  EFormTextError(const std::string& fileName, int line, std::string_view what);
  int Line() const { return FLine; }

 private:
  int FLine;
};

/// How a stream stores strings that are not plain ASCII: as UTF-8 values
/// (newer files), as code-page bytes in 8-bit strings (older files) or as
/// UTF-16 wide strings.
enum class TStringKind : uint8_t { skUtf8, skAnsi, skWide };

/// One value whose bytes differ from what the writer would choose for its
/// text. `Atom` counts the scalar items of the stream in stream order (object
/// header prefixes with their child position, class and object names,
/// property names, values, set elements,
/// collection item indexes); `Canonical` is what the writer produces for the
/// text, `Original` what the stream held.
struct TValueHint {
  uint32_t Atom = 0;
  std::string Canonical;
  std::string Original;
};

/// What the text of a form cannot say about its binary stream. The writer
/// uses `NonAsciiStrings` for every string with non-ASCII characters; a hint
/// replaces the writer's bytes only where they equal its `Canonical` bytes,
/// so hints that no longer fit an edited text are simply not used.
struct TFormStreamInfo {
  TStringKind NonAsciiStrings = TStringKind::skUtf8;
  std::vector<TValueHint> Hints;  // sorted by Atom
};

struct TFormConvertOptions {
  std::string FileName;  // named in error messages
  /// Code page of 8-bit strings with non-ASCII bytes; 0 = the ANSI code page.
  int CodePage = 0;
  /// Line break written between lines of form text.
  std::u16string_view LineBreak = u"\r\n";
  /// Offset of the stream inside its file, added to offsets in messages.
  size_t BaseOffset = 0;
};

/// Nesting of objects, lists and collections deeper than this is refused.
inline constexpr int kMaxFormNesting = 100;

/// Converts one component stream (starting with "TPF0") to form text. When
/// `consumed` is given it receives the length of the stream and bytes after
/// it are left alone; otherwise bytes after the stream are an error. `info`,
/// when given, receives what the text cannot say (see TFormStreamInfo).
/// Throws EFormStreamError.
std::u16string ObjectBinaryToText(std::string_view stream, const TFormConvertOptions& options = {},
                                  TFormStreamInfo* info = nullptr, size_t* consumed = nullptr);

/// Converts form text (one root object) to a component stream starting with
/// "TPF0". `info` comes from ObjectBinaryToText of the original stream, or is
/// null for a stream written the way the current host writes one.
/// Throws EFormTextError.
std::string ObjectTextToBinary(std::u16string_view text, const TFormConvertOptions& options = {},
                               const TFormStreamInfo* info = nullptr);

}  // namespace zan
