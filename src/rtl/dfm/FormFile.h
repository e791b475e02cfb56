// Whole binary form files <-> form text: the resource header, the component
// stream and whatever the file holds beyond the stream.
//
// Damaged files are never altered silently: bytes after the end given by the
// header's length (one known file carries thousands of them) and bytes
// inside that length after the stream's end are kept in the layout and
// written back; `HasExtraData` tells the caller they are there.
#pragma once

#include <string>
#include <string_view>

#include "rtl/dfm/FormStream.h"
#include "rtl/dfm/ResourceHeader.h"

namespace zan {

/// Everything besides the text that writing the file back byte for byte needs.
struct TBinaryFormLayout {
  bool HasResourceHeader = true;  // false for a bare TPF0 stream
  TRCData Header;
  TFormStreamInfo Info;
  std::string Slack;     // inside the header's length, after the stream's end
  std::string Trailing;  // after the end given by the header's length
  bool HasExtraData() const { return !Slack.empty() || !Trailing.empty(); }
};

struct TBinaryFormText {
  std::u16string Text;
  TBinaryFormLayout Layout;
};

/// Converts a binary form file (with resource header or a bare TPF0 stream).
/// Throws EFormStreamError naming `options.FileName` and the file offset.
TBinaryFormText ReadBinaryForm(std::string_view bytes, const TFormConvertOptions& options = {});

/// Converts form text to a binary form file. With a layout from
/// ReadBinaryForm the file is written as it was read (same header name and
/// flags, stream kinds, extra data); without one it gets a resource header
/// named after the root class in upper case. Throws EFormTextError.
std::string WriteBinaryForm(std::u16string_view text, const TBinaryFormLayout* layout = nullptr,
                            const TFormConvertOptions& options = {});

}  // namespace zan
