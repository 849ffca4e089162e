// One-character texts.
#include <string>

#include "console/window.h"

namespace kel {

bool IsAllChar(std::string_view text, int character) {
  for (unsigned char c : text) {
    if (c != static_cast<unsigned char>(character)) return false;
  }
  return true;
}

}  // namespace kel
