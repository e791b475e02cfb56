// Floating-point values of the component stream and their text: 80-bit
// extended values as the host stores them, and the host's two number formats
// (18 fixed decimals for extended values, up to 15 significant digits for
// singles, currency and dates).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zan::dfm {

/// The 10 bytes of an 80-bit extended value <-> the compiler's long double
/// (which is that format on x86).
long double ExtendedFromBytes(const char* bytes);
void ExtendedToBytes(long double value, char* bytes);

/// The host's text of an extended value: rounded to 16 significant digits and
/// shown with 18 decimals ("100.000000000000000000"); values of 1E16 and more
/// in scientific form ("1.5E20"); "NAN", "INF", "-INF".
void AppendFixedText(long double value, std::string& out);
/// The host's general text: at most `precision` significant digits, trailing
/// zeros dropped, scientific form below 1E-4 or from 1E15 on ("0.75", "1E-5").
void AppendGeneralText(long double value, std::string& out, int precision = 15);

/// Reads a decimal number ("-1.5", "2E-7", "42"). False when `text` is not
/// one or is out of range for the type.
bool ParseExtended(std::string_view text, long double& value);
bool ParseDouble(std::string_view text, double& value);
bool ParseSingle(std::string_view text, float& value);

}  // namespace zan::dfm
