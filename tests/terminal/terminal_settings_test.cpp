#include "terminal/terminal_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "terminal/colour_schemes.h"
#include "textfmt/calendar.h"
#include "platform/process.h"
#include "terminal_fixture.h"

namespace kel {
namespace {

class TerminalSettingsTest : public testing::TerminalFixture {
 protected:
  void SetUp() override {
    TerminalFixture::SetUp();
    root_.Write("TERM/1/.keep", "");
    kel::SessionToFill().TerminalDir = "TERM\\1\\";
  }
  std::string Setting(const char* section, const char* key) const {
    return ReadIniKey(root_ / "TERM/1/NuroTerm.ini", section, key);
  }
  static std::string Today() {
    const platform::CalendarTime now = platform::LocalTime();
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", now.year, now.month, now.day);
    return digits;
  }
};

TEST_F(TerminalSettingsTest, EmptySettingsGetCatalogueDefaultColoursTodayAndLanguage) {
  const std::string before = Today();
  CompleteTerminalSettings();
  const std::string after = Today();  // the call may run across midnight

  EXPECT_EQ(Setting("Pantalla", "MaxColors"), "10");
  EXPECT_EQ(Setting("Pantalla", "Col"), kDefaultColours);
  EXPECT_EQ(Setting("Pantalla", "Seleccio"), "0");
  EXPECT_THAT(Setting("Sistema", "Data"), ::testing::AnyOf(before, after));
  EXPECT_EQ(Setting("Sistema", "Sortida"), "P");
  EXPECT_EQ(Setting("Sistema", "Idioma"), "CAT");
}

TEST_F(TerminalSettingsTest, OldScreenFileGivesTheColoursAndTheSchemeTheyMatch) {
  root_.Write("TERM/1/scrn.cfg", "14010701010301071404\r\n");

  CompleteTerminalSettings();

  EXPECT_EQ(Setting("Pantalla", "Col"), "14010701010301071404");
  EXPECT_EQ(Setting("Pantalla", "Seleccio"), "3");
}

TEST_F(TerminalSettingsTest, ShortOldScreenFileOverwritesOnlyTheStartOfTheDefault) {
  root_.Write("TERM/1/scrn.cfg", "0102");

  CompleteTerminalSettings();

  EXPECT_EQ(Setting("Pantalla", "Col"), "01020700000700070007");
  EXPECT_EQ(Setting("Pantalla", "Seleccio"), "0");
}

TEST_F(TerminalSettingsTest, LineEndInTheOldScreenFileEndsItsColours) {
  root_.Write("TERM/1/scrn.cfg", "1400\r\n[Sistema]\r\n");

  CompleteTerminalSettings();

  EXPECT_EQ(Setting("Pantalla", "Col"), "14000700000700070007");
  EXPECT_EQ(root_.Read("TERM/1/NuroTerm.ini").find("[Sistema]\r\n[Sistema]"), std::string::npos);
}

TEST_F(TerminalSettingsTest, OldSystemFileGivesWorkingDateAndOutputDevice) {
  root_.Write("TERM/1/system.cfg", PackDigits("20230704") + "SX");
  kel::SessionToFill().LanguageCode = "OCI";

  CompleteTerminalSettings();

  EXPECT_EQ(Setting("Sistema", "Data"), "20230704");
  EXPECT_EQ(Setting("Sistema", "Sortida"), "S");
  EXPECT_EQ(Setting("Sistema", "Idioma"), "OCI");
}

TEST_F(TerminalSettingsTest, ShortOldSystemFileKeepsTheRestOfToday) {
  root_.Write("TERM/1/system.cfg", PackDigits("19"));
  const std::string before = Today();
  CompleteTerminalSettings();
  const std::string after = Today();
  EXPECT_THAT(Setting("Sistema", "Data"),
              ::testing::AnyOf("19" + before.substr(2), "19" + after.substr(2)));
  EXPECT_EQ(Setting("Sistema", "Sortida"), "P");
}

TEST_F(TerminalSettingsTest, UnprintableOutputDeviceKeepsThePrinter) {
  root_.Write("TERM/1/system.cfg", PackDigits("20230704") + std::string("\n", 1));
  CompleteTerminalSettings();
  EXPECT_EQ(Setting("Sistema", "Sortida"), "P");
}

TEST_F(TerminalSettingsTest, BlankLanguageIsNotWritten) {
  kel::SessionToFill().LanguageCode = "   ";
  CompleteTerminalSettings();
  EXPECT_EQ(Setting("Sistema", "Idioma"), "");
  EXPECT_EQ(Setting("Sistema", "Sortida"), "P");
}

TEST_F(TerminalSettingsTest, CompleteSettingsAreLeftAsTheyAre) {
  const std::string settings =
      "[Pantalla]\r\nCol=14010701010301071404\r\nSeleccio=3\r\n[Sistema]\r\nData=20200101\r\n"
      "Sortida=S\r\nIdioma=SPA\r\n";
  root_.Write("TERM/1/NuroTerm.ini", settings);
  root_.Write("TERM/1/scrn.cfg", "01010101010101010101");

  CompleteTerminalSettings();

  EXPECT_EQ(root_.Read("TERM/1/NuroTerm.ini"), settings);
}

TEST_F(TerminalSettingsTest, ColoursWithoutLanguageCompleteOnlyTheSystemSection) {
  root_.Write("TERM/1/NuroTerm.ini", "[Pantalla]\r\nCol=14010701010301071404\r\n");

  CompleteTerminalSettings();

  EXPECT_EQ(Setting("Pantalla", "MaxColors"), "");
  EXPECT_EQ(Setting("Sistema", "Idioma"), "CAT");
}

}  // namespace
}  // namespace kel
