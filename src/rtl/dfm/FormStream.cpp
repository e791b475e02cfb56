#include "rtl/dfm/FormStream.h"

namespace zan {

namespace {

std::string Where(const std::string& fileName) {
  return fileName.empty() ? std::string("form stream") : fileName;
}

}  // namespace

EFormStreamError::EFormStreamError(const std::string& fileName, size_t offset,
                                   std::string_view what)
    : Exception(Where(fileName) + ": " + std::string(what) + " at offset " +
                std::to_string(offset)),
      FOffset(offset) {}

EFormTextError::EFormTextError(const std::string& fileName, int line, std::string_view what)
    : Exception(Where(fileName) + "(" + std::to_string(line) + "): " + std::string(what)),
      FLine(line) {}

}  // namespace zan
