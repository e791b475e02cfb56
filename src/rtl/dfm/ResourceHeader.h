// The resource header in front of a binary form file:
//   FF 0A 00 | name bytes | 00 | memory flags (2 bytes, 30 10) | length (int32 LE)
// followed by `length` bytes of component stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zan {

/// Header of a binary form file: the resource name (8-bit characters, the
/// upper-cased class name of the root object) and the stream length.
struct TRCData {
  std::string Name;
  uint16_t MemoryFlags = 0x1030;  // stored as 30 10
  int32_t Size = 0;
};

/// True when `bytes` start with FF 0A 00.
bool HasResourceHeader(std::string_view bytes);
/// True when `bytes` start like a binary form: FF 0A 00 or TPF0.
bool IsBinaryFormData(std::string_view bytes);

/// Reads the header at the start of `bytes` and returns its length. Throws
/// EFormStreamError (naming `fileName`) when it is cut short or its length
/// reaches past the end of `bytes`.
size_t ReadResourceHeader(std::string_view bytes, TRCData& header, const std::string& fileName);

/// The header bytes for `header` (name, flags and length as given).
std::string WriteResourceHeader(const TRCData& header);

}  // namespace zan
