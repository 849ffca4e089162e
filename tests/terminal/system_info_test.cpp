#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_dir.h"
#include "terminal/identification.h"

namespace kel {
namespace {

using testing::ScopedEnv;

class SystemInfoTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::ResetSystemInfo(); }
  ScopedEnv name_{"KEL_COMPUTER_NAME", nullptr}, adapter_{"KEL_ADAPTER_ADDRESS", nullptr};
};

TEST(ComputerNameOfHost, IsTheFirstLabelInCapitalsCutToSixteen) {
  EXPECT_EQ(platform::ComputerNameOfHost("recepcio"), "RECEPCIO");
  EXPECT_EQ(platform::ComputerNameOfHost("pc7.office.example.com"), "PC7");
  EXPECT_EQ(platform::ComputerNameOfHost("Sala-2_b"), "SALA-2_B");
  EXPECT_EQ(platform::ComputerNameOfHost("magatzem-planta-baixa.local"), "MAGATZEM-PLANTA-");
  EXPECT_EQ(platform::ComputerNameOfHost(""), "");
  EXPECT_EQ(platform::ComputerNameOfHost(".hidden"), "");
}

TEST_F(SystemInfoTest, SystemAdaptersHaveNonZeroAddresses) {
  for (const std::string& address : platform::AdapterAddresses()) {
    EXPECT_FALSE(address.empty());
    EXPECT_TRUE(std::any_of(address.begin(), address.end(), [](char c) { return c != 0; }));
  }
  const std::string text = AdapterAddress();
  EXPECT_EQ(text.size() % 2, 0u);
  EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
}

TEST_F(SystemInfoTest, EnvironmentStandsInForTheSystem) {
  ScopedEnv name("KEL_COMPUTER_NAME", "RECEPCIO-PLANTA-BAIXA");
  ScopedEnv adapter("KEL_ADAPTER_ADDRESS", "00:1a:2b:3c:4d:5e");
  EXPECT_EQ(ComputerName(), "RECEPCIO-PLANTA-");
  EXPECT_EQ(AdapterAddress(), "001A2B3C4D5E");
}

TEST_F(SystemInfoTest, AdapterStandInThatIsNoAddressMeansNoAdapter) {
  for (const char* value : {"none", "00:1", "0G1A2B3C4D5E"}) {
    ScopedEnv adapter("KEL_ADAPTER_ADDRESS", value);
    EXPECT_EQ(AdapterAddress(), "") << value;
  }
}

}  // namespace
}  // namespace kel
