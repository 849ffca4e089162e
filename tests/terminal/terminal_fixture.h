// A temporary installation root for the terminal tests: the current directory, the session
// record pointing into it, a fake computer name and adapter, and a clock setter that records
// instead of setting the machine's clock.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ini.h"
#include "platform/environment.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/system_info.h"
#include "startup/session_environment.h"
#include "support/temp_dir.h"

namespace kel::testing {

// The adapter address the fake PC reports, as raw bytes and as registry text.
inline const std::string kAddressBytes("\x00\x1A\x2B\x3C\x4D\x5E", 6);
inline constexpr const char* kAddress = "001A2B3C4D5E";

class TerminalFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBoundaryCodePage(BoundaryCodePage::Oem);
    saved_directory_ = platform::CurrentDirectory();
    ASSERT_TRUE(platform::ChangeDirectory(root_.path()));
    root_.Write("tmp/.keep", "");
    root_.Write("listings/.keep", "");
    SetTestEnvironment("TEMP", (root_ / "listings").c_str());
    SessionEnvironment& session = SessionToFill();
    session.RootDir = root_.dir();
    session.TempDir = root_.dir() + "tmp/";
    session.LanguageCode = "CAT";
    Identity("PC9", kAddressBytes);
    platform::InstallClockSetter([this](const platform::CalendarTime& time) {
      clock_changes_.push_back(time);
      return true;
    });
  }

  void TearDown() override {
    platform::ChangeDirectory(saved_directory_);
    platform::ResetClock();
    platform::ResetSystemInfo();
    ResetSessionEnvironment();
    ResetCodePageState();
  }

  // Makes the PC report this name and this adapter (none when the bytes are empty).
  static void Identity(const std::string& name, const std::string& address_bytes) {
    std::vector<std::string> adapters;
    if (!address_bytes.empty()) adapters.push_back(address_bytes);
    platform::InstallFakeIdentity({name, adapters});
  }

  std::string Registry() const { return root_ / "KelTerm.ini"; }
  std::string SessionFile() const { return root_ / "tmp/Sessio.ini"; }
  std::string Registered(const std::string& section, const std::string& key) const {
    return ReadIniKey(Registry(), section, key);
  }

  TempDir root_;
  // The suite's variables and the test switches, cleared so the machine's values stay out.
  ScopedEnv term_{"TERM", nullptr}, no_sync_{"KEL_NO_CLOCK_SYNC", nullptr},
      name_{"KEL_COMPUTER_NAME", nullptr}, adapter_{"KEL_ADAPTER_ADDRESS", nullptr},
      temp_{"TEMP", nullptr};
  std::vector<platform::CalendarTime> clock_changes_;

 private:
  std::string saved_directory_;
};

}  // namespace kel::testing
