#include <gtest/gtest.h>
#include <iostream>
#include "editing/popup_fixture.h"
namespace kel {
namespace {
using testing::PopupTest;
class CalendarPopupTest : public PopupTest {
 protected:
  void SetUp() override { PopupTest::SetUp(); SetCalendarPopup(nullptr); }
};
TEST_F(CalendarPopupTest, Explore) {
  Snap(); Key(kKeyPgDn); Snap(); Type("F");
  std::string r = Calendar();
  Session().LanguageCode = "OCI";
  Snap(); Key(kKeyEsc);
  Calendar();
  for (auto& s : Snapshots()) std::cout << s << "----\n";
  std::cout << "[" << r << "]\n";
}
}
}
