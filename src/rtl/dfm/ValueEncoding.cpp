#include "rtl/dfm/ValueEncoding.h"

#include <cmath>
#include <cstring>

#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FloatText.h"

namespace zan::dfm {

void PutInt32(std::string& out, int32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);  // the stream is little-endian, as is every host we run on
  out.append(b, 4);
}

void EncodeInteger(int64_t value, std::string& out) {
  if (value >= INT8_MIN && value <= INT8_MAX) {
    PutType(out, TValueType::vaInt8);
    PutByte(out, static_cast<uint8_t>(static_cast<int8_t>(value)));
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    PutType(out, TValueType::vaInt16);
    int16_t v = static_cast<int16_t>(value);
    char b[2];
    std::memcpy(b, &v, 2);
    out.append(b, 2);
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    PutType(out, TValueType::vaInt32);
    PutInt32(out, static_cast<int32_t>(value));
  } else {
    PutType(out, TValueType::vaInt64);
    char b[8];
    std::memcpy(b, &value, 8);
    out.append(b, 8);
  }
}

bool EncodeNumber(std::string_view text, char suffix, std::string& out) {
  switch (suffix) {
    case 0: {
      long double v;
      if (!ParseExtended(text, v)) return false;
      char b[10];
      ExtendedToBytes(v, b);
      PutType(out, TValueType::vaExtended);
      out.append(b, 10);
      return true;
    }
    case 's': {
      float v;
      if (!ParseSingle(text, v)) return false;
      PutType(out, TValueType::vaSingle);
      out.append(reinterpret_cast<const char*>(&v), 4);
      return true;
    }
    case 'c': {
      long double v;
      // 2^63 is the first value out of range of the 64-bit count.
      if (!ParseExtended(text, v) || !(std::fabs(v) < 9223372036854775808.0L)) return false;
      int64_t raw = std::llroundl(v);
      PutType(out, TValueType::vaCurrency);
      out.append(reinterpret_cast<const char*>(&raw), 8);
      return true;
    }
    case 'd': {
      double v;
      if (!ParseDouble(text, v)) return false;
      PutType(out, TValueType::vaDate);
      out.append(reinterpret_cast<const char*>(&v), 8);
      return true;
    }
  }
  return false;
}

namespace {

/// Appends text known to be ASCII, one byte per character.
void AppendAscii(std::u16string_view text, std::string& out) {
  size_t at = out.size();
  out.resize(at + text.size());
  char* o = out.data() + at;
  for (char16_t c : text) *o++ = static_cast<char>(c);
}

}  // namespace

bool IsAscii(std::u16string_view text) {
  char16_t acc = 0;
  for (char16_t c : text) acc |= c;
  return acc < 0x80;
}

bool IsAscii(std::string_view bytes) {
  unsigned char acc = 0;
  for (char c : bytes) acc |= static_cast<unsigned char>(c);
  return acc < 0x80;
}

bool EncodeShortString(std::u16string_view name, std::string& out) {
  size_t lenAt = out.size();
  out.push_back('\0');
  if (IsAscii(name)) {
    AppendAscii(name, out);
  } else {
    AppendUtf8(name, out);
  }
  size_t len = out.size() - lenAt - 1;
  if (len > 255) {
    out.resize(lenAt);
    return false;
  }
  out[lenAt] = static_cast<char>(len);
  return true;
}

bool EncodeIdent(std::u16string_view ident, std::string& out) {
  if (SameText(ident, u"False")) {
    PutType(out, TValueType::vaFalse);
  } else if (SameText(ident, u"True")) {
    PutType(out, TValueType::vaTrue);
  } else if (SameText(ident, u"nil")) {
    PutType(out, TValueType::vaNil);
  } else if (SameText(ident, u"Null")) {
    PutType(out, TValueType::vaNull);
  } else {
    PutType(out, TValueType::vaIdent);
    if (!EncodeShortString(ident, out)) {
      out.pop_back();
      return false;
    }
  }
  return true;
}

static void EncodeBytes8(std::string_view bytes, std::string& out) {
  if (bytes.size() <= 255) {
    PutType(out, TValueType::vaString);
    PutByte(out, static_cast<uint8_t>(bytes.size()));
  } else {
    PutType(out, TValueType::vaLString);
    PutInt32(out, static_cast<int32_t>(bytes.size()));
  }
  out.append(bytes);
}

static void EncodeWide(std::u16string_view text, std::string& out) {
  PutType(out, TValueType::vaWString);
  PutInt32(out, static_cast<int32_t>(text.size()));
  size_t at = out.size();
  out.resize(at + 2 * text.size());
  char* o = out.data() + at;
  for (char16_t c : text) {
    *o++ = static_cast<char>(c & 0xFF);
    *o++ = static_cast<char>(c >> 8);
  }
}

void EncodeString(std::u16string_view text, TStringKind kind, int codePage, std::string& out) {
  if (IsAscii(text)) {
    if (text.size() <= 255) {
      PutType(out, TValueType::vaString);
      PutByte(out, static_cast<uint8_t>(text.size()));
    } else {
      PutType(out, TValueType::vaLString);
      PutInt32(out, static_cast<int32_t>(text.size()));
    }
    AppendAscii(text, out);
    return;
  }
  switch (kind) {
    case TStringKind::skAnsi: {
      bool lossless = true;
      std::string bytes = UnicodeToAnsi(text, codePage, &lossless);
      if (lossless && AnsiToUnicode(bytes, codePage) == text) {
        EncodeBytes8(bytes, out);
        return;
      }
      break;
    }
    case TStringKind::skUtf8: {
      size_t at = out.size();
      PutType(out, TValueType::vaUTF8String);
      PutInt32(out, 0);
      if (AppendUtf8(text, out)) {
        int32_t len = static_cast<int32_t>(out.size() - at - 5);
        std::memcpy(&out[at + 1], &len, 4);
        return;
      }
      out.resize(at);
      break;
    }
    case TStringKind::skWide:
      break;
  }
  EncodeWide(text, out);
}

}  // namespace zan::dfm
