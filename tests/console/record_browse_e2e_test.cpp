// The record browse demo in a real terminal over a file of 10,000 customers: the list pages
// down to the last page between the bounds, and Enter reads the highlighted customer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

class RecordBrowseEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    demo_ = KEL_BINARY_DIR "/record_browse_demo";
    kelrec_ = KEL_BINARY_DIR "/kelrec";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the record_browse_demo target first";
    ASSERT_TRUE(std::filesystem::exists(kelrec_)) << "build the kelrec target first";
    file_ = temp_ / "CLIENTS.DAT";
    ASSERT_EQ(std::system((Quote(demo_) + " --make " + Quote(file_) + " 10000").c_str()), 0);
  }
  std::string Environment() const {
    return "env LANG=C.UTF-8 TEMP=" + Quote(temp_.path()) + " TMPDIR=" + Quote(temp_.path()) + " ";
  }

  testing::TempDir temp_;
  std::string demo_, kelrec_, file_;  // kelrec: for holding locks
};

TEST_F(RecordBrowseEndToEndTest, PagesToTheEndAndReadsTheChosenCustomer) {
  TmuxPane demo(temp_ / "demo.sock");
  ASSERT_TRUE(demo.Start(Environment() + Quote(demo_) + " " + Quote(file_) + " C09950 C10000"));
  const std::string first = demo.WaitForText("C09950");
  EXPECT_NE(first.find("C09964"), std::string::npos) << first;
  EXPECT_EQ(first.find("C09949"), std::string::npos) << first;

  std::string pages;
  for (int i = 0; i < 5; ++i) pages += " NPage";
  ASSERT_TRUE(demo.Keys(pages));
  const std::string last = demo.WaitForText("C10000");
  // The last page starts at 9995, highlighted.
  EXPECT_EQ(last.find("C09994"), std::string::npos) << last;
  EXPECT_NE(last.find("C09995"), std::string::npos) << last;

  ASSERT_TRUE(demo.Keys("Enter"));
  const std::string read = demo.WaitForText("Read:   9995");
  EXPECT_NE(read.find("Read:   9995  C09995"), std::string::npos) << read;
  ASSERT_TRUE(demo.Keys("Escape"));
}

}  // namespace
}  // namespace kel
