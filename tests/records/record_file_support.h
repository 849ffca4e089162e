// Record files for tests: a small definition and an open file driven through the record
// manager entry.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "records/file_definition.h"
#include "records/record_manager.h"
#include "records/record_server.h"
#include "records/record_store.h"
#include "platform/environment.h"

namespace kel::testing {

// 32-byte records: key 0 a 4-byte number at 1 (unique), key 1 a 12-byte name at 5 compared
// as capitals (duplicates allowed); the rest free text.
inline FileDefinition CustomerDefinition() {
  FileDefinition definition;
  definition.record_length = 32;
  definition.page_size = 4096;
  definition.keys = {{{1, 4, kSegmentBinary}}, {{5, 12, kSegmentAlternate | kSegmentDuplicates}}};
  definition.alternate.assign(kAlternateSize, '\0');
  definition.alternate[0] = static_cast<char>(kAlternateSignature);
  for (int b = 0; b < 256; ++b) definition.alternate[9 + b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  return definition;
}

// A customer record.
inline std::string Customer(std::uint32_t number, std::string name, std::string rest = "") {
  std::string record(32, ' ');
  for (int i = 0; i < 4; ++i) record[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
  name.resize(12, ' ');
  record.replace(4, 12, name);
  rest.resize(16, ' ');
  record.replace(16, 16, rest);
  return record;
}

inline std::uint32_t NumberOf(const std::string& record) {
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(record[static_cast<std::size_t>(i)]);
  return number;
}

inline std::string NameOf(const std::string& record) {
  std::string name = record.substr(4, 12);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// Creates a record file; the record manager's status.
inline std::int16_t CreateRecordFile(const std::string& path, const FileDefinition& definition) {
  std::string status = FileStatusBytes(definition, 0);
  std::string key = path;
  key.resize(kKeyBufferSize + 1, '\0');
  std::int32_t length = static_cast<std::int32_t>(status.size());
  return RecordManagerCall(kOpCreate, nullptr, status.data(), length, key.data(),
                           static_cast<std::int16_t>(path.size()), 0);
}

// One open record file.
class RecordFileClient {
 public:
  explicit RecordFileClient(const std::string& path) {
    std::string name = path;
    name.resize(kKeyBufferSize + 1, '\0');
    std::int32_t length = 0;
    open_status = RecordManagerCall(kOpOpen, block, nullptr, length, name.data(), static_cast<std::int16_t>(path.size()), 0);
  }
  ~RecordFileClient() { Close(); }
  RecordFileClient(const RecordFileClient&) = delete;
  RecordFileClient& operator=(const RecordFileClient&) = delete;

  std::int16_t Close() {
    std::int32_t length = 0;
    char no_key[kKeyBufferSize + 1] = {};
    return RecordManagerCall(kOpClose, block, nullptr, length, no_key, 0, 0);
  }

  // A call with a key value; data is the record given or read, key the key value returned.
  std::int16_t Call(int operation, int key_number = 0, std::string key_in = "", std::int32_t buffer = 32) {
    data.assign(static_cast<std::size_t>(std::max(buffer, 32)), ' ');
    return CallWith(operation, key_number, std::move(key_in), buffer);
  }
  // A call that passes the data member as it is (insert, update, direct read).
  std::int16_t CallWith(int operation, int key_number = 0, std::string key_in = "", std::int32_t buffer = -1) {
    const std::size_t given = key_in.size();
    key_in.resize(kKeyBufferSize + 1, ' ');
    std::int32_t length = buffer < 0 ? static_cast<std::int32_t>(data.size()) : buffer;
    const std::int16_t status = RecordManagerCall(static_cast<std::int16_t>(operation), block, data.data(), length,
                                                  key_in.data(), static_cast<std::int16_t>(given),
                                                  static_cast<std::int16_t>(key_number));
    data.resize(static_cast<std::size_t>(std::max(length, 0)));
    key = key_in;
    return status;
  }
  std::int16_t Insert(const std::string& record) {
    data = record;
    return CallWith(kOpInsert);
  }
  std::int16_t Update(const std::string& record) {
    data = record;
    return CallWith(kOpUpdate);
  }
  // The current record's physical position (0 when there is none).
  std::int32_t Position() {
    data.assign(4, '\0');
    if (CallWith(kOpGetPosition) != kStatusOk) return 0;
    return static_cast<std::int32_t>(NumberOf(data + std::string(4, '\0')));
  }
  std::int16_t ReadAt(std::int32_t position, int key_number = 0, int lock = 0) {
    data.assign(32, '\0');
    for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((position >> (8 * i)) & 0xFF);
    return CallWith(kOpGetDirect + lock, key_number);
  }

  char block[kPositionBlockSize] = {};
  std::int16_t open_status = -1;
  std::string data;
  std::string key;
};

// The 4 key bytes of a customer number.
inline std::string NumberKey(std::uint32_t number) { return Customer(number, "").substr(0, 4); }

// ---- The two engines ----------------------------------------------------------------------

// The engines a test of record files runs against.
enum class Engine { Embedded, Server };

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::Embedded ? "Embedded" : "Server";
}

// The variable through which CI hands the tests its private server's connection string.
inline constexpr const char* kTestServerVariable = "KEL_TEST_PGSQL";

// Points this process (and the programs it starts) at the test server; false when there is
// none, which is a reason to skip on a developer's machine but a failure under CI.
inline bool UseTestServer() {
  if (!HasServerEngine()) return false;
  const std::string connection = platform::EnvironmentValue(kTestServerVariable);
  if (connection.empty()) return false;
  platform::SetEnvironmentValue(kServerVariable, connection);
  return true;
}

// Skips (or, under CI, fails) a server test when there is no server, and skips it in a build
// without the server engine; use in SetUp.
#define KEL_REQUIRE_ENGINE(engine)                                                          \
  do {                                                                                      \
    if ((engine) == ::kel::testing::Engine::Server && !::kel::HasServerEngine())            \
      GTEST_SKIP() << "this build has no server engine";                                    \
    if ((engine) == ::kel::testing::Engine::Server && !::kel::testing::UseTestServer()) {   \
      if (!::kel::platform::EnvironmentValue("CI").empty())                                 \
        FAIL() << "CI runs the server tests: " << ::kel::testing::kTestServerVariable << " is not set"; \
      GTEST_SKIP() << "no record server: set " << ::kel::testing::kTestServerVariable;       \
    }                                                                                       \
  } while (false)

// A name for a new record file in an engine: a file in dir, or a server file of a name no
// other test uses.
inline std::string RecordFilePath(Engine engine, const std::string& dir_file, const std::string& name) {
  if (engine == Engine::Embedded) return dir_file;
  static std::mt19937_64 generator{std::random_device{}()};
  static unsigned counter = 0;
  return std::string(kServerFilePrefix) + "T" + std::to_string(generator() % 1000000000000ULL) + "_" +
         std::to_string(++counter) + "_" + name;
}

}  // namespace kel::testing
