#include "terminal/clock_sync.h"

#include "files/file_utils.h"
#include "platform/environment.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "textfmt/text_number.h"

namespace kel {
namespace {

int StampField(const std::string& stamp, std::size_t start, std::size_t width) {
  return static_cast<int>(TextNumber(stamp.substr(start, width)));
}

bool ClockSyncSwitchedOff() { return !platform::EnvironmentValue("KEL_NO_CLOCK_SYNC").empty(); }

}  // namespace

void SetClockFromStamp(const std::string& stamp) {
  // A file server whose own clock was never set stamps files with a year long past.
  if (stamp.size() < 14 || stamp.compare(0, 4, "2018") <= 0 || ClockSyncSwitchedOff()) return;
  platform::CalendarTime server;
  server.year = StampField(stamp, 0, 4);
  server.month = StampField(stamp, 4, 2);
  server.day = StampField(stamp, 6, 2);
  server.hour = StampField(stamp, 8, 2);
  server.minute = StampField(stamp, 10, 2);
  server.second = StampField(stamp, 12, 2);
  platform::SetLocalDateTime(server);
}

// The probe lives in the shared root, where another user may swap any name for a link, a
// FIFO or a directory between two calls. So it is created once, exclusively and private, its
// time stamp is read from the open file, and its name is removed only while it still names
// that file: nothing planted under the name is ever followed, read or emptied.
void SyncClockWithServer() {
  std::string probe;
  const platform::FileHandle file = CreateUniqueFile(".\\", "tim", "tmp", probe);
  // Without a probe there is no stamp to read; the clock is only a convenience, so the start
  // goes on without it.
  if (file == platform::kNoFile) return;
  const std::string stamp = OpenFileTimeStamp(file);
  platform::RemoveOpenedFile(probe, file);
  platform::CloseFile(file);
  SetClockFromStamp(stamp);
}

}  // namespace kel
