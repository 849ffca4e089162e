#include "textfmt/number_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "display_settings_fixture.h"

namespace kel {
namespace {

using NumberFormatTest = testing::DisplaySettingsTest;

struct MaskCase {
  const char* mask;
  double value;
  const char* expected;
};

void ExpectFormats(const MaskCase* begin, const MaskCase* end) {
  for (const MaskCase* c = begin; c != end; ++c) {
    EXPECT_EQ(FormatNumber(c->mask, c->value), c->expected) << c->mask << " " << c->value;
  }
}

// ---- The mask characters, with the default separators --------------------------------------------

TEST_F(NumberFormatTest, ExampleTable) {
  const MaskCase cases[] = {
      {"ZZ9.99", 12.5, " 12'50"},
      {"ZZ9.99", 0, "  0'00"},
      {"ZZ9.99", -3.456, " -3'46"},
      {"-ZZ9.99", -3.456, "-  3'46"},
      {"Z,ZZ9", 1234, "1.234"},
      {"Z,ZZ9", 123, "  123"},
      {"ZZ.ZZ", 12, "12   "},
      {"ZZZ.ZZ", 12.5, " 12'5 "},
      {"ZZ.ZZ", 0.05, "  '05"},
      {"***9.99", 5, "***5'00"},
      {"**,**9", 12, "****12"},
      {"ZZ9", 0.5, "  0"},
      {"ZZ9", 1.5, "  2"},
      {"ZZ9", 2.5, "  2"},
      {"ZZ9", 12345, "!!!"},
      {"9999", -12, "0-12"},
      {"ZZ9.99-", -5, "  5'00-"},
      {"+ZZ9", 7, "+  7"},
      {"-Z9.99", -123.45, "-123'4"},
      {"-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", -1234.5, "-                1.234"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST_F(NumberFormatTest, NegativeThatRoundsToZeroKeepsItsSign) {
  EXPECT_EQ(FormatNumber("ZZ9.99", -0.004), "  -'00");
  EXPECT_EQ(FormatNumber("-ZZ9.99", -0.004), "-  0'00");
  EXPECT_EQ(FormatNumber("ZZ9.99", -0.0), "  0'00");
}

TEST_F(NumberFormatTest, TiesRoundToEven) {
  const MaskCase cases[] = {
      {"9.99", 0.125, "0'12"}, {"9.99", 0.375, "0'38"}, {"ZZ9", 3.5, "  4"},
      {"ZZ9", -2.5, " -2"},    {"ZZ9", 2.5000001, "  3"}, {"ZZ9", 0.4999999, "  0"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST_F(NumberFormatTest, ZeroAndBlankDecimals) {
  const MaskCase cases[] = {
      {"ZZZ", 0, "   "},      {"ZZ9", 0, "  0"},         {"ZZ.ZZ", 0, "     "},
      {"ZZ.ZZ", 5, " 5   "},  {"ZZ.99", 5, " 5'00"},     {"Z.ZZ", 1.5, "1'5 "},
      {"ZZZ.zz", 7.25, "  7'25"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST_F(NumberFormatTest, SignPositions) {
  const MaskCase cases[] = {
      {"-ZZ9", 5, "   5"},  {"-ZZ9", -5, "-  5"},   {"+ZZ9", -5, "-  5"},
      {"ZZ9+", 5, "  5+"},  {"ZZ9-", -5, "  5-"},   {"ZZ9.9+", -1.5, "  1'5-"},
      {"**9", -5, "*-5"},   {"Z,ZZ9", -123, " -123"}, {"9,999", -12, "0.-12"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST_F(NumberFormatTest, OtherCharactersAreCopied) {
  const MaskCase cases[] = {
      {"ZZ9 %", 42, " 42 %"}, {"(ZZ9)", 7, "(  7)"}, {"9/99", 123, "1/23"}, {"", 5, ""},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

// ---- Overflow ---------------------------------------------------------------------------------------

TEST_F(NumberFormatTest, TooLargeForTheMask) {
  const MaskCase cases[] = {
      {"ZZ9", 12345, "!!!"},
      {"999", -123, "!!!"},      // no room for the sign of an unsigned mask
      {"9999", -123, "-123"},
      {"Z9.99", 123.456, "123'4"},
      {"ZZZZZ9.9", 12345678.9, "12345678"},
      {"-Z9", -1234, "!!!"},
      {"-ZZ9", -1234, "!!!!"},
      {"-ZZZ9", -1234, "-1234"},
  };
  ExpectFormats(std::begin(cases), std::end(cases));
}

TEST_F(NumberFormatTest, NotANumberAndInfinitiesFillTheMaskWithExclamationMarks) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatNumber("-Z,ZZ9.99", nan), "!!!!!!!!!");
  EXPECT_EQ(FormatNumber("-Z,ZZ9.99", inf), "!!!!!!!!!");
  EXPECT_EQ(FormatNumber("-Z,ZZ9.99", -inf), "!!!!!!!!!");
  EXPECT_EQ(FormatNumber("", nan), "");
}

TEST_F(NumberFormatTest, HugeValuesShowTheirExactDigits) {
  EXPECT_EQ(FormatNumber(std::string(25, 'Z'), 1e20), "    100000000000000000000");
  EXPECT_EQ(FormatNumber("ZZ9", DBL_MAX), "!!!");
  EXPECT_EQ(FormatNumber("ZZ9.99", -DBL_MAX), "!!!!!!");

  char expected[400];
  std::snprintf(expected, sizeof expected, "%.0f", 1e300);
  const std::string mask(320, 'Z');
  const std::string shown = FormatNumber(mask, 1e300);
  ASSERT_EQ(shown.size(), mask.size());
  EXPECT_EQ(shown.substr(shown.find_first_not_of(' ')), expected);
}

TEST_F(NumberFormatTest, DecimalsBeyondTheExactPowersOfTen) {
  char expected[64];
  std::snprintf(expected, sizeof expected, "%.30f", 0.1);
  std::string want(expected);
  want[want.find_first_of(".,")] = '\'';
  EXPECT_EQ(FormatNumber("9." + std::string(30, '9'), 0.1), want);
  EXPECT_EQ(FormatNumber("9." + std::string(400, '9'), 1.5).substr(0, 6), "1'5000");
  EXPECT_EQ(FormatNumber("Z." + std::string(400, 'Z'), 0), std::string(402, ' '));
}

// A negative number must never read as positive: when the mask has no place for the sign the
// overflow form shows it.
TEST_F(NumberFormatTest, SignWithNoPlaceUsesTheOverflowForm) {
  EXPECT_EQ(FormatNumber("$99", -12), "-12");
  EXPECT_EQ(FormatNumber("$99", 12), "$12");
  EXPECT_EQ(FormatNumber(".99", -0.05), "-'0");
  EXPECT_EQ(FormatNumber("x99", -5), "x-5");
}

// ---- Separators from the settings ----------------------------------------------------------------

TEST_F(NumberFormatTest, MissingFileGivesDefaultSeparators) {
  EXPECT_EQ(DecimalSeparator(), '\'');
  EXPECT_EQ(ThousandsSeparator(), '.');
}

TEST_F(NumberFormatTest, ConfiguredSeparators) {
  WriteUserSettings({"DecCaracter=,", "MilCaracter=."});
  EXPECT_EQ(FormatNumber("Z,ZZ9.99", 1234.5), "1.234,50");
  EXPECT_EQ(FormatNumber("-Z9.99", -123.45), "-123,4");
}

TEST_F(NumberFormatTest, MultiCharacterSeparatorsUseTheFirst) {
  WriteUserSettings({"DecCaracter=.,", "MilCaracter=',"});
  EXPECT_EQ(FormatNumber("Z,ZZ9.99", 1234.5), "1'234.50");
}

TEST_F(NumberFormatTest, BlankOrEmptySeparatorsGiveDefaults) {
  WriteUserSettings({"DecCaracter=\" \"", "MilCaracter="});
  EXPECT_EQ(DecimalSeparator(), '\'');
  EXPECT_EQ(ThousandsSeparator(), '.');
  EXPECT_EQ(FormatNumber("Z,ZZ9.99", 1234.5), "1.234'50");
}

TEST_F(NumberFormatTest, BlankThousandsSeparatorGivesDefault) {
  WriteUserSettings({"DecCaracter=,", "MilCaracter=\" \""});
  EXPECT_EQ(ThousandsSeparator(), '.');
  EXPECT_EQ(DecimalSeparator(), ',');
}

TEST_F(NumberFormatTest, SeparatorsAreReadOnce) {
  WriteUserSettings({"DecCaracter=,"});
  EXPECT_EQ(FormatNumber("9.9", 1.5), "1,5");
  WriteUserSettings({"DecCaracter=:"});
  EXPECT_EQ(FormatNumber("9.9", 1.5), "1,5");
  ResetNumberFormatSettings();
  EXPECT_EQ(FormatNumber("9.9", 1.5), "1:5");
}

// ---- Properties ---------------------------------------------------------------------------------

// Any mask and any value give a text of the mask's length made of the mask's own characters,
// digits, fills, signs, separators and overflow marks.
TEST_F(NumberFormatTest, AlwaysTheMasksLength) {
  std::mt19937_64 random(850);
  const std::string alphabet = "9Zz*.,-+x 9Z9Z";
  const double specials[] = {
      std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN,
      std::numeric_limits<double>::denorm_min(), 0.0, -0.0, 0.5, -0.5, 9.5e18, 1.8446744073709552e19,
      -9.2233720368547758e18, 4503599627370495.5, 1e22, 1e23};
  std::uniform_int_distribution<int> length(0, 40);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> exponent(-30, 310);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<std::size_t> special(0, std::size(specials) - 1);
  for (int i = 0; i < 20000; ++i) {
    std::string mask(static_cast<std::size_t>(length(random)), ' ');
    for (char& ch : mask) ch = alphabet[pick(random)];
    const double value = i % 4 == 0 ? specials[special(random)]
                                    : mantissa(random) * std::pow(10.0, exponent(random));
    const std::string shown = FormatNumber(mask, value);
    ASSERT_EQ(shown.size(), mask.size()) << mask << " " << value;
    for (std::size_t k = 0; k < shown.size(); ++k) {
      const char ch = shown[k];
      const bool allowed = ch == mask[k] || (ch >= '0' && ch <= '9') || ch == ' ' || ch == '*' ||
                           ch == '-' || ch == '+' || ch == '!' || ch == '\'' || ch == '.';
      ASSERT_TRUE(allowed) << mask << " " << value << " -> " << shown;
    }
  }
}

// Through the calculator's masks every figure of up to 15 digits reads back exactly.
TEST_F(NumberFormatTest, CalculatorMasksShowEveryDigit) {
  std::mt19937_64 random(5);
  std::uniform_int_distribution<long long> figure(-999999999999999LL, 999999999999999LL);
  for (int decimals = 0; decimals <= 4; ++decimals) {
    std::string mask = "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
    if (decimals > 0) mask += "." + std::string(static_cast<std::size_t>(decimals), '9');
    for (int i = 0; i < 2000; ++i) {
      const long long n = figure(random);
      const double value = static_cast<double>(n) / std::pow(10.0, decimals);
      const std::string shown = FormatNumber(mask, value);
      ASSERT_EQ(shown.size(), mask.size());
      std::string digits;
      for (char ch : shown) {
        if (ch >= '0' && ch <= '9') digits += ch;
      }
      const std::string expected = std::to_string(n < 0 ? -n : n);
      ASSERT_EQ(digits.substr(digits.find_first_not_of('0') == std::string::npos
                                  ? digits.size() - 1
                                  : digits.find_first_not_of('0')),
                expected)
          << mask << " " << shown;
      ASSERT_EQ(shown[0] == '-', n < 0) << shown;
    }
  }
}

}  // namespace
}  // namespace kel
