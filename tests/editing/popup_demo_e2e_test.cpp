// The pop-ups in a real terminal: tmux runs the pop-up demo, a form of two fields, in an
// 80 x 25 pane; the test presses Alt+X and Alt+C as a user does and reads the pane back.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

const std::string kCalculatorBottom = "└────────────────────────┘";

class PopupDemoEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    demo_ = KEL_BINARY_DIR "/popup_demo";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the popup_demo target first";
    std::filesystem::create_directory(temp_ / "term");
  }

  // Runs the demo with the terminal directory "term" and the work date 2024-03-15.
  void Start() {
    pane_ = std::make_unique<TmuxPane>(temp_ / ("tmux" + std::to_string(++runs_) + ".sock"));
    const std::string command = "env LANG=C.UTF-8 TMPDIR=" + Quote(temp_.path()) + " " +
                                Quote(demo_) + " " + Quote(temp_ / "term") + " 20240315";
    ASSERT_TRUE(pane_->Start(command));
    pane_->WaitForText("Import:");
  }
  void Keys(const std::string& keys) { ASSERT_TRUE(pane_->Keys(keys)); }
  std::string WaitForText(const std::string& text) { return pane_->WaitForText(text); }
  std::string WaitUntilGone(const std::string& text) {
    bool met = false;
    std::string pane = pane_->WaitFor(
        [&](const std::string& p) { return p.find(text) == std::string::npos; }, &met);
    EXPECT_TRUE(met) << "\"" << text << "\" never went away:\n" << pane;
    return pane;
  }
  void End() {
    Keys("Escape");
    bool ended = false;
    pane_->WaitFor([&](const std::string&) { return !pane_->Running(); }, &ended);
    EXPECT_TRUE(ended) << "the demo did not end";
  }

  testing::TempDir temp_;
  std::string demo_;
  std::unique_ptr<TmuxPane> pane_;
  int runs_ = 0;
};

TEST_F(PopupDemoEndToEndTest, TheFigureAndTheDateLandInTheFormsFields) {
  Start();
  Keys("M-x");
  WaitForText(kCalculatorBottom);
  Keys("12.5+7.5 Enter");
  std::string calculator = WaitForText("│                    20  │");
  EXPECT_NE(calculator.find("│                  12'5 +│"), std::string::npos) << calculator;
  EXPECT_NE(calculator.find("Import:"), std::string::npos) << calculator;  // the form shows
  Keys("f");
  std::string typed = WaitForText("Import: 2000");
  EXPECT_EQ(typed.find(kCalculatorBottom), std::string::npos) << typed;

  // The field went on with its own exit keys: Enter goes to the next field.
  Keys("Enter M-c");
  WaitForText("MARÇ");
  Keys("Down f");
  typed = WaitForText("Data:   22/3/2024");
  EXPECT_EQ(typed.find("MARÇ"), std::string::npos) << typed;
  EXPECT_NE(typed.find("Import: 2000"), std::string::npos) << typed;

  // Reopened, the calculator shows the same tape and figure.
  Keys("M-x");
  calculator = WaitForText(kCalculatorBottom);
  EXPECT_NE(calculator.find("│                  12'5 +│"), std::string::npos) << calculator;
  EXPECT_NE(calculator.find("│                   7'5 =│"), std::string::npos) << calculator;
  Keys("Escape");
  const std::string after = WaitUntilGone(kCalculatorBottom);
  EXPECT_NE(after.find("Data:   22/3/2024"), std::string::npos) << after;
  End();
}

TEST_F(PopupDemoEndToEndTest, TheTapeIsThereInTheNextRunOfTheProgram) {
  Start();
  Keys("M-x");
  WaitForText(kCalculatorBottom);
  Keys("'4*25' Enter Escape");
  WaitUntilGone(kCalculatorBottom);
  End();

  Start();
  Keys("M-x");
  const std::string calculator = WaitForText("│                   100  │");
  EXPECT_NE(calculator.find("│                     4 *│"), std::string::npos) << calculator;
  Keys("Escape");
  WaitUntilGone(kCalculatorBottom);
  End();
}

}  // namespace
}  // namespace kel
