// The record server beside the embedded engine, on the same records: a key-order scan, random
// get-equal reads and a browse list's first page (a seek and 19 moves through the layer), with
// the round trips each costs. Run by bench/records_server.sh, which also times psql running
// the same SQL.
//
//   bench_records_server DIR COUNT     KELPG names the server
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "records/file_definition.h"
#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_manager.h"
#include "records/record_store.h"
#include "platform/process.h"

namespace {

using namespace kel;
using Clock = std::chrono::steady_clock;

constexpr int kRecordLength = 200;
constexpr int kNameLength = 20;
constexpr int kLookups = 100000;
constexpr int kPages = 200;
constexpr int kPageRows = 20;

FileDefinition BenchDefinition() {
  FileDefinition definition;
  definition.record_length = kRecordLength;
  definition.page_size = 4096;
  definition.keys = {{{1, 4, kSegmentBinary}}, {{5, kNameLength, kSegmentAlternate | kSegmentDuplicates}}};
  definition.alternate.assign(kAlternateSize, '\0');
  definition.alternate[0] = static_cast<char>(kAlternateSignature);
  for (int b = 0; b < 256; ++b) definition.alternate[9 + b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  return definition;
}

std::string NumberBytes(std::uint32_t number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

std::string Name(std::mt19937& random) {
  std::string name(kNameLength, ' ');
  for (int i = 0; i < 8; ++i) name[static_cast<std::size_t>(i)] = static_cast<char>('a' + random() % 26);
  return name;
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

bool Fill(const std::string& path, std::uint32_t count) {
  std::string status = FileStatusBytes(BenchDefinition(), 0);
  std::string name = path;
  name.resize(kKeyBufferSize + 1, '\0');
  std::int32_t length = static_cast<std::int32_t>(status.size());
  if (RecordManagerCall(kOpCreate, nullptr, status.data(), length, name.data(), static_cast<std::int16_t>(path.size()), 0) != kStatusOk)
    return false;
  File file;
  std::string none;
  if (file.Call(kOpOpen, none, path) != kStatusOk) return false;
  std::mt19937 random(7);
  const auto start = Clock::now();
  for (std::uint32_t number = 1; number <= count; ++number) {
    if ((number - 1) % 100000 == 0 && file.Call(kOpBeginTransaction, none) != kStatusOk) return false;
    std::string record(kRecordLength, '.');
    record.replace(0, 4, NumberBytes(number));
    record.replace(4, kNameLength, Name(random));
    if (file.Call(kOpInsert, record) != kStatusOk) return false;
    if ((number % 100000 == 0 || number == count) && file.Call(kOpEndTransaction, none) != kStatusOk) return false;
  }
  std::printf("%-8s fill of %u records: %.1f s\n", path.c_str(), count, Seconds(start));
  return file.Call(kOpClose, none) == kStatusOk;
}

struct Figures {
  double scan_ns = 0, get_us = 0, page_ms = 0, page_trips = 0, scan_trips = 0;
};

Figures Measure(const std::string& path, std::uint32_t count) {
  Figures figures;
  File file;
  std::string data(kRecordLength, ' '), none;
  if (file.Call(kOpOpen, none, path) != kStatusOk) std::exit(1);
  // Key-order scan.
  std::uint64_t trips = ServerRoundTrips();
  auto start = Clock::now();
  std::uint32_t seen = 0;
  for (std::int16_t status = file.Call(kOpGetFirst, data); status == kStatusOk; status = file.Call(kOpGetNext, data)) ++seen;
  figures.scan_ns = Seconds(start) * 1e9 / seen;
  figures.scan_trips = static_cast<double>(ServerRoundTrips() - trips);
  if (seen != count) std::fprintf(stderr, "%s: scan saw %u of %u\n", path.c_str(), seen, count);
  // Random get-equal.
  std::mt19937 random(11);
  start = Clock::now();
  for (int i = 0; i < kLookups; ++i)
    if (file.Call(kOpGetEqual, data, NumberBytes(1 + random() % count)) != kStatusOk) std::exit(1);
  figures.get_us = Seconds(start) * 1e6 / kLookups;
  file.Call(kOpClose, none);
  // A browse list's first page through the layer: seek on the name, then 19 moves.
  ResetFileTable();
  char area[kRecordLength];
  if (OpenRecordFile(1, path, area, sizeof area, 1, kLockNone) != kStatusOk) std::exit(1);
  std::int16_t status = 0;
  SeekKey(1, 1, "m", 1, status);  // the first call prepares the statements
  trips = ServerRoundTrips();
  start = Clock::now();
  for (int page = 0; page < kPages; ++page) {
    std::string from(3, 'a');
    for (char& c : from) c = static_cast<char>('a' + random() % 26);
    SeekKey(1, 1, from, 1, status);
    for (int row = 1; row < kPageRows && status == kStatusOk; ++row) MoveRecords(1, 1, status);
  }
  figures.page_ms = Seconds(start) * 1e3 / kPages;
  figures.page_trips = static_cast<double>(ServerRoundTrips() - trips) / kPages;
  CloseAllRecordFiles();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DIR COUNT   (KELPG names the server)\n", argv[0]);
    return 2;
  }
  const std::uint32_t count = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const std::string embedded = std::string(argv[1]) + "/BENCH.DAT";
  const std::string server = "pgsql:BENCH_" + std::to_string(platform::ProcessId());
  if (!Fill(embedded, count) || !Fill(server, count)) {
    std::fprintf(stderr, "could not fill the files\n");
    return 1;
  }
  std::printf("server file %s\n", server.c_str());
  const Figures e = Measure(embedded, count), s = Measure(server, count);
  std::printf("| | embedded | server | server / embedded |\n|---|---|---|---|\n");
  std::printf("| key-order scan, ns a record | %.0f | %.0f | %.2fx |\n", e.scan_ns, s.scan_ns, s.scan_ns / e.scan_ns);
  std::printf("| random get-equal, us a read | %.1f | %.1f | %.2fx |\n", e.get_us, s.get_us, s.get_us / e.get_us);
  std::printf("| browse first page (seek + 19 moves), ms | %.3f | %.3f | %.2fx |\n", e.page_ms, s.page_ms, s.page_ms / e.page_ms);
  std::printf("server round trips: %.2f a browse page, %.0f for the whole scan\n", s.page_trips, s.scan_trips);
  return 0;
}
