// Record-file reads beside raw SQLite on the same database (bench/records.sh runs it):
//
//   bench_records scan FILE        every record in key-1 order through MoveRecords
//   bench_records rawscan FILE     the same through one prepared SQLite statement
//   bench_records get FILE N       N random get-equal on key 0 through SeekKey
//   bench_records rawget FILE N    the same through a prepared indexed SQLite lookup
//   bench_records page FILE        a browse list's first page: seek the low bound, then 20
//                                  rows of key collation form, position and move (median of 200)
//
// Each prints the records read and the time; peak memory is measured around the process.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_manager.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string NumberKey(std::uint32_t number) {
  std::string key(4, '\0');
  for (int i = 0; i < 4; ++i) key[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return key;
}

char g_area[1536];

int OpenFile(const char* path, int key) {
  const std::int16_t status = kel::OpenRecordFile(1, path, g_area, 200, static_cast<std::int16_t>(key));
  if (status != 0) std::fprintf(stderr, "open: status %d\n", status);
  return status;
}

std::uint32_t RecordCount(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT n FROM kel_count", -1, &s, nullptr);
  std::uint32_t count = sqlite3_step(s) == SQLITE_ROW ? static_cast<std::uint32_t>(sqlite3_column_int64(s, 0)) : 0;
  sqlite3_finalize(s);
  return count;
}

std::vector<std::uint32_t> RandomNumbers(std::uint32_t count, int n) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::uint32_t> pick(1, count);
  std::vector<std::uint32_t> numbers(static_cast<std::size_t>(n));
  for (auto& number : numbers) number = pick(random);
  return numbers;
}

int Scan(const char* path) {
  if (OpenFile(path, 1) != 0) return 1;
  const auto start = Clock::now();
  std::int16_t status = 0;
  kel::SeekKey(1, 1, "", 1, status);
  long records = 0;
  while (status == 0) {
    ++records;
    kel::MoveRecords(1, 1, status);
  }
  std::printf("scan %ld records %.3f s\n", records, Seconds(start));
  kel::CloseRecordFile(1);
  return 0;
}

int RawScan(const char* path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 1;
  const auto start = Clock::now();
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT pos, data, k1 FROM records ORDER BY k1, pos", -1, &s, nullptr);
  long records = 0;
  char buffer[1536];
  while (sqlite3_step(s) == SQLITE_ROW) {
    std::memcpy(buffer, sqlite3_column_blob(s, 1), static_cast<std::size_t>(std::min(sqlite3_column_bytes(s, 1), 1536)));
    ++records;
  }
  sqlite3_finalize(s);
  std::printf("rawscan %ld records %.3f s (%d)\n", records, Seconds(start), buffer[0]);
  sqlite3_close(db);
  return 0;
}

int Get(const char* path, int n) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr);
  const auto numbers = RandomNumbers(RecordCount(db), n);
  sqlite3_close(db);
  if (OpenFile(path, 0) != 0) return 1;
  const auto start = Clock::now();
  int found = 0;
  for (const std::uint32_t number : numbers) {
    std::int16_t status = 0;
    kel::SeekKey(1, 0, NumberKey(number), 0, status);
    found += status == 0;
  }
  const double seconds = Seconds(start);
  std::printf("get %d found %d %.3f s %.2f us each\n", n, found, seconds, seconds * 1e6 / n);
  kel::CloseRecordFile(1);
  return 0;
}

int RawGet(const char* path, int n) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return 1;
  const auto numbers = RandomNumbers(RecordCount(db), n);
  const auto start = Clock::now();
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "SELECT pos, data FROM records WHERE k0 = ?1", -1, &s, nullptr);
  int found = 0;
  char buffer[1536];
  for (const std::uint32_t number : numbers) {
    std::string key = NumberKey(number);
    std::reverse(key.begin(), key.end());  // the stored collation form of a binary key
    sqlite3_bind_blob(s, 1, key.data(), 4, SQLITE_STATIC);
    if (sqlite3_step(s) == SQLITE_ROW) {
      std::memcpy(buffer, sqlite3_column_blob(s, 1), static_cast<std::size_t>(std::min(sqlite3_column_bytes(s, 1), 1536)));
      ++found;
    }
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
  const double seconds = Seconds(start);
  std::printf("rawget %d found %d %.3f s %.2f us each (%d)\n", n, found, seconds, seconds * 1e6 / n, buffer[0]);
  sqlite3_close(db);
  return 0;
}

// What a browse list does for its first page of 20 rows over key 1 from a low bound, on a
// file the program has open: save the lock mode, seek, then per row the key's collation form
// against the high bound, the position and the move to the next record.
int Page(const char* path) {
  const auto opening = Clock::now();
  if (OpenFile(path, 1) != 0) return 1;
  const double open_ms = Seconds(opening) * 1000;
  std::vector<double> times;
  for (int run = 0; run < 200; ++run) {
    const auto start = Clock::now();
    std::int16_t status = 0;
    kel::SetLockMode(1, "+d", status);
    kel::SeekKey(1, 1, "M", 1, status);
    const std::string high = kel::KeyCollationForm("MZZZ", 1);
    int rows = 0;
    while (status == 0 && rows < 20) {
      const std::string key = kel::CurrentKeyCollationForm(1);
      if (key.substr(0, high.size()) > high) break;
      kel::RecordPosition(1, 0);
      ++rows;
      kel::MoveRecords(1, 1, status);
    }
    kel::SetLockMode(1, "-", status);
    times.push_back(Seconds(start) * 1000);
    if (rows != 20) std::fprintf(stderr, "only %d rows\n", rows);
  }
  kel::CloseRecordFile(1);
  std::sort(times.begin(), times.end());
  std::printf("page of 20 rows: median %.3f ms, slowest %.3f ms; opening the file %.3f ms\n",
              times[times.size() / 2], times.back(), open_ms);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_records scan|rawscan|get|rawget|page FILE [N]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int n = argc > 3 ? std::atoi(argv[3]) : 100000;
  if (mode == "scan") return Scan(argv[2]);
  if (mode == "rawscan") return RawScan(argv[2]);
  if (mode == "get") return Get(argv[2], n);
  if (mode == "rawget") return RawGet(argv[2], n);
  if (mode == "page") return Page(argv[2]);
  return 2;
}
