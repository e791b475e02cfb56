// A deliberately simple reader of component streams, used only by the tests:
// it prints what a stream holds in a normalised form (every integer width as
// one number, every string kind as its text, floats to 12 significant
// digits), so that streams written by different converters can be compared
// by the values they carry. The kinds of floats are not told apart either
// (singles are printed to 6 digits), and an identifier Null counts as the
// value Null: Free Pascal's text reader writes these differently.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace zan::test {

class TStreamDump {
 public:
  explicit TStreamDump(std::string_view s) : S(s) {}

  std::string Run() {
    if (Take(4) != "TPF0") throw std::runtime_error("no signature");
    Object(0);
    return Out;
  }

 private:
  std::string_view S;
  size_t P = 0;
  std::string Out;

  std::string_view Take(size_t n) {
    if (n > S.size() - P) throw std::runtime_error("truncated");
    std::string_view v = S.substr(P, n);
    P += n;
    return v;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Take(1)[0]); }
  template <typename T>
  T Get() {
    T v;
    std::memcpy(&v, Take(sizeof(T)).data(), sizeof(T));
    return v;
  }
  std::string Short() { return std::string(Take(Byte())); }
  bool End() {
    if (static_cast<uint8_t>(Take(1)[0]) == 0) return true;
    --P;
    return false;
  }
  void Line(int depth, const std::string& text) {
    Out += std::string(2 * depth, ' ') + text + "\n";
  }
  static std::string Float(long double v, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*Lg", digits, v);
    return buf;
  }

  void Object(int depth) {
    std::string head;
    if ((static_cast<uint8_t>(S.at(P)) & 0xF0) == 0xF0) {
      uint8_t flags = Byte() & 0x0F;
      head = (flags & 1) ? "inherited" : (flags & 4) ? "inline" : "object";
      if (flags & 2) head += " [" + Value(depth) + "]";
    } else {
      head = "object";
    }
    std::string cls = Short();
    Line(depth, head + " " + Short() + ": " + cls);
    while (!End()) Property(depth + 1);
    while (!End()) Object(depth + 1);
  }

  void Property(int depth) {
    std::string name = Short();
    Line(depth, name + " = " + Value(depth + 1));
  }

  std::string Text8(std::string_view bytes) {
    return "s " + Utf16ToUtf8(AnsiToUnicode(bytes, 1252));
  }

  std::string Value(int depth) {
    switch (Byte()) {
      case 0:
        return "Null";
      case 1:
        while (!End()) Line(depth, Value(depth + 1));
        return "(list)";
      case 2:
        return "i " + std::to_string(Get<int8_t>());
      case 3:
        return "i " + std::to_string(Get<int16_t>());
      case 4:
        return "i " + std::to_string(Get<int32_t>());
      case 19:
        return "i " + std::to_string(Get<int64_t>());
      case 5: {
        long double v = 0;
        std::memcpy(&v, Take(10).data(), 10);
        return "f " + Float(v, 12);
      }
      case 21:
        return "f " + Float(Get<double>(), 12);
      case 15:
        return "f " + Float(Get<float>(), 6);
      // Currency as its count of ten-thousandths, the number its text shows.
      case 16:
        return "f " + Float(static_cast<long double>(Get<int64_t>()), 12);
      case 17:
        return "f " + Float(Get<double>(), 12);
      case 6:
        return Text8(Take(Byte()));
      case 12:
        return Text8(Take(Get<int32_t>()));
      case 20:
        return "s " + std::string(Take(Get<int32_t>()));
      case 18: {
        std::string_view b = Take(2 * static_cast<size_t>(Get<int32_t>()));
        std::u16string w(b.size() / 2, u'\0');
        for (size_t i = 0; i < w.size(); ++i)
          w[i] = static_cast<char16_t>(static_cast<uint8_t>(b[2 * i]) |
                                       (static_cast<uint8_t>(b[2 * i + 1]) << 8));
        return "s " + Utf16ToUtf8(w);
      }
      case 7: {
        std::string ident = Short();
        return SameText(Utf8ToUtf16(ident), u"Null") ? "Null" : "n " + ident;
      }
      case 8:
        return "n False";
      case 9:
        return "n True";
      case 13:
        return "n nil";
      case 10: {
        std::string_view b = Take(Get<int32_t>());
        std::string hex;
        for (char c : b)
          hex += "0123456789ABCDEF"[(c >> 4) & 15], hex += "0123456789ABCDEF"[c & 15];
        return "b " + hex;
      }
      case 11: {
        std::string set = "[";
        for (std::string e; !(e = Short()).empty();) set += e + ",";
        return set + "]";
      }
      case 14:
        while (!End()) {
          std::string item = "item";
          uint8_t t = static_cast<uint8_t>(S.at(P));
          if (t >= 2 && t <= 4) item += " [" + Value(depth) + "]";
          Line(depth, item);
          if (Byte() != 1) throw std::runtime_error("no list");
          while (!End()) Property(depth + 1);
        }
        return "(collection)";
    }
    throw std::runtime_error("bad value type at " + std::to_string(P - 1));
  }
};

inline std::string DumpStream(std::string_view stream) {
  return TStreamDump(stream).Run();
}

}  // namespace zan::test
