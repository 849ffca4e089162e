// ReadIniKey and WriteIniKey on the last key of a 1 MB settings file, beside the floor of the
// same work done in the same process: reading the file and finding the key's line (what grep
// does), and copying the file and renaming the copy over it (what cp and mv do).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "config/ini.h"
#include "platform/file_system.h"

namespace {

// 100 sections of 300 keys, about 1 MB; the key asked for is the file's last line.
constexpr int kSections = 100, kKeys = 300;
constexpr const char* kLastSection = "Seccio99";
constexpr const char* kLastKey = "Clau299";

struct Fixture {
  std::string dir, file;
  Fixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kel-bench-XXXXXX").string();
    dir = mkdtemp(pattern.data()) ? pattern : std::string();
    file = dir + "/Nuro.ini";
    std::string text;
    char line[64];
    for (int s = 0; s < kSections; ++s) {
      std::snprintf(line, sizeof line, "[Seccio%02d]\r\n", s);
      text += line;
      for (int k = 0; k < kKeys; ++k) {
        std::snprintf(line, sizeof line, "Clau%03d=valor de la clau %07d\r\n", k, s * kKeys + k);
        text += line;
      }
    }
    const kel::platform::FileHandle out = kel::platform::OpenFileHandle(file, kel::platform::OpenMode::CreateAlways);
    kel::platform::WriteToFile(out, text.data(), text.size());
    kel::platform::CloseFile(out);
  }
  ~Fixture() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

Fixture& Settings() {
  static Fixture fixture;
  return fixture;
}

void ReadIniKeyLastKey(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kel::ReadIniKey(Settings().file, kLastSection, kLastKey));
}

void ReadFloorFindLine(benchmark::State& state) {
  const std::string wanted = std::string("\n") + kLastKey + "=";
  for (auto _ : state) {
    std::string text;
    kel::platform::ReadWholeFile(Settings().file, text);
    benchmark::DoNotOptimize(text.find(wanted));
  }
}

void WriteIniKeyLastKey(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) kel::WriteIniKey(Settings().file, kLastSection, kLastKey, std::to_string(++n % 10000000));
}

void CopyAndRename(benchmark::State& state, bool flush) {
  const std::string copy = Settings().dir + "/copy.tmp";
  for (auto _ : state) {
    std::string text;
    kel::platform::ReadWholeFile(Settings().file, text);
    const kel::platform::FileHandle out = kel::platform::OpenFileHandle(copy, kel::platform::OpenMode::CreateAlways);
    kel::platform::WriteToFile(out, text.data(), text.size());
    if (flush) kel::platform::FlushFile(out);
    kel::platform::CloseFile(out);
    kel::platform::ReplaceByRename(copy, Settings().file);
  }
}

void WriteFloorCopyRename(benchmark::State& state) { CopyAndRename(state, false); }
void WriteFloorCopyFlushRename(benchmark::State& state) { CopyAndRename(state, true); }

BENCHMARK(ReadIniKeyLastKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadFloorFindLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteIniKeyLastKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteFloorCopyRename)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteFloorCopyFlushRename)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
