#include <gtest/gtest.h>

#include "console/console_fixture.h"
#include "console/window.h"

namespace kel {
namespace {

using testing::ConsoleTest;

class ColourRoleTest : public ConsoleTest {};

TEST_F(ColourRoleTest, LettersSelectRoles) {
  SetColour("n");
  EXPECT_EQ(CurrentColourRole(), kRoleN);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeN);
  SetColour("R");
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeR);
  SetColour("nr");
  EXPECT_EQ(CurrentColourRole(), kRoleRN);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeRN);
  SetColour("u");
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeU);
  SetColour("h");
  EXPECT_EQ(CurrentColourRole(), kRoleH);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeH);
  EXPECT_EQ(ColourStackDepth(), 0u);
}

TEST_F(ColourRoleTest, UWinsOverRAndN) {
  SetColour("n");
  SetColour("+RUN");
  EXPECT_EQ(CurrentColourRole(), kRoleU);
  EXPECT_EQ(ColourStackDepth(), 1u);
  SetColour("-");
  EXPECT_EQ(CurrentColourRole(), kRoleN);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeN);
}

TEST_F(ColourRoleTest, SavedRolesComeBackLastInFirstOut) {
  SetColour("n");
  SetColour("+r");
  SetColour("+u");
  SetColour("+h");
  EXPECT_EQ(ColourStackDepth(), 3u);
  SetColour("-");
  EXPECT_EQ(CurrentColourRole(), kRoleU);
  SetColour("-");
  EXPECT_EQ(CurrentColourRole(), kRoleR);
  SetColour("-");
  EXPECT_EQ(CurrentColourRole(), kRoleN);
  // An empty stack gives role H.
  SetColour("-");
  EXPECT_EQ(CurrentColourRole(), kRoleH);
  EXPECT_EQ(console().TextAttribute(), testing::kAttributeH);
}

TEST_F(ColourRoleTest, PlusAndMinusTogetherSaveAndRestoreInOneCall) {
  SetColour("r");
  SetColour("+-");
  EXPECT_EQ(CurrentColourRole(), kRoleR);
  EXPECT_EQ(ColourStackDepth(), 0u);
}

TEST_F(ColourRoleTest, EmptyOrBlankModeChangesNothing) {
  SetColour("u");
  console().SetTextAttribute(0x07);
  SetColour("");
  SetColour("   ");
  EXPECT_EQ(CurrentColourRole(), kRoleU);
  EXPECT_EQ(ColourStackDepth(), 0u);
  EXPECT_EQ(console().TextAttribute(), 0x07);
}

TEST_F(ColourRoleTest, OtherLettersSelectRoleH) {
  SetColour("u");
  SetColour("x");
  EXPECT_EQ(CurrentColourRole(), kRoleH);
}

}  // namespace
}  // namespace kel
