// The record server beside the embedded engine, on the same records: a key-order scan, random
// get-equal reads and a browse list's first page (a seek and 19 moves through the layer), with
// the round trips each costs. Run by bench/records_server.sh, which makes the two files from
// one CSV (200-byte records; key 0 a 4-byte number 1..COUNT, key 1 a name compared as
// capitals) and also times psql running the same SQL.
//
//   bench_records_server EMBEDDED_FILE pgsql:NAME COUNT     KELPG names the server
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_manager.h"
#include "records/record_store.h"

namespace {

using namespace kel;
using Clock = std::chrono::steady_clock;

constexpr int kRecordLength = 200;
constexpr int kLookups = 100000;
constexpr int kPages = 200;
constexpr int kPageRows = 20;

std::string NumberBytes(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

struct File {
  char block[kPositionBlockSize] = {};
  std::int16_t Call(std::int16_t operation, std::string& data, std::string key = "", std::int16_t key_number = 0) {
    const auto given = static_cast<std::int16_t>(key.size());
    key.resize(kKeyBufferSize + 1, ' ');
    std::int32_t length = static_cast<std::int32_t>(data.size());
    return RecordManagerCall(operation, block, data.data(), length, key.data(), given, key_number);
  }
};

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor seconds of the server: the postmaster named by KEL_BENCH_SERVER_PID, the children
// it has reaped and those still running (/proc); 0 when it is not known.
double ServerCpuSeconds() {
  const char* pid = std::getenv("KEL_BENCH_SERVER_PID");
  if (!pid || !*pid) return 0;
  const double tick = 100.0;  // USER_HZ
  // Fields after the command: state ppid ... utime (14) stime cutime cstime (17).
  const auto fields = [](const std::string& stat) {
    std::vector<std::string> out;
    std::istringstream in(stat.substr(stat.rfind(')') + 2));
    for (std::string field; in >> field;) out.push_back(field);
    return out;
  };
  double ticks = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream file(entry.path() / "stat");
    std::string stat;
    if (!file || !std::getline(file, stat) || stat.find(')') == std::string::npos) continue;
    const std::vector<std::string> f = fields(stat);
    if (f.size() < 15) continue;
    const std::string self = entry.path().filename().string();
    const auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
    if (self == pid) ticks += number(f[11]) + number(f[12]) + number(f[13]) + number(f[14]);
    else if (f[1] == pid) ticks += number(f[11]) + number(f[12]);
  }
  return ticks / tick;
}

// The time and processor time (this process's, the server's) of a piece of work.
struct Meter {
  Clock::time_point start = Clock::now();
  std::clock_t cpu = std::clock();
  double server = ServerCpuSeconds();
  struct Reading {
    double wall = 0, cpu = 0, server = 0;
  };
  Reading Read() const {
    return {Seconds(start), static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC, ServerCpuSeconds() - server};
  }
};

struct Figures {
  Meter::Reading scan, get, page;
  double page_trips = 0, scan_trips = 0;
};

Figures Measure(const std::string& path, std::uint32_t count) {
  Figures figures;
  File file;
  std::string data(kRecordLength, ' '), none;
  if (file.Call(kOpOpen, none, path) != kStatusOk) std::exit(1);
  // Key-order scan.
  std::uint64_t trips = ServerRoundTrips();
  Meter meter;
  std::uint32_t seen = 0;
  for (std::int16_t status = file.Call(kOpGetFirst, data); status == kStatusOk; status = file.Call(kOpGetNext, data)) ++seen;
  figures.scan = meter.Read();
  figures.scan_trips = static_cast<double>(ServerRoundTrips() - trips);
  if (seen != count) std::fprintf(stderr, "%s: scan saw %u of %u\n", path.c_str(), seen, count);
  // Random get-equal.
  std::mt19937 random(11);
  meter = Meter();
  for (int i = 0; i < kLookups; ++i)
    if (file.Call(kOpGetEqual, data, NumberBytes(1 + random() % count)) != kStatusOk) std::exit(1);
  figures.get = meter.Read();
  file.Call(kOpClose, none);
  // A browse list's first page through the layer: seek on the name, then 19 moves.
  ResetFileTable();
  char area[kRecordLength];
  if (OpenRecordFile(1, path, area, sizeof area, 1, kLockNone) != kStatusOk) std::exit(1);
  std::int16_t status = 0;
  SeekKey(1, 1, "m", 1, status);  // the first call prepares the statements
  trips = ServerRoundTrips();
  meter = Meter();
  for (int page = 0; page < kPages; ++page) {
    std::string from(3, 'a');
    for (char& c : from) c = static_cast<char>('a' + random() % 26);
    SeekKey(1, 1, from, 1, status);
    for (int row = 1; row < kPageRows && status == kStatusOk; ++row) MoveRecords(1, 1, status);
  }
  figures.page = meter.Read();
  figures.page_trips = static_cast<double>(ServerRoundTrips() - trips) / kPages;
  CloseAllRecordFiles();
  return figures;
}

// One line of the table: time and processor time per unit in each engine.
void Line(const char* what, const char* unit, double scale, const Meter::Reading& e, const Meter::Reading& s) {
  const double e_cpu = e.cpu + e.server, s_cpu = s.cpu + s.server;
  std::printf("| %s, %s | %.2f (cpu %.2f) | %.2f (cpu %.2f = %.2f here + %.2f server) | %.2fx | %.2fx |\n", what, unit,
              e.wall * scale, e_cpu * scale, s.wall * scale, s_cpu * scale, s.cpu * scale, s.server * scale,
              s.wall / e.wall, s_cpu / e_cpu);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s EMBEDDED_FILE pgsql:NAME COUNT   (KELPG names the server)\n", argv[0]);
    return 2;
  }
  const std::string embedded = argv[1], server = argv[2];
  const std::uint32_t count = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
  const Figures e = Measure(embedded, count), s = Measure(server, count);
  std::printf("| | embedded | server | server / embedded | same, cpu |\n|---|---|---|---|---|\n");
  Line("key-order scan", "us a record", 1e6 / count, e.scan, s.scan);
  Line("random get-equal", "us a read", 1e6 / kLookups, e.get, s.get);
  Line("browse first page (seek + 19 moves)", "ms a page", 1e3 / kPages, e.page, s.page);
  std::printf("server round trips: %.2f a browse page, %.0f for the whole scan\n", s.page_trips, s.scan_trips);
  return 0;
}
