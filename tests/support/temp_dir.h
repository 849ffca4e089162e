// A temporary directory per test, removed with everything in it at the end of the test.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <chrono>
#include <cstdlib>
#include <random>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <ctime>

namespace kel::testing {

// The bytes of a file, empty when it is missing.
inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes a file with exactly these bytes, making its directories.
inline void Plant(const std::filesystem::path& path, std::string_view contents) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << contents;
}

// A new directory of an unpredictable name under the system's temporary directory; empty
// when none could be made.
inline std::string MakeUniqueDirectory(const char* prefix) {
#ifdef _WIN32
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto name = std::filesystem::temp_directory_path() /
                      (prefix + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(name, error)) return name.string();
  }
  return {};
#else
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
#endif
}

class TempDir {
 public:
  TempDir() : path_(MakeUniqueDirectory("kel-test-")) {}
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Native path of the directory, without a trailing separator.
  const std::string& path() const { return path_; }
  // Native path of an entry inside the directory.
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }
  // The directory as the system writes directories: with a trailing separator.
  std::string dir() const { return path_ + "/"; }

  // Writes a file (parents created) with exactly these bytes.
  void Write(std::string_view name, std::string_view bytes) const {
    Plant(std::filesystem::path(path_) / std::string(name), bytes);
  }
  // The bytes of a file, empty when it is missing.
  std::string Read(std::string_view name) const {
    return Slurp(std::filesystem::path(path_) / std::string(name));
  }
  bool Exists(std::string_view name) const {
    return std::filesystem::exists(std::filesystem::path(path_) / std::string(name));
  }

 private:
  std::string path_;
};

// Sets a file's last-write time to a local date and time; false when the system refuses.
inline bool StampFile(const std::filesystem::path& path, int year, int month, int day, int hour,
                      int minute, int second, long nanoseconds = 0) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
#ifdef _WIN32
  const auto moment = std::chrono::system_clock::from_time_t(when) +
                      std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(nanoseconds));
  std::error_code error;
  std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(moment), error);
  return !error;
#else
  const timespec times[2] = {{when, 0}, {when, nanoseconds}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

// Sets or (with no value) removes an environment variable of this process.
inline void SetTestEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) setenv(name, value, 1); else unsetenv(name);
#endif
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old, had_ = true;
    SetTestEnvironment(name, value);
  }
  ~ScopedEnv() { SetTestEnvironment(name_.c_str(), had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_ = false;
};

}  // namespace kel::testing
