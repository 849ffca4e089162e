#include "textfmt/zero_pad.h"

#include <charconv>
#include <cmath>

namespace kel {

std::string ZeroPad(double value, int width) {
  if (width <= 0) return {};
  std::string digits;
  double magnitude = std::fabs(value);
  if (std::isfinite(magnitude)) {
    char buffer[64];
    // Whole numbers are written without a fraction or exponent, as the stack file expects.
    if (magnitude < 1e15 && magnitude == std::floor(magnitude)) {
      auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                  static_cast<long long>(magnitude));
      digits.assign(buffer, result.ptr);
    } else {
      auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
      digits.assign(buffer, result.ptr);
    }
  }
  std::string padded(static_cast<std::size_t>(width), '0');
  padded += digits;
  return padded.substr(padded.size() - static_cast<std::size_t>(width));
}

}  // namespace kel
