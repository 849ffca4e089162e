// The engine behind the record manager: what a place that keeps record files must do. The
// record manager entry turns calls into these operations and their answers back into
// buffers; an engine keeps the files, the cursor of each open file and its record lock.
//
// The embedded engine keeps each record file in a SQLite database beside the program's other
// files; an engine over a database server can implement the same two classes for offices
// whose workstations share their record files over the network.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/file_definition.h"

namespace kel {

// How a read finds its record.
enum class ReadKind {
  Equal,           // the first record whose key equals the key form
  Next,            // after the current record on its key
  Previous,        // before the current record on its key
  Greater,
  GreaterOrEqual,  // the first record whose key is greater (or equal)
  Less,
  LessOrEqual,     // the last record whose key is less (or equal)
  First,
  Last,
  Direct,          // the record at a physical position
};

// A record found or stored.
struct FoundRecord {
  std::int32_t position = 0;
  std::string data;
};

// What an import reads its records from: puts the next record in record and answers Record,
// answers End after the last one, or Failed when it cannot give the next one.
enum class SourceStep { Record, End, Failed };
using RecordSource = std::function<SourceStep(std::string& record)>;

// One open record file with its cursor (the current record and key) and its record lock.
// Every operation answers a status of record_manager.h.
class RecordStore {
 public:
  virtual ~RecordStore() = default;
  // The file's definition, read at open.
  virtual const FileDefinition& Definition() const = 0;
  // Number of records in the file.
  virtual std::int16_t RecordCount(std::uint32_t& count) = 0;
  // Reads a record on a key (key_form is the collation form for the keyed kinds, position
  // the physical position for Direct) and makes it current; with lock, also locks it.
  virtual std::int16_t Read(ReadKind kind, int key_number, std::string_view key_form,
                            std::int32_t position, bool lock, FoundRecord& found) = 0;
  // Adds a record and makes it current.
  virtual std::int16_t Insert(std::string_view record, FoundRecord& stored) = 0;
  // Replaces the current record, keeping its position.
  virtual std::int16_t Update(std::string_view record) = 0;
  // Removes the current record; next and previous go on from where it was.
  virtual std::int16_t Delete() = 0;
  // Physical position of the current record.
  virtual std::int16_t CurrentPosition(std::int32_t& position) = 0;
  // Releases the record lock.
  virtual std::int16_t Unlock() = 0;
  // Begins, commits or abandons a transaction of this open file.
  virtual std::int16_t BeginTransaction() = 0;
  virtual std::int16_t EndTransaction() = 0;
  virtual std::int16_t AbortTransaction() = 0;
  // Adds every record a source gives, in its order, in one transaction of its own: all or
  // none, positions given in the order of the records. Answers 0 with count the records
  // added. Otherwise nothing is added and count is the number of records given before the
  // one refused (a duplicate key 5, a wrong length 21) or the one the source could not give
  // (1, also when a transaction of this open file is running).
  virtual std::int16_t Import(const RecordSource& source, std::uint64_t& count) = 0;
  // Checks the file's structure and that every record's keys are stored as its data gives
  // them; each problem found is added to problems as one line.
  virtual std::int16_t Check(std::vector<std::string>& problems) = 0;
};

// A place that keeps record files.
class RecordBackend {
 public:
  virtual ~RecordBackend() = default;
  // Makes a new, empty record file; never replaces an existing one.
  virtual std::int16_t Create(std::string_view path, const FileDefinition& definition) = 0;
  // Opens a record file.
  virtual std::int16_t Open(std::string_view path, std::unique_ptr<RecordStore>& store) = 0;
};

// The embedded engine: one SQLite database per record file.
RecordBackend& SqliteBackend();
// The server engine: record files as tables of the office's PostgreSQL database. In a build
// without it (no client library, as on Windows) every file there answers 95.
RecordBackend& PgsqlBackend();
// False in a build without the server engine.
bool HasServerEngine();
// Statements this process has sent to the record server so far (for measurements).
std::uint64_t ServerRoundTrips();
// The engine that keeps a record file, by where its name places it.
RecordBackend& BackendOf(std::string_view path);

}  // namespace kel
