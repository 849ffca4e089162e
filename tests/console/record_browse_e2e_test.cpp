// The record browse demo in a real terminal over a file of 10,000 customers made with kelrec,
// on either engine: the list pages down to the last page between the bounds, Enter on a
// customer that kelrec holds locked shows the lock notice on row 24, and the customer is read
// once the holder is gone.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "records/record_file_support.h"
#include "records/record_server.h"
#include "platform/environment.h"
#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

// One line of a captured pane, counted from 1.
std::string PaneRow(const std::string& pane, int row) {
  std::size_t start = 0;
  for (int r = 1; r < row && start != std::string::npos; ++r) {
    start = pane.find('\n', start);
    if (start != std::string::npos) ++start;
  }
  if (start == std::string::npos) return "";
  return pane.substr(start, pane.find('\n', start) - start);
}

class RecordBrowseEndToEndTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  void SetUp() override {
    if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    KEL_REQUIRE_ENGINE(GetParam());
    demo_ = KEL_BINARY_DIR "/record_browse_demo";
    kelrec_ = KEL_BINARY_DIR "/kelrec";
    ASSERT_TRUE(std::filesystem::exists(demo_)) << "build the record_browse_demo target first";
    ASSERT_TRUE(std::filesystem::exists(kelrec_)) << "build the kelrec target first";
    file_ = testing::RecordFilePath(GetParam(), temp_ / "CLIENTS.DAT", "CLIENTS");
    // Number (key 0), name (key 1, duplicates allowed) and town, as the demo reads them.
    const std::string csv = temp_ / "clients.csv";
    {
      static const char* const kTowns[] = {"GIRONA", "LLEIDA", "TARRAGONA", "VIC", "REUS"};
      std::ofstream out(csv);
      for (int n = 1; n <= 10000; ++n) {
        out << n << ",C" << std::to_string(100000 + n).substr(1) << "," << kTowns[n % 5] << "\n";
      }
    }
    ASSERT_EQ(Kelrec("create " + Quote(file_) + " 32 1:4b 5:12d"), 0);
    ASSERT_EQ(Kelrec("import " + Quote(file_) + " " + Quote(csv)), 0);
  }
  // Runs kelrec (the server, when it is one, named in this process's environment).
  int Kelrec(const std::string& arguments) {
    return std::system((Quote(kelrec_) + " " + arguments + " >/dev/null").c_str());
  }
  // The programs' environment: temporary files in the test's directory, and the server.
  std::string Environment() const {
    return "env LANG=C.UTF-8 TEMP=" + Quote(temp_.path()) + " TMPDIR=" + Quote(temp_.path()) + " " +
           std::string(kServerVariable) + "=" + Quote(platform::EnvironmentValue(kServerVariable)) + " ";
  }

  testing::TempDir temp_;
  std::string demo_, kelrec_, file_;
};

INSTANTIATE_TEST_SUITE_P(Engines, RecordBrowseEndToEndTest,
                         ::testing::Values(testing::Engine::Embedded, testing::Engine::Server), testing::EngineName);

TEST_P(RecordBrowseEndToEndTest, PagesToTheEndAndReadsTheChosenCustomerOnceItsHolderIsGone) {
  TmuxPane demo(temp_ / "demo.sock");
  // Tries of the locked customer every 200 ms at most instead of every 10 s.
  ASSERT_TRUE(demo.Start(Environment() + Quote(demo_) + " --pause 200 " + Quote(file_) + " C09950 C10000"));
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

  // Another program holds customer 9995.
  TmuxPane holder(temp_ / "holder.sock");
  ASSERT_TRUE(holder.Start(Environment() + Quote(kelrec_) + " lock " + Quote(file_) + " 0 9995"));
  holder.WaitForText("bloquejat");
  const int holder_id = holder.ProgramId();
  ASSERT_GT(holder_id, 0);

  ASSERT_TRUE(demo.Keys("Enter"));
  const std::string waiting = demo.WaitForText("FITXER BLOQUEJAT. ESPEREU UN MOMENT.");
  // The notice's box is placed by row 24: its one line of text lands on screen row 22.
  EXPECT_NE(PaneRow(waiting, 22).find("│ FITXER BLOQUEJAT. ESPEREU UN MOMENT. │"), std::string::npos) << waiting;
  EXPECT_EQ(waiting.find("Read:"), std::string::npos) << waiting;

  // The holder dies outright; the system (or the server) drops its lock.
  ASSERT_EQ(::kill(holder_id, SIGKILL), 0);
  const std::string read = demo.WaitForText("Read:   9995");
  EXPECT_NE(read.find("Read:   9995  C09995        GIRONA"), std::string::npos) << read;
  EXPECT_EQ(read.find("BLOQUEJAT"), std::string::npos) << read;
  ASSERT_TRUE(demo.Keys("Escape"));
}

}  // namespace
}  // namespace kel
