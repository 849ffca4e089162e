#include "terminal/translation.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

class TranslationTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetSessionEnvironment(); }
  static void Language(const char* code) { SessionToFill().LanguageCode = code; }
};

TEST_F(TranslationTest, EachLanguageHasItsOwnForm) {
  Language("SPA");
  EXPECT_EQ(TranslateText("TERMINAL NOU"), "TERMINAL NUEVO");
  Language("GLG");
  EXPECT_EQ(TranslateText("TERMINAL NOU"), "TERMINAL NOVO");
  Language("OCI");
  EXPECT_EQ(TranslateText("TERMINAL NOU"), "TERMINAU NAU");
  EXPECT_EQ(TranslateText("SELECCIONEU_TERMINAL"), "SELECCIONATZ_TERMINAU");
}

TEST_F(TranslationTest, AccentedTextsAreCodePage850) {
  Language("OCI");
  EXPECT_EQ(TranslateText(Cp850("I CONFIGURAR-LO ENTERAMENT DES DE ZERO.")),
            Cp850("E CONFIGURAR-LO ENTIÈRAMENT DES DE ZÈRO."));
  Language("GLG");
  EXPECT_EQ(TranslateText("NO COPIAR-LA"), Cp850("NOM COPIÁ-LA"));
}

TEST_F(TranslationTest, CatalanAndUnknownCodesKeepTheText) {
  for (const char* code : {"CAT", "   ", "CAS", "spa"}) {
    Language(code);
    EXPECT_EQ(TranslateText("TERMINAL NOU"), "TERMINAL NOU") << code;
  }
}

TEST_F(TranslationTest, MatchingIsExact) {
  Language("SPA");
  EXPECT_EQ(TranslateText("TERMINAL NOU "), "TERMINAL NOU ");
  EXPECT_EQ(TranslateText("terminal nou"), "terminal nou");
  EXPECT_EQ(TranslateText(""), "");
}

TEST_F(TranslationTest, SentencesJoinWithBlanksInEveryLanguage) {
  // The messages are three texts joined: each of the first two ends in a blank.
  const char* first = "S'HA DETECTAT QUE EL VOSTRE TERMINAL NO ESTÀ CONFIGURAT. ";
  const char* second = "MARQUEU A QUIN ORDINADOR SUBSTITUEIX O SI ES TRACTA ";
  for (const char* code : {"CAT", "SPA", "GLG", "OCI"}) {
    Language(code);
    EXPECT_EQ(TranslateText(Cp850(first)).back(), ' ') << code;
    EXPECT_EQ(TranslateText(Cp850(second)).back(), ' ') << code;
  }
}

}  // namespace
}  // namespace kel
