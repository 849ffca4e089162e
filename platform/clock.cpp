#include "platform/clock.h"
#include "platform/state_reset.h"

#include <utility>

namespace kel::platform {
namespace {

struct ClockState {
  ClockSetter setter;
};

ClockState& State() {
  static ClockState state;
  return state;
}

}  // namespace

bool SetLocalDateTime(const CalendarTime& time) {
  if (State().setter) return State().setter(time);
  return SystemSetLocalDateTime(time);
}

void InstallClockSetter(ClockSetter setter) { State().setter = std::move(setter); }

void ResetClock() { State() = ClockState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetClock);
}  // namespace


}  // namespace kel::platform
