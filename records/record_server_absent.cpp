// The server engine of a build without the PostgreSQL client library (the Windows build):
// record files named "pgsql:NAME" answer that the server cannot be reached, as the real
// engine does when it finds no server, and RecordStatusText says this program has no server
// engine. CMake compiles this file instead of pgsql_record_store.cpp when KEL_RECORD_SERVER
// is off.
#include <memory>
#include <string>

#include "records/record_manager.h"
#include "records/record_server.h"
#include "records/record_store.h"

namespace kel {
namespace {

class AbsentServerBackend final : public RecordBackend {
 public:
  std::int16_t Create(std::string_view path, const FileDefinition&) override { return Refuse(path); }
  std::int16_t Open(std::string_view path, std::unique_ptr<RecordStore>&) override { return Refuse(path); }

 private:
  static std::int16_t Refuse(std::string_view path) {
    std::string name;
    return IsServerFile(path, name) ? std::int16_t{kStatusConnectionLost} : std::int16_t{kStatusFileNotFound};
  }
};

}  // namespace

std::uint64_t ServerRoundTrips() { return 0; }

bool HasServerEngine() { return false; }

RecordBackend& PgsqlBackend() {
  static AbsentServerBackend backend;
  return backend;
}

}  // namespace kel
