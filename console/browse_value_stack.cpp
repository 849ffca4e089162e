#include "console/browse_value_stack.h"

#include <cstddef>
#include <cstdint>
#include "platform/state_reset.h"

namespace kel {
namespace {

constexpr std::size_t kLengthBytes = 2;
constexpr std::size_t kLongestValue = 0xFFFF;

struct ValueStackState {
  std::string stack;
};

ValueStackState& State() {
  static ValueStackState state;
  return state;
}

}  // namespace

void PushValue(std::string_view text) {
  std::string& stack = State().stack;
  text = text.substr(0, kLongestValue);
  stack.append(text);
  stack += static_cast<char>(text.size() & 0xFF);
  stack += static_cast<char>((text.size() >> 8) & 0xFF);
}

std::string PopValue() {
  std::string& stack = State().stack;
  if (stack.size() < kLengthBytes) {
    stack.clear();
    return {};
  }
  const std::size_t at = stack.size() - kLengthBytes;
  const std::size_t length = static_cast<unsigned char>(stack[at]) |
                             static_cast<std::size_t>(static_cast<unsigned char>(stack[at + 1])) << 8;
  // A length that reaches below the stack's start cannot come from PushValue: the stack is
  // no longer what its users put there, so nothing on it can be trusted.
  if (length > at) {
    stack.clear();
    return {};
  }
  std::string value = stack.substr(at - length, length);
  stack.resize(at - length);
  return value;
}

const std::string& ValueStack() { return State().stack; }

void ResetValueStack() { State().stack.clear(); }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetValueStack);
}  // namespace

}  // namespace kel
