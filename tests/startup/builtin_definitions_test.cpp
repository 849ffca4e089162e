#include "startup/builtin_definitions.h"

#include <gtest/gtest.h>

#include "console/definitions.h"
#include "platform/codepage.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

class BuiltinDefinitionsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetScreenDefinitions();
    ResetSessionEnvironment();
  }
};

TEST_F(BuiltinDefinitionsTest, ListHasTheTwentyNineTexts) {
  auto list = BuiltinDefinitionList();
  ASSERT_EQ(list.size(), 29u);
  EXPECT_EQ(list[2], "d,1b");
  EXPECT_EQ(list[11], "");
  EXPECT_EQ(list[18], Cp850("|CAT,CATALÀ|GLG,GALEGO|OCI,ARANÉS|SPA,CASTELLANO"));
  EXPECT_EQ(list[27], "SELECCIONEU_TERMINAL");
}

TEST_F(BuiltinDefinitionsTest, LanguageFormAndTerminalChooser) {
  LoadBuiltinDefinitions();
  ASSERT_EQ(FormCount(), 1);
  EXPECT_EQ(MaxFieldCount(), 1);
  const FormDefinition* form = Form(1);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->key_list, "d,1b");
  EXPECT_EQ(form->field_count, 1);
  EXPECT_EQ(form->continuation, 0);
  EXPECT_EQ((std::array{form->top, form->left, form->bottom, form->right}),
            (std::array<std::int16_t, 4>{11, 33, 13, 46}));
  ASSERT_EQ(form->fields.size(), 1u);
  const FieldDefinition& field = form->fields[0];
  EXPECT_EQ(field.row, 1);
  EXPECT_EQ(field.column, 2);
  EXPECT_EQ(field.width, 3);
  EXPECT_EQ(field.extra_width, 7);
  EXPECT_EQ(field.value, "   ");

  ASSERT_EQ(BrowseCount(), 1);
  const BrowseDescriptor* browse = BrowseDefinition(1);
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->items, (std::array<std::int16_t, 8>{0, 0, 5, 5, 20, 74, 0, 0}));
  EXPECT_EQ(browse->title, "SELECCIONEU_TERMINAL");
  EXPECT_EQ(BrowseDefinition(0)->items, (std::array<std::int16_t, 8>{}));
  EXPECT_EQ(BrowseDefinition(2), nullptr);
}

TEST_F(BuiltinDefinitionsTest, TitlesStayCatalanUntilTheLanguageIsChosen) {
  SessionToFill().LanguageCode = "OCI";
  LoadBuiltinDefinitions();
  EXPECT_EQ(BrowseDefinition(1)->title, "SELECCIONEU_TERMINAL");
}

TEST_F(BuiltinDefinitionsTest, BrowseListHas256EmptyTexts) {
  BrowseList(3) = "PC3";
  LoadBuiltinDefinitions();
  EXPECT_EQ(BrowseList(3), "");
  BrowseList(255) = "last";
  EXPECT_EQ(BrowseList(255), "last");
  BrowseList(256) = "outside";  // lands nowhere in the list
  EXPECT_EQ(BrowseList(256), "");
}

TEST(ScreenDefinitions, ShortListLoadsWhatItHas) {
  const std::string_view list[] = {"1", "2", "d", "2", "0", "1", "1", "5", "40", "1", "1", "A"};
  EXPECT_FALSE(LoadScreenDefinitions(list, nullptr));
  ASSERT_EQ(FormCount(), 1);
  EXPECT_EQ(Form(1)->fields.size(), 1u);
  EXPECT_EQ(Form(1)->fields[0].label, "A");
  ResetScreenDefinitions();
}

}  // namespace
}  // namespace kel
