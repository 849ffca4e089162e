// The embedded engine. A record file is a SQLite database:
//
//   kel_file(id = 1, status)          the definition, as the file status bytes
//   kel_count(id = 1, n, top)         the number of records and the highest position given,
//                                     kept by triggers
//   records(pos, data, k0, k1, ...)   pos is the physical position (the row id, never reused),
//                                     kI the collation form of key I
//   records_kI                        an index per key (unique unless duplicates are allowed)
//
// so that key order is byte order of the key columns, duplicates in order of position. The
// database is in write-ahead-log mode with full synchronisation: readers never wait for the
// writer, and a committed record survives a crash of the process or of the machine. Anything
// that opens the file with SQLite's own locking (another version of this library, the sqlite3
// shell) shares it safely. Record locks are byte-range locks on a companion file ".NAME.lck"
// at offset = position, which the system drops when their holder ends.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/process.h"
#include "records/record_manager.h"
#include "records/record_store.h"

namespace kel {
namespace {

// "KELR": marks a database as a record file.
constexpr int kApplicationId = 0x4B454C52;
constexpr int kFormatVersion = 1;
// How long a writer waits for another writer before answering "file locked".
constexpr int kBusyTimeoutMs = 5000;
// Records read ahead by next and previous, and how long they (and the record count) are
// served without asking the database whether anyone wrote it since: a read without a lock sees
// every change committed more than this long before it, and a reader walking quickly through a
// file does not pay one read transaction per record.
constexpr int kReadAhead = 128;
constexpr auto kReadAheadFresh = std::chrono::milliseconds(10);
// Page cache of an open file, in KB; a transaction (a batch of writes) may use more, so that
// its changed pages stay in memory instead of being written out and again.
constexpr int kCacheKb = 8192;
constexpr int kTransactionCacheKb = 131072;
constexpr int kImportCacheKb = 16384;

std::int16_t StatusOf(int code) {
  switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return kStatusOk;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return kStatusFileLocked;
    case SQLITE_CONSTRAINT: return kStatusDuplicateKey;
    case SQLITE_NOTADB: return kStatusNotRecordFile;
    case SQLITE_CANTOPEN: return kStatusFileNotFound;
    default: return kStatusIoError;
  }
}

// The lock file's name: ".NAME.lck" beside the record file.
std::string LockFileName(std::string_view file) {
  const std::size_t slash = file.find_last_of("\\/:");
  const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
  return std::string(file.substr(0, name)) + "." + std::string(file.substr(name)) + ".lck";
}

// A prepared statement that resets itself when it goes out of use.
class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(statement_); }
  bool Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    return sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) == SQLITE_OK;
  }
  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// Resets a statement at the end of a scope, so that no read stays open between calls.
struct ResetAtEnd {
  sqlite3_stmt* statement;
  ~ResetAtEnd() {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
  }
};

int Exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

sqlite3* OpenDatabase(std::string_view path, bool create, int& code) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW |
                    (create ? SQLITE_OPEN_CREATE : 0);
  code = sqlite3_open_v2(platform::NativePath(path).c_str(), &db, flags, nullptr);
  if (code != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db, 0);
  return db;
}

// One row as read: position, data and the key form of the path it was read on.
struct Row {
  std::int32_t position = 0;
  std::string data;
  std::string key_form;
};

class SqliteStore final : public RecordStore {
 public:
  SqliteStore(sqlite3* db, FileDefinition definition, platform::FileHandle lock_file)
      : db_(db), definition_(std::move(definition)), lock_file_(lock_file) {
    reads_.resize(definition_.keys.size());
  }
  // The statements are finalised after the body; the database closes once they are.
  ~SqliteStore() override {
    if (in_transaction_) Exec(db_, "ROLLBACK");
    sqlite3_close_v2(db_);
    if (lock_file_ != platform::kNoFile) platform::CloseFile(lock_file_);
  }

  bool Prepare() {
    const std::size_t keys = definition_.keys.size();
    std::string columns, marks, sets;
    for (std::size_t k = 0; k < keys; ++k) {
      columns += ", k" + std::to_string(k);
      marks += ", ?" + std::to_string(k + 2);
      sets += ", k" + std::to_string(k) + " = ?" + std::to_string(k + 2);
    }
    // A new record takes the position after the highest ever given, so that a position that
    // named a deleted record never names another one.
    return insert_.Prepare(db_, "INSERT INTO records(pos, data" + columns +
                                    ") VALUES((SELECT top + 1 FROM kel_count WHERE id = 1), ?1" + marks + ")") &&
           update_.Prepare(db_, "UPDATE records SET data = ?1" + sets + " WHERE pos = ?" + std::to_string(keys + 2)) &&
           delete_.Prepare(db_, "DELETE FROM records WHERE pos = ?1") &&
           direct_.Prepare(db_, "SELECT pos, data FROM records WHERE pos = ?1") &&
           count_statement_.Prepare(db_, "SELECT n FROM kel_count WHERE id = 1") &&
           version_.Prepare(db_, "PRAGMA data_version");
  }

  const FileDefinition& Definition() const override { return definition_; }

  // The layer asks for the file status (and so the count) on every seek, for a key's length:
  // a count read a moment ago serves, as records read ahead do, unless this open file has
  // changed the file since.
  std::int16_t RecordCount(std::uint32_t& count) override {
    const auto now = std::chrono::steady_clock::now();
    if (count_known_ && !in_transaction_ && now - count_time_ <= kReadAheadFresh) {
      count = count_;
      return kStatusOk;
    }
    count = 0;
    count_known_ = false;
    ResetAtEnd reset{count_statement_.get()};
    const int code = sqlite3_step(count_statement_.get());
    if (code == SQLITE_ROW) {
      count = static_cast<std::uint32_t>(sqlite3_column_int64(count_statement_.get(), 0));
      count_ = count;
      count_known_ = !in_transaction_;
      count_time_ = now;
    }
    return StatusOf(code);
  }

  std::int16_t Read(ReadKind kind, int key_number, std::string_view key_form, std::int32_t position,
                    bool lock, FoundRecord& found) override {
    if (key_number < 0 || key_number >= static_cast<int>(definition_.keys.size())) return kStatusInvalidKeyNumber;
    if (kind == ReadKind::Next || kind == ReadKind::Previous) {
      if (!has_current_) return kStatusNoCurrentRecord;
      if (key_number != current_key_) return kStatusDifferentKeyNumber;
    }
    // A record found without its lock may change before the lock is taken: read it again
    // under the lock, a few times at most.
    for (int attempt = 0; attempt < 3; ++attempt) {
      Row row;
      std::int16_t status = Find(kind, key_number, key_form, position, row);
      if (status != kStatusOk) return status;
      if (!lock) {
        ReleaseLock();
        return Accept(key_number, std::move(row), found);
      }
      if (locked_ != row.position) {
        if (platform::TryLockFileRange(lock_file_, row.position, 1) != platform::RangeLock::Taken) {
          // The cursor stays where it was, so the records read ahead from it go.
          read_ahead_.clear();
          return kStatusRecordLocked;
        }
        ReleaseLock();
        locked_ = row.position;
      }
      Row again;
      status = FindDirect(row.position, key_number, again);
      if (status == kStatusOk && again.data == row.data) return Accept(key_number, std::move(again), found);
      if (status != kStatusOk && status != kStatusInvalidPosition) return status;
      ReleaseLock();
      read_ahead_.clear();
    }
    return kStatusRecordLocked;
  }

  std::int16_t Insert(std::string_view record, FoundRecord& stored) override {
    if (record.size() != definition_.record_length) return kStatusRecordLength;
    read_ahead_.clear();
    count_known_ = false;
    sqlite3_stmt* s = insert_.get();
    ResetAtEnd reset{s};
    BindRecord(s, record);
    const int code = sqlite3_step(s);
    if (code != SQLITE_DONE) return StatusOf(code);
    const sqlite3_int64 rowid = sqlite3_last_insert_rowid(db_);
    if (rowid > INT32_MAX) {
      // Positions are 4 bytes: a file that has used them all takes no more records.
      Exec(db_, "DELETE FROM records WHERE pos = " + std::to_string(rowid));
      return kStatusIoError;
    }
    stored.position = static_cast<std::int32_t>(rowid);
    stored.data.assign(record);
    SetCurrent(current_key_valid() ? current_key_ : 0, stored.position, std::string(record));
    return kStatusOk;
  }

  std::int16_t Update(std::string_view record) override {
    if (!has_current_) return kStatusNoCurrentRecord;
    if (record.size() != definition_.record_length) return kStatusRecordLength;
    const std::int16_t status = WithWriteLock([&] {
      sqlite3_stmt* s = update_.get();
      ResetAtEnd reset{s};
      BindRecord(s, record);
      sqlite3_bind_int64(s, static_cast<int>(definition_.keys.size()) + 2, current_position_);
      const int code = sqlite3_step(s);
      if (code != SQLITE_DONE) return StatusOf(code);
      return sqlite3_changes(db_) == 0 ? std::int16_t{kStatusNoCurrentRecord} : std::int16_t{kStatusOk};
    });
    if (status == kStatusOk) SetCurrent(current_key_, current_position_, std::string(record));
    return status;
  }

  std::int16_t Delete() override {
    if (!has_current_) return kStatusNoCurrentRecord;
    return WithWriteLock([&] {
      sqlite3_stmt* s = delete_.get();
      ResetAtEnd reset{s};
      sqlite3_bind_int64(s, 1, current_position_);
      const int code = sqlite3_step(s);
      if (code != SQLITE_DONE) return StatusOf(code);
      return sqlite3_changes(db_) == 0 ? std::int16_t{kStatusNoCurrentRecord} : std::int16_t{kStatusOk};
    });
  }

  std::int16_t CurrentPosition(std::int32_t& position) override {
    if (!has_current_) return kStatusNoCurrentRecord;
    position = current_position_;
    return kStatusOk;
  }

  std::int16_t Unlock() override {
    ReleaseLock();
    return kStatusOk;
  }

  std::int16_t BeginTransaction() override {
    if (in_transaction_) return kStatusInvalidOperation;
    const int code = Exec(db_, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK) return StatusOf(code);
    Exec(db_, "PRAGMA cache_size = -" + std::to_string(kTransactionCacheKb));
    in_transaction_ = true;
    read_ahead_.clear();
    return kStatusOk;
  }
  std::int16_t EndTransaction() override {
    if (!in_transaction_) return kStatusInvalidOperation;
    const int code = Exec(db_, "COMMIT");
    if (code != SQLITE_OK) return StatusOf(code);  // still open: the caller may retry or abort
    in_transaction_ = false;
    Exec(db_, "PRAGMA cache_size = -" + std::to_string(kCacheKb));
    return kStatusOk;
  }
  std::int16_t AbortTransaction() override {
    if (!in_transaction_) return kStatusInvalidOperation;
    Exec(db_, "ROLLBACK");
    in_transaction_ = false;
    count_known_ = false;
    Exec(db_, "PRAGMA cache_size = -" + std::to_string(kCacheKb));
    read_ahead_.clear();
    return kStatusOk;
  }

  std::int16_t Import(const RecordSource& source, std::uint64_t& count) override {
    count = 0;
    if (in_transaction_) return kStatusInvalidOperation;
    read_ahead_.clear();
    count_known_ = false;
    const int code = Exec(db_, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK) return StatusOf(code);
    std::int16_t status = ImportRows(source, count);
    if (status == kStatusOk) status = StatusOf(Exec(db_, "COMMIT"));
    if (status != kStatusOk) Exec(db_, "ROLLBACK");
    Exec(db_, "PRAGMA cache_size = -" + std::to_string(kCacheKb));
    return status;
  }

  std::int16_t Check(std::vector<std::string>& problems) override {
    read_ahead_.clear();
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &s, nullptr) != SQLITE_OK) return kStatusIoError;
    while (sqlite3_step(s) == SQLITE_ROW) {
      const char* line = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      if (line && std::strcmp(line, "ok") != 0) problems.emplace_back(line);
    }
    sqlite3_finalize(s);
    std::string columns;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) columns += ", k" + std::to_string(k);
    if (sqlite3_prepare_v2(db_, ("SELECT pos, data" + columns + " FROM records").c_str(), -1, &s, nullptr) != SQLITE_OK)
      return kStatusIoError;
    std::uint64_t records = 0;
    int code;
    while ((code = sqlite3_step(s)) == SQLITE_ROW) {
      ++records;
      const std::int64_t position = sqlite3_column_int64(s, 0);
      const std::string data(static_cast<const char*>(sqlite3_column_blob(s, 1)) ? static_cast<const char*>(sqlite3_column_blob(s, 1)) : "",
                             static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
      if (position <= 0 || position > INT32_MAX) problems.push_back("position " + std::to_string(position) + " out of range");
      if (data.size() != definition_.record_length)
        problems.push_back("record " + std::to_string(position) + ": length " + std::to_string(data.size()));
      for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
        const void* stored = sqlite3_column_blob(s, static_cast<int>(k) + 2);
        const std::string form = CollationForm(definition_, static_cast<int>(k), KeyOfRecord(definition_, static_cast<int>(k), data));
        if (static_cast<std::size_t>(sqlite3_column_bytes(s, static_cast<int>(k) + 2)) != form.size() ||
            (stored && std::memcmp(stored, form.data(), form.size()) != 0))
          problems.push_back("record " + std::to_string(position) + ": key " + std::to_string(k) + " stored wrongly");
      }
    }
    sqlite3_finalize(s);
    if (code != SQLITE_DONE) return StatusOf(code);
    std::uint32_t counted = 0;
    const std::int16_t status = RecordCount(counted);
    if (status != kStatusOk) return status;
    if (counted != records)
      problems.push_back("record count " + std::to_string(counted) + ", records " + std::to_string(records));
    return kStatusOk;
  }

 private:
  // Statements of one key: the keyed reads and the walks.
  struct KeyReads {
    Statement equal, greater, greater_equal, less, less_equal, first, last, next, previous;
  };

  bool current_key_valid() const { return has_current_; }

  KeyReads& ReadsOf(int key) {
    if (!reads_[key]) reads_[key] = std::make_unique<KeyReads>();
    KeyReads& r = *reads_[key];
    if (!r.equal) {
      const std::string k = "k" + std::to_string(key);
      const std::string select = "SELECT pos, data, " + k + " FROM records ";
      const std::string up = " ORDER BY " + k + ", pos LIMIT ";
      const std::string down = " ORDER BY " + k + " DESC, pos DESC LIMIT ";
      r.equal.Prepare(db_, select + "WHERE " + k + " = ?1" + up + "1");
      r.greater.Prepare(db_, select + "WHERE " + k + " > ?1" + up + "1");
      r.greater_equal.Prepare(db_, select + "WHERE " + k + " >= ?1" + up + "1");
      r.less.Prepare(db_, select + "WHERE " + k + " < ?1" + down + "1");
      r.less_equal.Prepare(db_, select + "WHERE " + k + " <= ?1" + down + "1");
      r.first.Prepare(db_, select + up + "1");
      r.last.Prepare(db_, select + down + "1");
      r.next.Prepare(db_, select + "WHERE (" + k + ", pos) > (?1, ?2)" + up + "?3");
      r.previous.Prepare(db_, select + "WHERE (" + k + ", pos) < (?1, ?2)" + down + "?3");
    }
    return r;
  }

  // The rows of an import, inside its transaction. The record count is set once at the end
  // instead of by the trigger on every row; into an empty file the key indexes are built
  // after the rows, each in one sorted pass, instead of taking the records one by one in
  // random places. The schema changes are part of the transaction: another connection sees
  // the file as it was until the commit, and a crash leaves it so.
  std::int16_t ImportRows(const RecordSource& source, std::uint64_t& count) {
    std::int64_t top = 0;
    bool empty = false;
    {
      Statement counts;
      if (!counts.Prepare(db_, "SELECT top, NOT EXISTS(SELECT 1 FROM records) FROM kel_count WHERE id = 1") ||
          sqlite3_step(counts.get()) != SQLITE_ROW)
        return kStatusIoError;
      top = sqlite3_column_int64(counts.get(), 0);
      empty = sqlite3_column_int(counts.get(), 1) != 0;
    }
    // Rows appended in order of position need few pages in memory, and building an index
    // sorts in a memory of the cache's size (beyond it, in temporary files); records going
    // into existing indexes need as much of them in memory as can be had.
    Exec(db_, "PRAGMA cache_size = -" + std::to_string(empty ? kImportCacheKb : kTransactionCacheKb));
    const std::vector<SchemaObject> counting = SchemaOf("trigger", "name = 'records_added'");
    const std::vector<SchemaObject> indexes = empty ? SchemaOf("index", "sql IS NOT NULL") : std::vector<SchemaObject>();
    for (const SchemaObject& trigger : counting)
      if (Exec(db_, "DROP TRIGGER \"" + trigger.name + "\"") != SQLITE_OK) return kStatusIoError;
    for (const SchemaObject& index : indexes)
      if (Exec(db_, "DROP INDEX \"" + index.name + "\"") != SQLITE_OK) return kStatusIoError;

    const std::size_t keys = definition_.keys.size();
    std::string columns, marks;
    for (std::size_t k = 0; k < keys; ++k) {
      columns += ", k" + std::to_string(k);
      marks += ", ?" + std::to_string(k + 3);
    }
    Statement insert;
    if (!insert.Prepare(db_, "INSERT INTO records(pos, data" + columns + ") VALUES(?1, ?2" + marks + ")"))
      return kStatusIoError;
    sqlite3_stmt* s = insert.get();
    std::string record;
    std::vector<std::string> forms(keys);
    for (;;) {
      const SourceStep step = source(record);
      if (step == SourceStep::End) break;
      if (step == SourceStep::Failed) return kStatusInvalidOperation;
      if (record.size() != definition_.record_length) return kStatusRecordLength;
      // Positions are 4 bytes: a file that has used them all takes no more records.
      if (top + 1 + static_cast<std::int64_t>(count) > INT32_MAX) return kStatusIoError;
      sqlite3_bind_int64(s, 1, top + 1 + static_cast<std::int64_t>(count));
      sqlite3_bind_blob(s, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
      for (std::size_t k = 0; k < keys; ++k) {
        forms[k] = CollationForm(definition_, static_cast<int>(k), KeyOfRecord(definition_, static_cast<int>(k), record));
        sqlite3_bind_blob(s, static_cast<int>(k) + 3, forms[k].data(), static_cast<int>(forms[k].size()), SQLITE_STATIC);
      }
      const int code = sqlite3_step(s);
      sqlite3_reset(s);
      if (code != SQLITE_DONE) return StatusOf(code);
      ++count;
    }
    for (const SchemaObject& index : indexes) {
      const int code = Exec(db_, index.sql);
      if (code == SQLITE_OK) continue;
      if ((code & 0xFF) != SQLITE_CONSTRAINT) return StatusOf(code);
      count = FirstDuplicate(top + 1) - static_cast<std::uint64_t>(top + 1);
      return kStatusDuplicateKey;
    }
    for (const SchemaObject& trigger : counting)
      if (Exec(db_, trigger.sql) != SQLITE_OK) return kStatusIoError;
    if (!counting.empty()) {
      const std::string added = std::to_string(count);
      if (Exec(db_, "UPDATE kel_count SET n = n + " + added + ", top = max(top, " + std::to_string(top) + " + " + added +
                        ") WHERE id = 1") != SQLITE_OK)
        return kStatusIoError;
    }
    return kStatusOk;
  }

  // An index or trigger of the records table: its name and the statement that makes it.
  struct SchemaObject {
    std::string name, sql;
  };
  std::vector<SchemaObject> SchemaOf(const std::string& type, const std::string& condition) {
    std::vector<SchemaObject> found;
    Statement s;
    if (!s.Prepare(db_, "SELECT name, sql FROM sqlite_master WHERE type = '" + type +
                            "' AND tbl_name = 'records' AND " + condition + " ORDER BY name"))
      return found;
    while (sqlite3_step(s.get()) == SQLITE_ROW)
      found.push_back({reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)),
                       reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1))});
    return found;
  }

  // The position of the first record whose key repeats an earlier one on a key that allows
  // no duplicates (first: the lowest position to look at).
  std::uint64_t FirstDuplicate(std::int64_t first) {
    std::int64_t found = INT64_MAX;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
      if (KeyAllowsDuplicates(definition_, static_cast<int>(k))) continue;
      const std::string key = "k" + std::to_string(k);
      Statement s;
      if (!s.Prepare(db_, "SELECT min(pos) FROM (SELECT pos, row_number() OVER (PARTITION BY " + key +
                              " ORDER BY pos) AS r FROM records) WHERE r > 1 AND pos >= ?1"))
        continue;
      sqlite3_bind_int64(s.get(), 1, first);
      if (sqlite3_step(s.get()) == SQLITE_ROW && sqlite3_column_type(s.get(), 0) != SQLITE_NULL)
        found = std::min(found, static_cast<std::int64_t>(sqlite3_column_int64(s.get(), 0)));
    }
    return static_cast<std::uint64_t>(found == INT64_MAX ? first : found);
  }

  // The data version of the database: it changes when any connection commits.
  bool DataVersion(std::int64_t& version) {
    ResetAtEnd reset{version_.get()};
    if (sqlite3_step(version_.get()) != SQLITE_ROW) return false;
    version = sqlite3_column_int64(version_.get(), 0);
    return true;
  }

  std::int16_t Find(ReadKind kind, int key, std::string_view key_form, std::int32_t position, Row& row) {
    if (kind == ReadKind::Direct) return FindDirect(position, key, row);
    if (kind == ReadKind::Next || kind == ReadKind::Previous) return Walk(kind, key, row);
    read_ahead_.clear();
    KeyReads& r = ReadsOf(key);
    Statement* statement = nullptr;
    switch (kind) {
      case ReadKind::Equal: statement = &r.equal; break;
      case ReadKind::Greater: statement = &r.greater; break;
      case ReadKind::GreaterOrEqual: statement = &r.greater_equal; break;
      case ReadKind::Less: statement = &r.less; break;
      case ReadKind::LessOrEqual: statement = &r.less_equal; break;
      case ReadKind::First: statement = &r.first; break;
      case ReadKind::Last: statement = &r.last; break;
      default: return kStatusInvalidOperation;
    }
    sqlite3_stmt* s = statement->get();
    if (!s) return kStatusIoError;
    ResetAtEnd reset{s};
    if (kind != ReadKind::First && kind != ReadKind::Last)
      sqlite3_bind_blob(s, 1, key_form.data(), static_cast<int>(key_form.size()), SQLITE_STATIC);
    const int code = sqlite3_step(s);
    if (code == SQLITE_DONE) return kind == ReadKind::Equal ? kStatusKeyNotFound : kStatusEndOfFile;
    if (code != SQLITE_ROW) return StatusOf(code);
    TakeRow(s, row);
    return kStatusOk;
  }

  // Next and previous read a few records ahead, kept while nobody writes the file.
  std::int16_t Walk(ReadKind kind, int key, Row& row) {
    const bool forward = kind == ReadKind::Next;
    if (!read_ahead_.empty() &&
        (read_ahead_forward_ != forward || read_ahead_key_ != key || in_transaction_))
      read_ahead_.clear();
    if (!read_ahead_.empty() && std::chrono::steady_clock::now() - read_ahead_time_ > kReadAheadFresh) {
      std::int64_t version = 0;
      if (!DataVersion(version) || version != read_ahead_version_) read_ahead_.clear();
      read_ahead_time_ = std::chrono::steady_clock::now();
    }
    if (read_ahead_.empty()) {
      // The version is taken before the records: a change committed in between shows as a
      // newer version at the next look, and the records go then.
      std::int64_t version = 0;
      if (!DataVersion(version)) return kStatusIoError;
      KeyReads& r = ReadsOf(key);
      sqlite3_stmt* s = (forward ? r.next : r.previous).get();
      if (!s) return kStatusIoError;
      ResetAtEnd reset{s};
      sqlite3_bind_blob(s, 1, current_form_.data(), static_cast<int>(current_form_.size()), SQLITE_STATIC);
      sqlite3_bind_int64(s, 2, current_position_);
      sqlite3_bind_int(s, 3, in_transaction_ ? 1 : kReadAhead);
      int code;
      while ((code = sqlite3_step(s)) == SQLITE_ROW) {
        Row ahead;
        TakeRow(s, ahead);
        read_ahead_.push_back(std::move(ahead));
      }
      if (code != SQLITE_DONE) {
        read_ahead_.clear();
        return StatusOf(code);
      }
      if (read_ahead_.empty()) return kStatusEndOfFile;
      read_ahead_forward_ = forward;
      read_ahead_key_ = key;
      read_ahead_time_ = std::chrono::steady_clock::now();
      read_ahead_version_ = version;
    }
    row = std::move(read_ahead_.front());
    read_ahead_.pop_front();
    return kStatusOk;
  }

  std::int16_t FindDirect(std::int32_t position, int key, Row& row) {
    if (position <= 0) return kStatusInvalidPosition;
    sqlite3_stmt* s = direct_.get();
    ResetAtEnd reset{s};
    sqlite3_bind_int64(s, 1, position);
    const int code = sqlite3_step(s);
    if (code == SQLITE_DONE) return kStatusInvalidPosition;
    if (code != SQLITE_ROW) return StatusOf(code);
    row.position = static_cast<std::int32_t>(sqlite3_column_int64(s, 0));
    row.data.assign(static_cast<const char*>(sqlite3_column_blob(s, 1)), static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
    row.key_form = CollationForm(definition_, key, KeyOfRecord(definition_, key, row.data));
    return kStatusOk;
  }

  static void TakeRow(sqlite3_stmt* s, Row& row) {
    row.position = static_cast<std::int32_t>(sqlite3_column_int64(s, 0));
    const void* data = sqlite3_column_blob(s, 1);
    row.data.assign(data ? static_cast<const char*>(data) : "", static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
    const void* form = sqlite3_column_blob(s, 2);
    row.key_form.assign(form ? static_cast<const char*>(form) : "", static_cast<std::size_t>(sqlite3_column_bytes(s, 2)));
  }

  std::int16_t Accept(int key, Row row, FoundRecord& found) {
    has_current_ = true;
    current_key_ = key;
    current_position_ = row.position;
    current_form_ = std::move(row.key_form);
    found.position = row.position;
    found.data = std::move(row.data);
    return kStatusOk;
  }

  void SetCurrent(int key, std::int32_t position, const std::string& record) {
    has_current_ = true;
    current_key_ = key;
    current_position_ = position;
    current_form_ = CollationForm(definition_, key, KeyOfRecord(definition_, key, record));
    read_ahead_.clear();
  }

  void BindRecord(sqlite3_stmt* s, std::string_view record) {
    sqlite3_bind_blob(s, 1, record.data(), static_cast<int>(record.size()), SQLITE_TRANSIENT);
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
      const std::string form = CollationForm(definition_, static_cast<int>(k), KeyOfRecord(definition_, static_cast<int>(k), record));
      sqlite3_bind_blob(s, static_cast<int>(k) + 2, form.data(), static_cast<int>(form.size()), SQLITE_TRANSIENT);
    }
  }

  // Runs a change of the current record under its record lock: refused with 84 while another
  // holds it; the lock is let go afterwards, as a holder's update or delete ends its lock.
  template <typename Change>
  std::int16_t WithWriteLock(Change change) {
    read_ahead_.clear();
    count_known_ = false;
    if (locked_ != current_position_) {
      switch (platform::TryLockFileRange(lock_file_, current_position_, 1)) {
        case platform::RangeLock::Taken: break;
        case platform::RangeLock::HeldElsewhere: return kStatusRecordLocked;
        case platform::RangeLock::Failed: return kStatusIoError;
      }
      ReleaseLock();
      locked_ = current_position_;
    }
    const std::int16_t status = change();
    ReleaseLock();
    return status;
  }

  void ReleaseLock() {
    if (locked_ != 0) platform::UnlockFileRange(lock_file_, locked_, 1);
    locked_ = 0;
  }

  sqlite3* db_;
  FileDefinition definition_;
  platform::FileHandle lock_file_;
  Statement insert_, update_, delete_, direct_, count_statement_, version_;
  bool count_known_ = false;
  std::uint32_t count_ = 0;
  std::chrono::steady_clock::time_point count_time_;
  std::vector<std::unique_ptr<KeyReads>> reads_;
  bool has_current_ = false;
  int current_key_ = 0;
  std::int32_t current_position_ = 0;
  std::string current_form_;
  std::int32_t locked_ = 0;
  bool in_transaction_ = false;
  std::deque<Row> read_ahead_;
  bool read_ahead_forward_ = true;
  std::int64_t read_ahead_version_ = 0;
  std::chrono::steady_clock::time_point read_ahead_time_;
  int read_ahead_key_ = 0;
};

class SqliteBackendImpl final : public RecordBackend {
 public:
  std::int16_t Create(std::string_view path, const FileDefinition& definition) override {
    if (platform::EntryAttributes(path) >= 0) return kStatusFileExists;
    // A new file takes its name only once it is complete: build it under a temporary name and
    // rename it, so that no opener ever finds half a record file.
    const std::string temporary = std::string(path) + ".new" + std::to_string(platform::ProcessId());
    platform::RemoveFile(temporary);
    int code = 0;
    sqlite3* db = OpenDatabase(temporary, true, code);
    if (!db) return StatusOf(code);
    std::string sql = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                      "; PRAGMA user_version = " + std::to_string(kFormatVersion) +
                      "; PRAGMA journal_mode = DELETE; BEGIN;"
                      " CREATE TABLE kel_file(id INTEGER PRIMARY KEY CHECK (id = 1), status BLOB NOT NULL);"
                      " CREATE TABLE kel_count(id INTEGER PRIMARY KEY CHECK (id = 1), n INTEGER NOT NULL, top INTEGER NOT NULL);"
                      " INSERT INTO kel_count VALUES(1, 0, 0);"
                      " CREATE TABLE records(pos INTEGER PRIMARY KEY, data BLOB NOT NULL";
    for (std::size_t k = 0; k < definition.keys.size(); ++k) sql += ", k" + std::to_string(k) + " BLOB NOT NULL";
    sql += ");";
    for (std::size_t k = 0; k < definition.keys.size(); ++k) {
      sql += std::string(" CREATE ") + (KeyAllowsDuplicates(definition, static_cast<int>(k)) ? "" : "UNIQUE ") +
             "INDEX records_k" + std::to_string(k) + " ON records(k" + std::to_string(k) + ");";
    }
    sql += " CREATE TRIGGER records_added AFTER INSERT ON records BEGIN UPDATE kel_count SET n = n + 1, top = max(top, NEW.pos) WHERE id = 1; END;"
           " CREATE TRIGGER records_removed AFTER DELETE ON records BEGIN UPDATE kel_count SET n = n - 1 WHERE id = 1; END;"
           " COMMIT;";
    code = Exec(db, sql);
    sqlite3_stmt* s = nullptr;
    const std::string status = FileStatusBytes(definition, 0);
    if (code == SQLITE_OK) code = sqlite3_prepare_v2(db, "INSERT INTO kel_file VALUES(1, ?1)", -1, &s, nullptr);
    if (code == SQLITE_OK) {
      sqlite3_bind_blob(s, 1, status.data(), static_cast<int>(status.size()), SQLITE_STATIC);
      code = sqlite3_step(s) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
    }
    sqlite3_finalize(s);
    if (code == SQLITE_OK) code = Exec(db, "PRAGMA journal_mode = WAL");
    sqlite3_close(db);
    if (code != SQLITE_OK || !platform::RenameFile(temporary, path)) {
      platform::RemoveFile(temporary);
      platform::RemoveFile(temporary + "-wal");
      platform::RemoveFile(temporary + "-shm");
      return platform::EntryAttributes(path) >= 0 ? std::int16_t{kStatusFileExists} : std::int16_t{kStatusIoError};
    }
    return kStatusOk;
  }

  std::int16_t Open(std::string_view path, std::unique_ptr<RecordStore>& store) override {
    const std::int64_t attributes = platform::EntryAttributes(path);
    if (attributes < 0) return kStatusFileNotFound;
    if (attributes & platform::kDirectory) return kStatusNotRecordFile;
    int code = 0;
    sqlite3* db = OpenDatabase(path, false, code);
    if (!db) return StatusOf(code);
    FileDefinition definition;
    const std::int16_t status = ReadDefinition(db, definition);
    if (status != kStatusOk ||
        Exec(db, "PRAGMA synchronous = FULL; PRAGMA cache_size = -" + std::to_string(kCacheKb)) != SQLITE_OK) {
      sqlite3_close(db);
      return status != kStatusOk ? status : std::int16_t{kStatusIoError};
    }
    const platform::FileHandle lock = platform::OpenFileHandle(LockFileName(path), platform::OpenMode::OpenOrCreate);
    if (lock == platform::kNoFile) {
      sqlite3_close(db);
      return kStatusIoError;
    }
    auto opened = std::make_unique<SqliteStore>(db, std::move(definition), lock);
    if (!opened->Prepare()) return kStatusNotRecordFile;
    store = std::move(opened);
    return kStatusOk;
  }

 private:
  static std::int16_t ReadDefinition(sqlite3* db, FileDefinition& definition) {
    sqlite3_stmt* s = nullptr;
    int code = sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &s, nullptr);
    bool ours = code == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) == kApplicationId;
    if (code == SQLITE_OK) code = sqlite3_errcode(db);
    sqlite3_finalize(s);
    if (!ours) return (code == SQLITE_BUSY || code == SQLITE_LOCKED) ? kStatusFileLocked : kStatusNotRecordFile;
    s = nullptr;
    code = sqlite3_prepare_v2(db, "SELECT status FROM kel_file WHERE id = 1", -1, &s, nullptr);
    bool read = false;
    if (code == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
      const void* bytes = sqlite3_column_blob(s, 0);
      read = bytes && ParseFileStatus(std::string_view(static_cast<const char*>(bytes),
                                                        static_cast<std::size_t>(sqlite3_column_bytes(s, 0))),
                                      definition);
    }
    sqlite3_finalize(s);
    return read ? kStatusOk : kStatusNotRecordFile;
  }
};

}  // namespace

RecordBackend& SqliteBackend() {
  static SqliteBackendImpl backend;
  return backend;
}

}  // namespace kel
