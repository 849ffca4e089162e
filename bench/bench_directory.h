// A private temporary directory for one benchmark run, removed with all it holds at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace kel::bench {

class BenchDirectory {
 public:
  BenchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~BenchDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  BenchDirectory(const BenchDirectory&) = delete;
  BenchDirectory& operator=(const BenchDirectory&) = delete;

  // The directory as made (empty when it could not be).
  const std::string& path() const { return path_; }
  // The directory with its trailing separator, as the session keeps its directories.
  std::string Slashed() const { return path_ + "/"; }

 private:
  std::string path_;
};

}  // namespace kel::bench
