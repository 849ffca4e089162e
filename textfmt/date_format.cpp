#include "textfmt/date_format.h"

#include <string_view>

#include "platform/codepage.h"
#include "startup/session_environment.h"
#include "textfmt/calendar.h"
#include "textfmt/display_settings.h"
#include "textfmt/language.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

constexpr std::size_t kMonthField = 10;
constexpr std::size_t kAbbreviation = 3;

struct MonthWords {
  std::string months;  // 12 fields of 10 characters
  std::string before_consonant;
  std::string before_vowel;  // before a month name beginning with A, E, I, O or U
  std::string before_day_or_year;
};

// The month tables and words of the four languages, in code page 850, converted once.
const MonthWords& WordsOf(Language language) {
  static const FourForms<MonthWords> words = {
      {Cp850("gener     febrer    març      abril     maig      juny      juliol    agost     "
             "setembre  octubre   novembre  desembre  "),
       " de ", " d'", " del "},
      {Cp850("enero     febrero   marzo     abril     mayo      junio     julio     agosto    "
             "septiembreoctubre   noviembre diciembre "),
       " de ", " de ", " de "},
      {Cp850("janeiro   fevereiro março     abril     maio      junho     julho     agosto    "
             "setembro  outubro   novembro  dezembro  "),
       " de ", " de ", " do "},
      {Cp850("gèr       hereuèr   març      abriu     mai       junh      junhsega  agost     "
             "seteme    octobre   noveme    deseme    "),
       " de ", " d'", " deth "},
  };
  return PickText(language, words);
}

std::string_view MonthField(const MonthWords& language, int month) {
  if (month < 1 || month > 12) return {};
  return std::string_view(language.months).substr((month - 1) * kMonthField, kMonthField);
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

struct DateFormatSettings {
  bool loaded = false;
  char separator = '/';
  std::string order = "DMA";
};

DateFormatSettings& State() {
  static DateFormatSettings settings;
  return settings;
}

const DateFormatSettings& LoadedSettings() {
  DateFormatSettings& s = State();
  if (!s.loaded) {
    s.separator = FirstCharacterSetting("DatCaracter", '/');
    std::string order = ReadDisplaySetting("DatOrdre").substr(0, 3);
    order.resize(3, ' ');
    s.order = order == "   " ? std::string("DMA") : order;
    s.loaded = true;
  }
  return s;
}

bool IsVowel(char ch) {
  switch (ch) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 'a': case 'e': case 'i': case 'o': case 'u':
      return true;
    default:
      return false;
  }
}

char Upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

void AppendNumber(std::string& text, int number) {
  if (number >= 10) text += static_cast<char>('0' + number / 10);
  text += static_cast<char>('0' + number % 10);
}

}  // namespace

std::string FormatDate(std::string_view date, int style, std::string_view parts) {
  const DateFormatSettings& settings = LoadedSettings();

  std::string digits = UnpackDigits(date.substr(0, 4));
  digits.resize(8, '0');
  const std::string_view year = std::string_view(digits).substr(0, 4);
  const int month = (digits[4] - '0') * 10 + (digits[5] - '0');
  const int day = (digits[6] - '0') * 10 + (digits[7] - '0');

  std::string text;
  if (style <= kDateIso) {
    text.reserve(10);
    text.append(year).append(1, '-').append(digits, 4, 2).append(1, '-').append(digits, 6, 2);
    return text;
  }

  bool has_day = false, has_month = false, has_year = false;
  for (char ch : parts) {
    has_day |= Upper(ch) == 'D';
    has_month |= Upper(ch) == 'M';
    has_year |= Upper(ch) == 'A';
  }

  const bool long_form = style >= kDateLong;
  const MonthWords* language = style >= kDateShortMonth ? &WordsOf(SessionLanguage()) : nullptr;

  if (month != 0 || day != 0) {
    for (char letter : settings.order) {
      const bool wanted = (letter == 'D' && has_day) || (letter == 'M' && has_month) ||
                          (letter == 'A' && has_year);
      if (!wanted) continue;
      std::string_view name;
      if (letter == 'M' && language != nullptr) {
        name = MonthField(*language, month);
        name = long_form ? WithoutTrailingBlanks(name) : name.substr(0, kAbbreviation);
      }
      if (!text.empty()) {
        if (!long_form) {
          text += settings.separator;
        } else if (letter != 'M') {
          text += language->before_day_or_year;
        } else {
          const char first = name.empty() ? '0' : name.front();
          text += IsVowel(first) ? language->before_vowel : language->before_consonant;
        }
      }
      if (letter == 'D') {
        AppendNumber(text, day);
      } else if (letter == 'A') {
        text.append(year);
      } else if (!name.empty()) {
        text.append(name);
      } else {
        AppendNumber(text, month);
      }
    }
  }

  if (long_form) return text;
  if (parts.empty()) return {};
  const std::size_t width = (has_day ? 2 : 0) + (has_month ? (style == kDateNumeric ? 2 : 3) : 0) +
                            (has_year ? 4 : 0) + parts.size() - 1;
  text.resize(width, ' ');
  return text;
}

char DateSeparator() { return LoadedSettings().separator; }

std::string DateOrder() { return LoadedSettings().order; }

std::string MonthName(int month) {
  return std::string(WithoutTrailingBlanks(MonthField(WordsOf(SessionLanguage()), month)));
}

void ResetDateFormatSettings() { State() = DateFormatSettings{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetDateFormatSettings);
}  // namespace


}  // namespace kel
