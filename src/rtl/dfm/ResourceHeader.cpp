#include "rtl/dfm/ResourceHeader.h"

#include <cstring>

#include "rtl/dfm/FormStream.h"

namespace zan {

bool HasResourceHeader(std::string_view bytes) {
  return bytes.size() >= 3 && bytes.compare(0, 3, std::string_view("\xFF\x0A\x00", 3)) == 0;
}

bool IsBinaryFormData(std::string_view bytes) {
  return HasResourceHeader(bytes) || bytes.substr(0, 4) == "TPF0";
}

size_t ReadResourceHeader(std::string_view bytes, TRCData& header, const std::string& fileName) {
  if (!HasResourceHeader(bytes)) throw EFormStreamError(fileName, 0, "Resource header expected");
  size_t end = bytes.find('\0', 3);
  if (end == std::string_view::npos)
    throw EFormStreamError(fileName, bytes.size(), "Resource name not ended");
  if (bytes.size() - end - 1 < 6)
    throw EFormStreamError(fileName, bytes.size(), "Resource header cut short");
  header.Name.assign(bytes.substr(3, end - 3));
  std::memcpy(&header.MemoryFlags, bytes.data() + end + 1, 2);
  std::memcpy(&header.Size, bytes.data() + end + 3, 4);
  size_t start = end + 7;
  if (header.Size < 0 || static_cast<size_t>(header.Size) > bytes.size() - start)
    throw EFormStreamError(fileName, end + 3,
                           "Resource length " + std::to_string(header.Size) + " exceeds the " +
                               std::to_string(bytes.size() - start) + " bytes after the header");
  return start;
}

std::string WriteResourceHeader(const TRCData& header) {
  std::string out("\xFF\x0A\x00", 3);
  out += header.Name;
  out.push_back('\0');
  out.append(reinterpret_cast<const char*>(&header.MemoryFlags), 2);
  out.append(reinterpret_cast<const char*>(&header.Size), 4);
  return out;
}

}  // namespace zan
