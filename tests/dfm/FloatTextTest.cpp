// The host's two number texts and the number reader behind them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rtl/dfm/FloatText.h"

namespace zan::dfm {
namespace {

TEST(FormFloatText, FixedAndGeneralTexts) {
  struct TCase {
    long double Value;
    const char* Fixed;    // extended values: 16 digits, 18 decimals
    const char* General;  // singles, dates: up to 15 digits
  } cases[] = {
      {0, "0.000000000000000000", "0"},
      {-1.5L, "-1.500000000000000000", "-1.5"},
      {0.1L, "0.100000000000000000", "0.1"},
      {1.0L / 3, "0.333333333333333300", "0.333333333333333"},
      {2.0L / 3, "0.666666666666666700", "0.666666666666667"},
      {123.456L, "123.456000000000000000", "123.456"},
      {1e15L, "1000000000000000.000000000000000000", "1E15"},
      {1e16L, "1E16", "1E16"},
      {12345678901234567.0L, "1.234567890123457E16", "1.23456789012346E16"},
      {1e-4L, "0.000100000000000000", "0.0001"},
      {1e-5L, "0.000010000000000000", "1E-5"},
      {-1.5e-7L, "-0.000000150000000000", "-1.5E-7"},
      {1e-20L, "0.000000000000000000", "1E-20"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN", "NAN"},
      {std::numeric_limits<long double>::infinity(), "INF", "INF"},
      {-std::numeric_limits<long double>::infinity(), "-INF", "-INF"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Fixed);
    std::string fixed, general;
    AppendFixedText(c.Value, fixed);
    AppendGeneralText(c.Value, general);
    EXPECT_EQ(fixed, c.Fixed);
    EXPECT_EQ(general, c.General);
  }
}

TEST(FormFloatText, ReaderTakesNumbersOnly) {
  long double v = 0;
  for (const char* text : {"1", "-2.5", "+3", "1E+20", "1e-7", "0.750000000000000000"})
    EXPECT_TRUE(ParseExtended(text, v)) << text;
  for (const char* text : {"", "NAN", "INF", "-INF", "1.5x", "--1", "1E99999", "."})
    EXPECT_FALSE(ParseExtended(text, v)) << text;
  EXPECT_TRUE(ParseExtended("42.33333333333334", v));
  char bytes[10];
  ExtendedToBytes(v, bytes);
  EXPECT_EQ(ExtendedFromBytes(bytes), v);
  float s = 0;
  EXPECT_FALSE(ParseSingle("1E39", s));  // beyond a single's range
}

}  // namespace
}  // namespace zan::dfm
