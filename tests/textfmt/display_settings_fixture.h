// Tests of the date and number formats run against a Nuro.ini of their own in a temporary
// installation root, and start with settings not yet loaded.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "startup/session_environment.h"
#include "support/temp_dir.h"
#include "textfmt/date_format.h"
#include "textfmt/number_format.h"

namespace kel::testing {

class DisplaySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSessionEnvironment();
    SessionToFill().RootDir = root_.dir();
    ForgetSettings();
  }
  void TearDown() override {
    ResetSessionEnvironment();
    ForgetSettings();
  }

  static void ForgetSettings() {
    ResetDateFormatSettings();
    ResetNumberFormatSettings();
  }

  // Writes the [Usuari] section of Nuro.ini with these lines (each ending in CR LF).
  void WriteUserSettings(std::initializer_list<std::string_view> lines) {
    std::string text = "[Sistema]\r\nData=20240101\r\n[Usuari]\r\n";
    for (std::string_view line : lines) text.append(line).append("\r\n");
    root_.Write("Nuro.ini", text);
  }

  TempDir root_;
};

}  // namespace kel::testing
