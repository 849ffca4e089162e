// Several processes writing one settings file on Windows: the writers are this test program
// started again, each running only the writer below.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/ini.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace kel {
namespace {

// Smaller than the POSIX run: every process start and forced write costs more under Wine.
constexpr int kWriters = 4, kKeys = 10;
constexpr const char* kWriterFlag = "--kel-writer=";
constexpr const char* kFileFlag = "--kel-file=";

std::string Filler(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "Filler" + std::to_string(i) + "=some settings value\r\n";
  return text;
}

// The value of a flag this program was started with, empty when it was not.
std::string Flag(const std::string& prefix) {
  for (const std::string& argument : ::testing::internal::GetArgvs())
    if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
  return {};
}

// Runs only in the writer processes.
TEST(IniConcurrencyWindows, WriterProcess) {
  const std::string writer = Flag(kWriterFlag), file = Flag(kFileFlag);
  if (writer.empty() || file.empty()) GTEST_SKIP() << "run by WritersInParallelLoseNoKeyAndReadersNeverMissOne";
  for (int k = 0; k < kKeys; ++k)
    WriteIniKey(file, "Keys", "W" + writer + "K" + std::to_string(k), writer + std::to_string(k));
}

TEST(IniConcurrencyWindows, WritersInParallelLoseNoKeyAndReadersNeverMissOne) {
  if (!Flag(kWriterFlag).empty()) GTEST_SKIP() << "a writer process";
  testing::TempDir dir;
  const std::string target = dir / "t.ini";
  dir.Write("t.ini", "[Fixed]\r\nKeep=yes\r\n[Filler]\r\n" + Filler(1000));
  const std::string self = ::testing::internal::GetArgvs().front();

  std::atomic<int> running{kWriters};
  std::vector<int> codes(kWriters, -1);
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      codes[static_cast<std::size_t>(w)] = platform::RunProgramAndWait(
          self, {"--gtest_filter=IniConcurrencyWindows.WriterProcess", kWriterFlag + std::to_string(w),
                 kFileFlag + target});
      --running;
    });
  }
  int reads = 0, gaps = 0;
  while (running > 0) {
    ++reads;
    if (ReadIniKey(target, "Fixed", "Keep") != "yes") ++gaps;
    platform::PauseMilliseconds(1);  // leaves the writers the processor
  }
  for (std::thread& writer : writers) writer.join();
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(codes[static_cast<std::size_t>(w)], 0) << "writer " << w;
  EXPECT_EQ(gaps, 0) << "of " << reads << " reads";
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(ReadIniKey(target, "Keys", "W" + std::to_string(w) + "K" + std::to_string(k)),
                std::to_string(w) + std::to_string(k));
}

}  // namespace
}  // namespace kel
