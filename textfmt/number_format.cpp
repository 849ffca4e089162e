#include "textfmt/number_format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "textfmt/display_settings.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

using Index = std::ptrdiff_t;

struct NumberFormatSettings {
  bool loaded = false;
  char decimal = '\'';
  char thousands = '.';
};

NumberFormatSettings& State() {
  static NumberFormatSettings settings;
  return settings;
}

const NumberFormatSettings& LoadedSettings() {
  NumberFormatSettings& s = State();
  if (!s.loaded) {
    s.decimal = FirstCharacterSetting("DecCaracter", '\'');
    s.thousands = FirstCharacterSetting("MilCaracter", '.');
    s.loaded = true;
  }
  return s;
}

// Fill codes remembered between positions: the character a "." or "," left of the digits
// takes, plus kFillPut when the last digit position put a fill instead of a digit.
constexpr int kNoFill = 0;
constexpr int kBlankFill = ' ';
constexpr int kStarFill = '*';
constexpr int kFillPut = 256;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr Index kExactPowers = 22;
constexpr double kTwoTo53 = 9007199254740992.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

bool IsDigitPosition(char ch) { return ch == '9' || ch == 'Z' || ch == 'z' || ch == '*'; }

// The decimal digits of the number shown, without leading zeros (empty for 0).
class ShownDigits {
 public:
  // Digits of magnitude x 10^decimals rounded to a whole number, halves to the even neighbour.
  ShownDigits(double magnitude, Index decimals) {
    if (decimals <= kExactPowers) {
      double scaled = magnitude * kPowersOfTen[decimals];
      if (scaled < kTwoTo53) {
        double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
        scaled = whole;
      }
      if (scaled < kTwoTo64) {
        SetWhole(static_cast<std::uint64_t>(scaled));
        return;
      }
      if (std::isfinite(scaled)) {
        SetPrinted(0, scaled);
        return;
      }
    }
    // Too many decimals for an exact power of ten, or a product beyond double range: the
    // exact decimal expansion of the value itself.
    SetPrinted(static_cast<int>(std::min<Index>(decimals, INT_MAX)), magnitude);
  }

  std::string_view text() const { return text_; }

 private:
  void SetWhole(std::uint64_t whole) {
    char* end = small_ + sizeof small_;
    char* begin = end;
    while (whole != 0) {
      *--begin = static_cast<char>('0' + whole % 10);
      whole /= 10;
    }
    text_ = std::string_view(begin, static_cast<std::size_t>(end - begin));
  }

  void SetPrinted(int decimals, double number) {
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals, number);
    if (size <= 0) return;
    std::string printed(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(printed.data(), printed.size(), "%.*f", decimals, number);
    for (char ch : printed) {
      if (ch >= '0' && ch <= '9' && !(large_.empty() && ch == '0')) large_ += ch;
    }
    text_ = large_;
  }

  char small_[20] = {};
  std::string large_;
  std::string_view text_;
};

// The overflow form: sign, integer digits and cut decimals right-aligned, or all "!" when not
// even the sign and the integer digits fit.
std::string OverflowText(Index length, bool negative, std::string_view digits, Index decimals,
                         char decimal_separator) {
  const Index size = static_cast<Index>(digits.size());
  const Index integer_digits = size > decimals ? size - decimals : 0;
  if (length < integer_digits + (negative ? 1 : 0)) {
    return std::string(static_cast<std::size_t>(length), '!');
  }
  std::string text;
  if (negative) text += '-';
  text.append(digits.substr(0, static_cast<std::size_t>(integer_digits)));
  if (decimals > 0) {
    text += decimal_separator;
    if (size < decimals) text.append(static_cast<std::size_t>(decimals - size), '0');
    text.append(digits.substr(static_cast<std::size_t>(integer_digits)));
  }
  const auto width = static_cast<std::size_t>(length);
  if (text.size() >= width) return text.substr(0, width);
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string FormatNumber(std::string_view mask, double value) {
  const NumberFormatSettings& settings = LoadedSettings();
  const Index length = static_cast<Index>(mask.size());
  if (!std::isfinite(value)) return std::string(mask.size(), '!');

  const bool signed_mask = mask.find_first_of("-+") != std::string_view::npos;
  Index decimal_places = 0;  // digit and sign positions after the first "."
  Index decimals = 0;        // digit positions right after it: the decimals shown
  if (const std::size_t point = mask.find('.'); point != std::string_view::npos) {
    const std::string_view after = mask.substr(point + 1);
    for (char ch : after) decimal_places += IsDigitPosition(ch) || ch == '-' || ch == '+';
    if (decimal_places > 0) {
      while (decimals < static_cast<Index>(after.size()) && IsDigitPosition(after[decimals])) {
        ++decimals;
      }
    }
  }

  const bool negative = value < 0;
  const ShownDigits shown(std::fabs(value), decimals);
  const std::string_view digits = shown.text();
  const Index digit_count = static_cast<Index>(digits.size());
  const Index last_non_zero =
      static_cast<Index>(digits.find_last_not_of('0') == std::string_view::npos
                             ? 0
                             : digits.find_last_not_of('0') + 1);
  // Digit j (counted from 1) of the shown digits, or 0 when there is none.
  auto digit = [&](Index j) { return j >= 1 && j <= digit_count ? digits[j - 1] : '\0'; };

  std::string result(mask);
  Index p = length;
  Index j = decimal_places + digit_count - decimals;
  int fill = kNoFill;

  // From the right, the positions that the number's digits reach.
  while (p > 0 && j > 0) {
    char& out = result[p - 1];
    const bool decimal_part = p >= length - decimal_places;
    switch (mask[p - 1]) {
      case '9': {
        const char d = digit(j--);
        out = d ? d : '0';
        fill = kNoFill;
        break;
      }
      case 'Z':
      case 'z': {
        const bool zeros_from_here = j > last_non_zero;
        const char d = digit(j--);
        if (!decimal_part) {
          out = d ? d : ' ';
          fill = kBlankFill + (d ? 0 : kFillPut);
        } else if (!zeros_from_here || decimal_places == 0) {
          out = d ? d : '0';
          fill = kBlankFill + (d ? 0 : kFillPut);
        } else {
          out = ' ';
          fill = kBlankFill + kFillPut;
        }
        break;
      }
      case '*': {
        const char d = digit(j--);
        out = d ? d : '*';
        fill = kStarFill + (d ? 0 : kFillPut);
        break;
      }
      case '.':
        out = fill >= kFillPut ? static_cast<char>(fill - kFillPut) : settings.decimal;
        decimal_places = 0;
        break;
      case ',':
        out = settings.thousands;
        break;
      case '-':
        out = negative ? '-' : ' ';
        if (decimal_places > 0) --j;
        break;
      case '+':
        out = negative ? '-' : '+';
        if (decimal_places > 0) --j;
        break;
      default:
        break;
    }
    --p;
  }

  const bool digits_left = p == 0 && j > 0;
  const bool no_room_for_sign = negative && !signed_mask && p == 0 && j == 0;
  if (digits_left || no_room_for_sign) {
    return OverflowText(length, negative, digits, decimals, settings.decimal);
  }

  // The positions left of the digits: fills, and the sign of a mask that has no sign position.
  bool sign_pending = negative && !signed_mask;
  for (; p > 0; --p) {
    char& out = result[p - 1];
    const bool integer_part = p < length - decimal_places;
    switch (mask[p - 1]) {
      case '9':
        if (sign_pending && integer_part) {
          out = '-';
          sign_pending = false;
        } else {
          out = '0';
        }
        fill = kNoFill;
        break;
      case 'Z':
      case 'z':
        if (sign_pending) {
          out = '-';
          sign_pending = false;
        } else if (integer_part || value == 0) {
          out = ' ';
          fill = kBlankFill + kFillPut;
        } else {
          out = '0';
          fill = kBlankFill;
        }
        break;
      case '*':
        if (sign_pending) {
          out = '-';
          sign_pending = false;
        } else {
          out = integer_part ? '*' : '0';
          fill = kStarFill;
        }
        break;
      case ',':
        if (sign_pending) {
          out = '-';
          sign_pending = false;
        } else if (fill != kNoFill) {
          out = static_cast<char>(fill % kFillPut);
        } else {
          out = settings.thousands;
        }
        break;
      case '.':
        out = fill >= kFillPut ? static_cast<char>(fill - kFillPut) : settings.decimal;
        break;
      case '-':
        out = negative ? '-' : ' ';
        break;
      case '+':
        out = negative ? '-' : '+';
        break;
      default:
        break;
    }
  }

  // A negative number whose mask found no place for its sign would read as positive: show it
  // in the overflow form, which always carries the sign.
  if (sign_pending) return OverflowText(length, negative, digits, decimals, settings.decimal);
  return result;
}

char DecimalSeparator() { return LoadedSettings().decimal; }

char ThousandsSeparator() { return LoadedSettings().thousands; }

void ResetNumberFormatSettings() { State() = NumberFormatSettings{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetNumberFormatSettings);
}  // namespace


}  // namespace kel
