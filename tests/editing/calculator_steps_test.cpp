#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "editing/calculator_state.h"
#include "editing/calculator_steps.h"

namespace kel {
namespace {

// The state after each character of the text was handled as a key, from start values.
CalculatorState After(std::string_view keys, CalculatorState state = {}) {
  for (char key : keys) ApplyCalculatorKey(state, static_cast<unsigned char>(key));
  return state;
}

// ---- Operator steps --------------------------------------------------------------------------

TEST(CalculatorStepsTest, PercentAppliesThePendingAddOrTheMultiply) {
  EXPECT_EQ(After("200+10%=").entry, 220);
  EXPECT_EQ(After("200-10%=").entry, 180);
  EXPECT_EQ(After("200*10%=").entry, 20);
  // The percentage's figure, not the total, is on the tape beside "%".
  EXPECT_EQ(After("200+10%").tape[21], (TapeLine{10, false, 0, '%'}));
  EXPECT_EQ(After("200+10%").entry, 20);
}

TEST(CalculatorStepsTest, RoundingToHundredthsHalvesGoToTheEvenNeighbour) {
  const CalculatorState thirds = After("10/3=R");
  EXPECT_DOUBLE_EQ(thirds.entry, 3.33);
  EXPECT_DOUBLE_EQ(thirds.accumulator, 3.33);
  EXPECT_TRUE(thirds.decimal_point);
  EXPECT_EQ(thirds.decimals, 2);
  EXPECT_EQ(thirds.tape[21].operation, 'R');
  EXPECT_DOUBLE_EQ(After("1/8=R").entry, 0.12);
  EXPECT_DOUBLE_EQ(After("3/8=R").entry, 0.38);
  EXPECT_DOUBLE_EQ(After("2.3451R").entry, 2.35);
  EXPECT_DOUBLE_EQ(After("2.3449R").entry, 2.34);
  // The figure's decimal digits decide, not the binary number just below 2.355.
  EXPECT_DOUBLE_EQ(After("2.355R").entry, 2.36);
  EXPECT_DOUBLE_EQ(After("2.345R").entry, 2.34);
}

TEST(CalculatorStepsTest, NegativeFiguresRoundLikePositiveOnes) {
  EXPECT_DOUBLE_EQ(After("2.345TR").entry, -2.34);
  EXPECT_DOUBLE_EQ(After("2.355TR").entry, -2.36);
  EXPECT_DOUBLE_EQ(After("2.3451TR").entry, -2.35);
  EXPECT_DOUBLE_EQ(RoundToHundredths(-0.125), -0.12);
  EXPECT_DOUBLE_EQ(RoundToHundredths(-0.004), 0);
  EXPECT_FALSE(std::signbit(RoundToHundredths(-0.004)));
  // Figures whose hundredths a double holds keep them.
  EXPECT_DOUBLE_EQ(RoundToHundredths(99999999999999.99), 99999999999999.99);
  EXPECT_DOUBLE_EQ(RoundToHundredths(1e20), 1e20);
}

TEST(CalculatorStepsTest, BackspaceTakesDigitsAndThePointBack) {
  CalculatorState state = After("1.5\b");
  EXPECT_EQ(state.entry, 1);
  EXPECT_TRUE(state.decimal_point);
  state = After("\b", state);
  EXPECT_EQ(state.entry, 1);
  EXPECT_FALSE(state.decimal_point);
  EXPECT_TRUE(state.entering);
  state = After("\b", state);
  EXPECT_EQ(state.entry, 0);
  EXPECT_FALSE(state.entering);
  // 0.580 cut to two decimals is 0.58, not the 0.57 of the binary 0.57999...
  EXPECT_DOUBLE_EQ(After(".580\b").entry, 0.58);
  EXPECT_EQ(After("123\b").entry, 12);
}

TEST(CalculatorStepsTest, CCancelsTheFigureThenClearsTheMachineThenTheTape) {
  CalculatorState state = After("5+3");
  EXPECT_EQ(ApplyCalculatorKey(state, 'C'), CalculatorEffect::kDisplay);
  EXPECT_EQ(state.entry, 5);
  EXPECT_FALSE(state.entering);
  EXPECT_EQ(state.pending, "+");  // a cancelled figure keeps the operation going
  EXPECT_EQ(ApplyCalculatorKey(state, 'c'), CalculatorEffect::kDisplay);
  EXPECT_EQ(state.entry, 0);
  EXPECT_EQ(state.accumulator, 0);
  EXPECT_TRUE(state.fresh);
  EXPECT_EQ(state.first_tape_line, 22);
  EXPECT_EQ(ApplyCalculatorKey(state, 'C'), CalculatorEffect::kTapeCleared);
  EXPECT_EQ(state.first_tape_line, kEmptyTape);
}

TEST(CalculatorStepsTest, AClearedMachineStartsOverWithoutThePendingOperator) {
  // Left pending, "*" would turn the next figure into 0 times it.
  const CalculatorState state = After("5*CC3+");
  EXPECT_EQ(state.accumulator, 3);
  EXPECT_EQ(After("5*CC3+4=").entry, 7);
}

TEST(CalculatorStepsTest, EqualsOnlyWhileTyping) {
  CalculatorState state = After("5+3=");
  const CalculatorState before = state;
  EXPECT_EQ(ApplyCalculatorKey(state, '='), CalculatorEffect::kNone);
  EXPECT_EQ(ApplyCalculatorKey(state, kKeyEnter), CalculatorEffect::kNone);
  EXPECT_EQ(state, before);
}

TEST(CalculatorStepsTest, LettersInEitherCaseAndUnknownKeysIgnored) {
  EXPECT_EQ(After("5t").entry, -5);
  EXPECT_EQ(After("5T").entry, -5);
  CalculatorState state = After("5");
  const CalculatorState before = state;
  EXPECT_EQ(ApplyCalculatorKey(state, 'Q'), CalculatorEffect::kNone);
  EXPECT_EQ(ApplyCalculatorKey(state, kKeyF1), CalculatorEffect::kNone);
  EXPECT_EQ(ApplyCalculatorKey(state, kKeyAltC), CalculatorEffect::kNone);
  EXPECT_EQ(state, before);
  EXPECT_EQ(ApplyCalculatorKey(state, 'f'), CalculatorEffect::kCloseWithResult);
  EXPECT_EQ(ApplyCalculatorKey(state, kKeyAltF), CalculatorEffect::kCloseWithResult);
  EXPECT_EQ(ApplyCalculatorKey(state, kKeyEsc), CalculatorEffect::kCloseEmpty);
}

TEST(CalculatorStepsTest, DivisionByZeroChangesNothing) {
  CalculatorState state = After("5/0");
  const CalculatorState before = state;
  EXPECT_EQ(ApplyCalculatorKey(state, '='), CalculatorEffect::kRefused);
  EXPECT_EQ(state, before);
  EXPECT_EQ(ApplyCalculatorKey(state, '+'), CalculatorEffect::kRefused);
  EXPECT_EQ(state, before);
  // The divisor can be put right and the operation made again.
  state = After("\b2=", state);
  EXPECT_DOUBLE_EQ(state.entry, 2.5);
}

TEST(CalculatorStepsTest, AnOverflowChangesNothingEither) {
  CalculatorState state;
  state.accumulator = 1e300;
  state.entry = 1e300;
  state.entering = true;
  state.pending = "*";
  const CalculatorState before = state;
  EXPECT_EQ(ApplyCalculatorKey(state, '='), CalculatorEffect::kRefused);
  EXPECT_EQ(state, before);
  state = before;
  state.pending = "+";
  state.accumulator = 1e306;
  state.entry = 1e306;
  EXPECT_EQ(ApplyCalculatorKey(state, '%'), CalculatorEffect::kRefused);
  const std::string text = CalculatorStateText(state);
  EXPECT_EQ(text.find("inf"), std::string::npos);
  EXPECT_EQ(text.find("INF"), std::string::npos);
  EXPECT_EQ(text.find("NAN"), std::string::npos);
}

TEST(CalculatorStepsTest, DigitsBeyondTwentyDecimalsAreNotTaken) {
  CalculatorState state = After("." + std::string(20, '1'));
  EXPECT_EQ(state.decimals, 20);
  EXPECT_EQ(ApplyCalculatorKey(state, '1'), CalculatorEffect::kBeep);
  EXPECT_EQ(state.decimals, 20);
  EXPECT_EQ(CalculatorMask(state.decimal_point, state.decimals).size(), 22u);
}

// ---- Masks, normalising and the result text --------------------------------------------------

TEST(CalculatorStepsTest, MasksKeepTwentyTwoCharacters) {
  EXPECT_EQ(CalculatorMask(false, 0), "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9");
  EXPECT_EQ(CalculatorMask(true, 2), "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99");
  EXPECT_EQ(CalculatorMask(true, 0), "-,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9.");
  EXPECT_EQ(CalculatorMask(true, 20), "-." + std::string(20, '9'));
  EXPECT_EQ(CalculatorMask(true, 99), CalculatorMask(true, 20));
  for (int decimals = 0; decimals <= kMostDecimals; ++decimals) {
    EXPECT_EQ(CalculatorMask(true, decimals).size(), 22u) << decimals;
  }
  EXPECT_EQ(OverflowFigure(), std::string(22, '!'));
}

TEST(CalculatorStepsTest, NormalisingKeepsFifteenSignificantDigits) {
  CalculatorState state = After("10/3=");
  EXPECT_DOUBLE_EQ(state.entry, 3.33333333333333);
  EXPECT_EQ(state.decimals, 14);
  EXPECT_TRUE(state.decimal_point);
  EXPECT_DOUBLE_EQ(state.accumulator, 10.0 / 3);  // the accumulator keeps its precision
  // Negative figures the same way: the integer digits count.
  state = After("10T/3=");
  EXPECT_DOUBLE_EQ(state.entry, -3.33333333333333);
  EXPECT_EQ(state.decimals, 14);
  EXPECT_EQ(After("1/3=").decimals, 15);
  state = After(".1+.2=");
  EXPECT_EQ(state.entry, 0.3);
  EXPECT_EQ(state.decimals, 1);
  state = After("2.50*2=");
  EXPECT_EQ(state.entry, 5);
  EXPECT_FALSE(state.decimal_point);
  EXPECT_EQ(state.decimals, 0);
}

TEST(CalculatorStepsTest, ResultTextInHundredths) {
  EXPECT_EQ(CalculatorResultText(After("12.5")), "1250");
  EXPECT_EQ(CalculatorResultText(After("1.234")), "123.4");
  EXPECT_EQ(CalculatorResultText(After("7")), "700");
  EXPECT_EQ(CalculatorResultText(After("0")), "0");
  EXPECT_EQ(CalculatorResultText(After("3-11=")), "800");  // the digits without the sign
  // Figures below a hundredth keep their place.
  EXPECT_EQ(CalculatorResultText(After(".005")), "0.5");
  EXPECT_EQ(CalculatorResultText(After(".0005")), "0.05");
  EXPECT_EQ(CalculatorResultText(After(".012")), "1.2");
  // While typing the entry counts, otherwise the accumulator.
  CalculatorState state = After("10/3=");
  EXPECT_EQ(CalculatorResultText(state), "333.333333333333");
  state = After("5+3C");
  EXPECT_EQ(CalculatorResultText(state), "500");
}

}  // namespace
}  // namespace kel
