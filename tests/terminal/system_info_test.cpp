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

TEST_F(SystemInfoTest, SystemNameIsTheHostsFirstLabelInCapitals) {
  const std::string name = ComputerName();
  EXPECT_LE(name.size(), platform::kComputerNameLength);
  EXPECT_EQ(name.find('.'), std::string::npos);
  EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; }));
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
