// Setting the PC's clock from the file server's at session start.
//
// The environment variable KEL_NO_CLOCK_SYNC, set to anything, keeps the clock as it is (the
// probe file is still made and removed), for test installations and demonstrations.
#pragma once

#include <string>

namespace kel {

// Creates a probe file in the current directory (the installation root, on the file server),
// sets the local date and time to the time stamp the server gave it when the stamp's year is
// after 2018, and deletes the probe. The probe is made once, exclusively, and is read and
// removed through the file made, never through what another user may put under its name. A refusal to change the clock is not reported; when the
// probe cannot be created the clock is left alone.
void SyncClockWithServer();

// Sets the local date and time to a 14-digit time stamp (YYYYMMDDhhmmss) when its year is
// after 2018 and KEL_NO_CLOCK_SYNC is not set; otherwise leaves the clock alone.
void SetClockFromStamp(const std::string& stamp);

}  // namespace kel
