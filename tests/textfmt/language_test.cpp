#include "textfmt/language.h"

#include <gtest/gtest.h>

#include <string>

namespace kel {
namespace {

TEST(Language, CodesChooseTheirLanguageAndAnythingElseIsCatalan) {
  EXPECT_EQ(LanguageOfCode("SPA"), Language::Spanish);
  EXPECT_EQ(LanguageOfCode("GLG"), Language::Galician);
  EXPECT_EQ(LanguageOfCode("OCI"), Language::Occitan);
  for (const char* other : {"CAT", "   ", "", "spa", "SPAN", "ENG", "SP"})
    EXPECT_EQ(LanguageOfCode(other), Language::Catalan) << '"' << other << '"';
}

TEST(Language, PicksTheFormOfTheLanguageFromTheFourInTheirOrder) {
  const auto year = [](Language language) {
    return std::string(PickText(language, "ANY", "AÑO", "ANO", "AN"));
  };
  EXPECT_EQ(year(Language::Catalan), "ANY");
  EXPECT_EQ(year(Language::Spanish), "AÑO");
  EXPECT_EQ(year(Language::Galician), "ANO");
  EXPECT_EQ(year(Language::Occitan), "AN");

  constexpr FourForms<> kNew = {"NOU", "NUEVO", "NOVO", "NAU"};
  EXPECT_STREQ(PickText(LanguageOfCode("GLG"), kNew), "NOVO");
  EXPECT_STREQ(PickText(LanguageOfCode("XYZ"), kNew), "NOU");
  static_assert(PickText(Language::Occitan, 1, 2, 3, 4) == 4, "usable in constant tables");
}

}  // namespace
}  // namespace kel
