#include "rtl/dfm/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace zan::dfm {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the form converter needs long double to be the 80-bit extended format");

long double ExtendedFromBytes(const char* bytes) {
  long double value = 0;
  std::memset(&value, 0, sizeof value);
  std::memcpy(&value, bytes, 10);
  return value;
}

void ExtendedToBytes(long double value, char* bytes) {
  std::memcpy(bytes, &value, 10);
}

namespace {

/// Significant digits and decimal exponent of `value` (value = d.ddd * 10^exp),
/// rounded to `precision` digits. `value` must be finite and non-zero.
struct TDigits {
  char Digits[40];
  int Count = 0;
  int Exp = 0;
};

TDigits Decompose(long double value, int precision) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                           precision - 1);
  TDigits d;
  const char* p = buf;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits[d.Count++] = *p;
  int exp = 0;
  std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exp);
  d.Exp = exp;
  return d;
}

bool AppendSpecial(long double value, std::string& out) {
  if (std::isnan(value)) {
    out += "NAN";
    return true;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

/// d.dddE[-]x with trailing zeros dropped, as the host's general format shows it.
void AppendScientific(const TDigits& d, bool negative, std::string& out) {
  int count = d.Count;
  while (count > 1 && d.Digits[count - 1] == '0') --count;
  if (negative) out += '-';
  out += d.Digits[0];
  if (count > 1) {
    out += '.';
    out.append(d.Digits + 1, count - 1);
  }
  out += 'E';
  out += std::to_string(d.Exp);
}

}  // namespace

void AppendFixedText(long double value, std::string& out) {
  constexpr int kPrecision = 16;
  constexpr int kDecimals = 18;
  if (AppendSpecial(value, out)) return;
  if (value == 0) {
    out += std::signbit(value) ? "-0.000000000000000000" : "0.000000000000000000";
    return;
  }
  TDigits d = Decompose(value, kPrecision);
  bool negative = value < 0;
  if (d.Exp >= kPrecision) {
    AppendScientific(d, negative, out);
    return;
  }
  if (d.Exp < -3) {
    // The 18 decimals end before the 16th significant digit: round there.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, kDecimals);
    out.append(buf, res.ptr);
    return;
  }
  if (negative) out += '-';
  if (d.Exp >= 0) {
    out.append(d.Digits, d.Exp + 1);
    out += '.';
    out.append(d.Digits + d.Exp + 1, d.Count - d.Exp - 1);
    out.append(kDecimals - (d.Count - d.Exp - 1), '0');
  } else {
    out += "0.";
    out.append(-d.Exp - 1, '0');
    out.append(d.Digits, d.Count);
    out.append(kDecimals - (-d.Exp - 1) - d.Count, '0');
  }
}

void AppendGeneralText(long double value, std::string& out, int precision) {
  if (AppendSpecial(value, out)) return;
  if (value == 0) {
    out += '0';
    return;
  }
  TDigits d = Decompose(value, precision);
  bool negative = value < 0;
  if (d.Exp >= precision || d.Exp < -4) {
    AppendScientific(d, negative, out);
    return;
  }
  int count = d.Count;
  while (count > d.Exp + 1 && count > 1 && d.Digits[count - 1] == '0') --count;
  if (negative) out += '-';
  if (d.Exp >= 0) {
    out.append(d.Digits, d.Exp + 1);
    if (count > d.Exp + 1) {
      out += '.';
      out.append(d.Digits + d.Exp + 1, count - d.Exp - 1);
    }
  } else {
    out += "0.";
    out.append(-d.Exp - 1, '0');
    out.append(d.Digits, count);
  }
}

template <typename T>
static bool ParseNumber(std::string_view text, T& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (*first == '+') ++first;
  // Only digits begin a number here: "NAN" and "INF" are identifiers in form text.
  const char* digit = first + (first < last && *first == '-');
  if (digit == last || *digit < '0' || *digit > '9') return false;
  auto res = std::from_chars(first, last, value, std::chars_format::general);
  return res.ec == std::errc() && res.ptr == last;
}

bool ParseExtended(std::string_view text, long double& value) {
  return ParseNumber(text, value);
}
bool ParseDouble(std::string_view text, double& value) {
  return ParseNumber(text, value);
}
bool ParseSingle(std::string_view text, float& value) {
  return ParseNumber(text, value);
}

}  // namespace zan::dfm
