// The fatal message of the file utilities in a real terminal: written after the program has
// given the terminal back, so it stays in the shell's screen instead of vanishing with the
// program's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "support/tmux_pane.h"

namespace kel {
namespace {

using testing::Quote;
using testing::TmuxPane;

TEST(FatalMessage, StaysReadableInTheShellAfterTheProgramEnds) {
  if (!testing::TmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
  const std::string probe = KEL_BINARY_DIR "/tests/fatal_stamp_probe";
  ASSERT_TRUE(std::filesystem::exists(probe)) << "build the fatal_stamp_probe target first";
  testing::TempDir dir;
  TmuxPane pane(dir / "tmux.sock");
  const std::string missing = dir / "missing.txt";
  const std::string script = "echo first-line; TERM=xterm LANG=C.UTF-8 " + Quote(probe) + " " +
                             Quote(missing) + "; echo \"ended rc=$?\"; sleep 60";
  ASSERT_TRUE(pane.Start("sh -c " + Quote(script), 160));
  const std::string screen = pane.WaitForText("ended rc=");
  EXPECT_NE(screen.find("first-line\nError dirTime " + missing + "\nended rc=0\n"), std::string::npos)
      << screen;
  EXPECT_EQ(screen.find("PROBE SCREEN"), std::string::npos) << screen;
}

}  // namespace
}  // namespace kel
