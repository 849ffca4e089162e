// Copying files by pattern, measured two ways:
//   bench_copy_files copy SOURCE-PATTERN DESTINATION   one CopyFiles, for bench/copy_files.sh
//   bench_copy_files populate DIRECTORY COUNT          COUNT small files of 100 to 8,000 bytes
//   bench_copy_files [benchmark options]               Google Benchmark cases in a temp dir
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "files/file_utils.h"

namespace {

namespace fs = std::filesystem;

void Populate(const fs::path& directory, int count) {
  fs::create_directories(directory);
  std::string data(8000, '\0');
  unsigned state = 12345;
  for (char& c : data) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "F%06d.DAT", i);
    const std::size_t size = 100 + (static_cast<std::size_t>(i) * 7919u) % 7900u;
    std::ofstream(directory / name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(size));
  }
}

int RunCopy(const char* source, const char* destination) {
  const auto start = std::chrono::steady_clock::now();
  kel::CopyFiles(source, destination);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds %.3f peak_rss_kb %ld\n", seconds, usage.ru_maxrss);
  return 0;
}

// A scratch tree under the system's temporary directory, removed at the end.
struct Scratch {
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "kel-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    ::setenv("TEMP", root.c_str(), 1);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;
};

void BM_CopySmallFiles(benchmark::State& state) {
  Scratch scratch;
  const int count = static_cast<int>(state.range(0));
  Populate(scratch.root / "src", count);
  const std::string source = (scratch.root / "src").string() + "\\*.*";
  const std::string destination = (scratch.root / "dst").string() + "\\";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(scratch.root / "dst");
    fs::create_directory(scratch.root / "dst");
    state.ResumeTiming();
    kel::CopyFiles(source, destination);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CopySmallFiles)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_CopyLargeFile(benchmark::State& state) {
  Scratch scratch;
  const std::int64_t size = state.range(0) << 20;
  fs::create_directory(scratch.root / "src");
  fs::create_directory(scratch.root / "dst");
  {
    std::ofstream out(scratch.root / "src/BIG.DAT", std::ios::binary);
    std::string block(1 << 20, 'k');
    for (std::int64_t i = 0; i < state.range(0); ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  const std::string source = (scratch.root / "src").string() + "\\BIG.DAT";
  const std::string destination = (scratch.root / "dst").string() + "\\";
  for (auto _ : state) kel::CopyFiles(source, destination);
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_CopyLargeFile)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "copy") return RunCopy(argv[2], argv[3]);
  if (argc == 4 && std::string_view(argv[1]) == "populate") {
    Populate(argv[2], std::atoi(argv[3]));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
