#include "terminal/colour_schemes.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "terminal_fixture.h"

namespace kel {
namespace {

class ColourSchemesTest : public testing::TerminalFixture {
 protected:
  void SetUp() override {
    TerminalFixture::SetUp();
    root_.Write("TERM/1/.keep", "");
    kel::SessionToFill().TerminalDir = "TERM\\1\\";
  }
  std::string Written(const std::string& key) const {
    return ReadIniKey(root_ / "TERM/1/NuroTerm.ini", "Pantalla", key);
  }
  void WriteIn(const char* language) {
    kel::SessionToFill().LanguageCode = language;
    WriteColourSchemes();
  }
};

TEST_F(ColourSchemesTest, FreshFileHoldsTheCatalogueInOrder) {
  WriteIn("CAT");
  EXPECT_EQ(root_.Read("TERM/1/NuroTerm.ini"),
            Cp850("[Pantalla]\r\nMaxColors=10\r\n"
                  "Col1=15000700000700061502\r\nNom1=CLÀSSIC MONO\r\n"
                  "Col2=15000700000700070900\r\nNom2=HERCULES\r\n"
                  "Col3=14010701010301071404\r\nNom3=CLÀSSIC COLOR\r\n"
                  "Col4=14001500150100031502\r\nNom4=CONTRAST NEGRE\r\n"
                  "Col5=00070007150008001500\r\nNom5=CONTRAST BLANC\r\n"
                  "Col6=14010701010201051404\r\nNom6=MODERN COLOR\r\n"
                  "Col7=14000600000600071405\r\nNom7=AMBRE\r\n"
                  "Col8=00060106060006071505\r\nNom8=AMBRE INVERS\r\n"
                  "Col9=15000700150515021505\r\nNom9=BLANC ANTIC\r\n"
                  "Col10=10000200000200031502\r\nNom10=VERD ANTIC\r\n"));
}

TEST_F(ColourSchemesTest, NamesFollowTheSessionLanguage) {
  WriteIn("SPA");
  EXPECT_EQ(Written("Nom1"), "CLASICO MONO");
  EXPECT_EQ(Written("Nom8"), "AMBAR INVERSO");
  EXPECT_EQ(Written("Nom9"), "BLANCO ANTIGUO");
  WriteIn("GLG");
  EXPECT_EQ(Written("Nom1"), Cp850("CLÁSSICO MONO"));
  EXPECT_EQ(Written("Nom7"), Cp850("ÂMBAR"));
  EXPECT_EQ(Written("Nom5"), "CONTRASTE BRANCO");
  WriteIn("OCI");
  EXPECT_EQ(Written("Nom6"), Cp850("MODÈRN COLOR"));
  EXPECT_EQ(Written("Nom4"), "CONTRAST NERE");
  EXPECT_EQ(Written("Nom10"), "VERD  ANTIC");
  WriteIn("CAS");
  EXPECT_EQ(Written("Nom1"), Cp850("CLÀSSIC MONO"));
  EXPECT_EQ(Written("Nom10"), "VERD ANTIC");
  WriteIn("   ");
  EXPECT_EQ(Written("Nom3"), Cp850("CLÀSSIC COLOR"));
  EXPECT_EQ(Written("Col3"), "14010701010301071404");
}

TEST_F(ColourSchemesTest, EveryNameInEveryLanguage) {
  const std::pair<const char*, std::array<const char*, 10>> languages[] = {
      {"SPA", {"CLASICO MONO", "HERCULES", "CLASICO COLOR", "CONTRASTE NEGRO", "CONTRASTE BLANCO",
               "MODERNO COLOR", "AMBAR", "AMBAR INVERSO", "BLANCO ANTIGUO", "VERDE ANTIGUO"}},
      {"GLG", {"CLÁSSICO MONO", "HERCULES", "CLÁSSICO COR", "CONTRASTE NEGRO", "CONTRASTE BRANCO",
               "MODERNO COR", "ÂMBAR", "ÂMBAR INVERSO", "BRANCO ANTIGO", "VERDE ANTIGO"}},
      {"OCI", {"CLASSIC MONO", "HERCULES", "CLASSIC COLOR", "CONTRAST NERE", "CONTRAST BLANC",
               "MODÈRN COLOR", "AMBRE", "AMBRE INVÈRS", "BLANC ANTIC", "VERD  ANTIC"}},
      {"CAT", {"CLÀSSIC MONO", "HERCULES", "CLÀSSIC COLOR", "CONTRAST NEGRE", "CONTRAST BLANC",
               "MODERN COLOR", "AMBRE", "AMBRE INVERS", "BLANC ANTIC", "VERD ANTIC"}},
  };
  for (const auto& [code, names] : languages) {
    WriteIn(code);
    for (int n = 1; n <= 10; ++n) {
      EXPECT_EQ(Written("Nom" + std::to_string(n)), Cp850(names[static_cast<std::size_t>(n - 1)])) << code << n;
    }
  }
}

TEST_F(ColourSchemesTest, RewritesTheCatalogueInPlaceAndLeavesOtherKeys) {
  std::string before = "; terminal 1\r\n[Pantalla]\r\nCol=01020304050607080910\r\nSeleccio=4\r\nMaxColors=2\r\n";
  for (int n = 1; n <= 10; ++n) before += "Col" + std::to_string(n) + "=OLD\r\nNom" + std::to_string(n) + "=OLD\r\n";
  before += "Vora=1\r\n\r\n[Sistema]\r\nIdioma=OCI\r\n";
  root_.Write("TERM/1/NuroTerm.ini", before);

  WriteIn("OCI");

  const std::string expected = Cp850(
      "; terminal 1\r\n[Pantalla]\r\nCol=01020304050607080910\r\nSeleccio=4\r\nMaxColors=10\r\n"
      "Col1=15000700000700061502\r\nNom1=CLASSIC MONO\r\n"
      "Col2=15000700000700070900\r\nNom2=HERCULES\r\n"
      "Col3=14010701010301071404\r\nNom3=CLASSIC COLOR\r\n"
      "Col4=14001500150100031502\r\nNom4=CONTRAST NERE\r\n"
      "Col5=00070007150008001500\r\nNom5=CONTRAST BLANC\r\n"
      "Col6=14010701010201051404\r\nNom6=MODÈRN COLOR\r\n"
      "Col7=14000600000600071405\r\nNom7=AMBRE\r\n"
      "Col8=00060106060006071505\r\nNom8=AMBRE INVÈRS\r\n"
      "Col9=15000700150515021505\r\nNom9=BLANC ANTIC\r\n"
      "Col10=10000200000200031502\r\nNom10=VERD  ANTIC\r\n"
      "Vora=1\r\n\r\n[Sistema]\r\nIdioma=OCI\r\n");
  EXPECT_EQ(root_.Read("TERM/1/NuroTerm.ini"), expected);
}

TEST(ColourCatalogue, NoSchemeIsTheDefaultColours) {
  for (const ColourScheme& scheme : ColourSchemes()) EXPECT_NE(ColourText(scheme), kDefaultColours);
}

}  // namespace
}  // namespace kel
