// Arbitrary masks, values, packed dates and parts: formatting never fails, and a figure always
// comes back exactly as long as its mask.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "textfmt/calendar.h"
#include "textfmt/date_format.h"
#include "textfmt/fold.h"
#include "textfmt/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double) + 2) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const int style = static_cast<std::int8_t>(data[sizeof value]);
  const std::string_view rest(reinterpret_cast<const char*>(data) + sizeof value + 1,
                              size - sizeof value - 1);

  if (kel::FormatNumber(rest, value).size() != rest.size()) std::abort();

  const std::string_view date = rest.substr(0, 4);
  kel::FormatDate(date, style, rest.substr(date.size()));
  kel::DateDifference(date, rest.substr(date.size(), 4), rest.empty() ? 'D' : rest.back());
  const int day = kel::DayOfWeek(date);
  if (day < 1 || day > 7) std::abort();
  if (kel::PackDigits(rest).size() != (rest.size() + 1) / 2) std::abort();
  kel::SetFoldAccents((style & 1) != 0);
  if (kel::FoldText(rest).size() != rest.size()) std::abort();
  return 0;
}
