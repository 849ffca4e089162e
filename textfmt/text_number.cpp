#include "textfmt/text_number.h"

#include <charconv>

namespace kel {

long TextNumber(std::string_view text) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return 0;
  text.remove_prefix(pos);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace kel
