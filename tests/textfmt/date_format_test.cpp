#include "textfmt/date_format.h"

#include <gtest/gtest.h>

#include "display_settings_fixture.h"
#include "platform/codepage.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"

namespace kel {
namespace {

class DateFormatTest : public testing::DisplaySettingsTest {
 protected:
  static std::string Format(const char* digits, int style, std::string_view parts,
                            const char* language = "   ") {
    SessionToFill().LanguageCode = language;
    return Cp850ToUtf8(FormatDate(PackDigits(digits), style, parts));
  }
};

// ---- Styles with the default settings ---------------------------------------------------------

struct StyleCase {
  const char* date;
  int style;
  const char* parts;
  const char* language;
  const char* expected;
};

TEST_F(DateFormatTest, StylesWithDefaultSettings) {
  const StyleCase cases[] = {
      {"20240305", 0, "dma", "   ", "5/3/2024  "},
      {"20240305", 1, "dma", "   ", "5/mar/2024 "},
      {"20240305", 2, "dma", "   ", "5 de març del 2024"},
      {"20240415", 2, "dma", "   ", "15 d'abril del 2024"},
      {"20240415", 2, "m", "   ", "abril"},
      {"20240415", -1, "", "   ", "2024-04-15"},
      {"20240415", -1, "m", "SPA", "2024-04-15"},
      {"20241231", 0, "DMA", "   ", "31/12/2024"},
      {"20241231", 0, "amd", "   ", "31/12/2024"},
      {"20240305", 0, "m", "   ", "3 "},
      {"20240305", 1, "ma", "   ", "mar/2024"},
      {"20240305", 0, "da", "   ", "5/2024 "},
      {"20240305", 9, "dma", "   ", "5 de març del 2024"},
      {"20240305", 0, "", "   ", ""},
      {"20240305", 2, "", "   ", ""},
      {"20240305", 0, "x", "   ", ""},
  };
  for (const StyleCase& c : cases) {
    EXPECT_EQ(Format(c.date, c.style, c.parts, c.language), c.expected)
        << c.date << " style " << c.style << " parts " << c.parts;
  }
}

TEST_F(DateFormatTest, NoDateGivesBlanksOrNothing) {
  EXPECT_EQ(Format("00000000", 0, "dma"), std::string(10, ' '));
  EXPECT_EQ(Format("00000000", 1, "dma"), std::string(11, ' '));
  EXPECT_EQ(Format("00000000", 2, "dma"), "");
  EXPECT_EQ(Format("00000000", -1, "dma"), "0000-00-00");
  EXPECT_EQ(Format("20240000", 2, "dma"), "");
}

TEST_F(DateFormatTest, ShortDateReadsMissingDigitsAsZero) {
  SessionToFill().LanguageCode = "   ";
  EXPECT_EQ(FormatDate("", -1, ""), "0000-00-00");
  EXPECT_EQ(FormatDate(PackDigits("202403"), -1, ""), "2024-03-00");
}

TEST_F(DateFormatTest, MonthOutsideTheYearShowsItsNumber) {
  EXPECT_EQ(Format("20241305", 1, "dm"), "5/13  ");
  EXPECT_EQ(Format("20241305", 2, "dm"), "5 de 13");
}

// ---- Languages ----------------------------------------------------------------------------------

TEST_F(DateFormatTest, LongFormInEveryLanguage) {
  const StyleCase cases[] = {
      {"20240415", 2, "dma", "   ", "15 d'abril del 2024"},
      {"20240415", 2, "dma", "SPA", "15 de abril de 2024"},
      {"20240415", 2, "dma", "GLG", "15 de abril do 2024"},
      {"20240415", 2, "dma", "OCI", "15 d'abriu deth 2024"},
      {"20240801", 2, "dma", "   ", "1 d'agost del 2024"},
      {"20241001", 2, "dma", "   ", "1 d'octubre del 2024"},
      {"20241001", 2, "dma", "OCI", "1 d'octobre deth 2024"},
      {"20240801", 2, "dma", "SPA", "1 de agosto de 2024"},
      {"20241001", 2, "dma", "GLG", "1 de outubro do 2024"},
      {"20240701", 2, "dma", "OCI", "1 de junhsega deth 2024"},
      {"20240201", 2, "dma", "OCI", "1 de hereuèr deth 2024"},
      {"20240305", 2, "dma", "XYZ", "5 de març del 2024"},
      {"20240305", 2, "dma", "spa", "5 de març del 2024"},
  };
  for (const StyleCase& c : cases) {
    EXPECT_EQ(Format(c.date, c.style, c.parts, c.language), c.expected) << c.language;
  }
}

TEST_F(DateFormatTest, MonthNamesOfEveryLanguage) {
  const char* names[4][12] = {
      {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre",
       "octubre", "noviembre", "diciembre"},
      {"janeiro", "fevereiro", "março", "abril", "maio", "junho", "julho", "agosto", "setembro",
       "outubro", "novembro", "dezembro"},
      {"gèr", "hereuèr", "març", "abriu", "mai", "junh", "junhsega", "agost", "seteme", "octobre",
       "noveme", "deseme"},
      {"gener", "febrer", "març", "abril", "maig", "juny", "juliol", "agost", "setembre",
       "octubre", "novembre", "desembre"},
  };
  const char* languages[4] = {"SPA", "GLG", "OCI", "CAT"};
  for (int l = 0; l < 4; ++l) {
    SessionToFill().LanguageCode = languages[l];
    for (int m = 1; m <= 12; ++m) {
      EXPECT_EQ(Cp850ToUtf8(MonthName(m)), names[l][m - 1]) << languages[l] << " " << m;
      const std::string date = PackDate(2024, m, 1);
      EXPECT_EQ(FormatDate(date, 2, "m"), MonthName(m));
      EXPECT_EQ(FormatDate(date, 1, "m"), Cp850(names[l][m - 1]).substr(0, 3));
    }
  }
  EXPECT_EQ(MonthName(0), "");
  EXPECT_EQ(MonthName(13), "");
}

TEST_F(DateFormatTest, OccitanJulyAbbreviatesLikeJune) {
  EXPECT_NE(Format("20240701", 1, "m"), Format("20240601", 1, "m"));
  EXPECT_EQ(Format("20240701", 1, "m", "OCI"), "jun");
  EXPECT_EQ(Format("20240701", 1, "m", "OCI"), Format("20240601", 1, "m", "OCI"));
  EXPECT_EQ(Format("20240301", 1, "dma", "OCI"), "1/mar/2024 ");
}

// ---- Settings -------------------------------------------------------------------------------------

TEST_F(DateFormatTest, MissingFileGivesDefaults) {
  EXPECT_EQ(DateSeparator(), '/');
  EXPECT_EQ(DateOrder(), "DMA");
}

TEST_F(DateFormatTest, MissingKeysGiveDefaults) {
  WriteUserSettings({"DecCaracter=,"});
  EXPECT_EQ(DateSeparator(), '/');
  EXPECT_EQ(DateOrder(), "DMA");
}

TEST_F(DateFormatTest, YearFirstOrder) {
  WriteUserSettings({"DatOrdre=AMD"});
  EXPECT_EQ(Format("20240305", 0, "dma"), "2024/3/5  ");
}

TEST_F(DateFormatTest, MonthFirstLongForm) {
  WriteUserSettings({"DatOrdre=MDA"});
  EXPECT_EQ(Format("20240305", 2, "dma"), "març del 5 del 2024");
}

TEST_F(DateFormatTest, SeparatorUsesFirstCharacter) {
  WriteUserSettings({"DatCaracter=-.", "DatOrdre=DMAX"});
  EXPECT_EQ(DateSeparator(), '-');
  EXPECT_EQ(DateOrder(), "DMA");
  EXPECT_EQ(Format("20240305", 0, "dma"), "5-3-2024  ");
}

TEST_F(DateFormatTest, EmptySeparatorGivesSlash) {
  WriteUserSettings({"DatCaracter=", "DatOrdre="});
  EXPECT_EQ(DateSeparator(), '/');
  EXPECT_EQ(DateOrder(), "DMA");
}

TEST_F(DateFormatTest, SeparatorBeginningWithBlankGivesSlash) {
  WriteUserSettings({"DatCaracter=\" -\"", "DatOrdre=\"   \""});
  EXPECT_EQ(DateSeparator(), '/');
  EXPECT_EQ(DateOrder(), "DMA");
}

TEST_F(DateFormatTest, ShortOrderIsFilledWithBlanks) {
  WriteUserSettings({"DatOrdre=MA"});
  EXPECT_EQ(DateOrder(), "MA ");
  EXPECT_EQ(Format("20240305", 0, "dma"), "3/2024    ");
}

TEST_F(DateFormatTest, SettingsAreReadOnce) {
  WriteUserSettings({"DatCaracter=."});
  EXPECT_EQ(Format("20240305", 0, "dm"), "5.3  ");
  WriteUserSettings({"DatCaracter=-"});
  EXPECT_EQ(Format("20240305", 0, "dm"), "5.3  ");
  ResetDateFormatSettings();
  EXPECT_EQ(Format("20240305", 0, "dm"), "5-3  ");
}

}  // namespace
}  // namespace kel
