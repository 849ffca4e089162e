// The server engine. Record files live in one PostgreSQL database:
//
//   kel_files(id, name, status, n)     one row per record file: its name, its definition as
//                                      the file status bytes, and its number of records
//   kel_r<id>(pos, data, k0, k1, ...)  the records: pos the physical position (an identity
//                                      column, never reused, 4 bytes), kI the collation form of
//                                      key I as bytea, so that key order is byte order
//   kel_r<id>_kI                       a B-tree index per key: unique over kI, or over (kI, pos)
//                                      when the key allows duplicates (in order of position)
//
// Each open file has its own connection (its session). A record lock is a session-level
// advisory lock on (file id, position), tried without waiting; the server drops it when the
// session ends, also when the workstation dies and its connection goes. A locked read takes
// the record with FOR SHARE in the same statement, so that it returns the record as its last
// writer committed it.
//
// Every move is one statement, one round trip. Next and previous fetch the following records
// ahead in the same statement and hand them out while nobody changes the file: a trigger
// notifies the file's channel on every change, the connection listens on it, and a change
// heard (read from the socket without a round trip) drops what was fetched ahead, and the
// record count that the file status gives is asked again.
#include <libpq-fe.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "records/record_manager.h"
#include "records/record_server.h"
#include "records/record_store.h"

namespace kel {
namespace {

// Records fetched ahead by next and previous: the first fetch, and the most as a walk goes on.
constexpr int kFirstFetchAhead = 64;
constexpr int kMostFetchAhead = 4096;
// Bytes of an import's COPY handed to the connection at a time.
constexpr std::size_t kCopyChunk = 1 << 18;
// Key of the transaction-level advisory lock that serialises creating files.
constexpr long long kCreateLockKey = 0x4B454C52;
// Type oids of the parameters.
constexpr Oid kByteaOid = 17;
constexpr Oid kInt4Oid = 23;

// Connection settings that keep a call from hanging on a dead server or a held row.
const char* const kSafetyKeywords[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                                       "keepalives_count", "tcp_user_timeout", "options", "application_name"};
// The server side's keepalives end the session of a workstation that died without closing
// its connection, and so free its record locks.
const char* const kSafetyValues[] = {"10", "1", "10", "5", "3", "30000",
                                     "-c lock_timeout=10000 -c tcp_keepalives_idle=10 -c tcp_keepalives_interval=5"
                                     " -c tcp_keepalives_count=3 -c tcp_user_timeout=30000",
                                     "kel"};

std::int16_t StatusOfResult(PGconn* connection, const PGresult* result) {
  if (!result || PQstatus(connection) == CONNECTION_BAD) return kStatusConnectionLost;
  const ExecStatusType type = PQresultStatus(result);
  if (type == PGRES_COMMAND_OK || type == PGRES_TUPLES_OK) return kStatusOk;
  const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
  const std::string code = state ? state : "";
  if (code == "23505") return kStatusDuplicateKey;
  if (code == "55P03" || code == "40P01" || code == "40001" || code == "57014") return kStatusFileLocked;
  if (code == "42P01") return kStatusFileNotFound;
  if (code.rfind("08", 0) == 0 || code.rfind("57P", 0) == 0) return kStatusConnectionLost;
  return kStatusIoError;
}

// A result, cleared at the end of its scope.
class Result {
 public:
  explicit Result(PGresult* result = nullptr) : result_(result) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
  Result& operator=(Result&& other) noexcept {
    std::swap(result_, other.result_);
    return *this;
  }
  ~Result() { PQclear(result_); }
  PGresult* get() const { return result_; }
  int rows() const { return result_ ? PQntuples(result_) : 0; }
  std::string Bytes(int row, int column) const {
    return std::string(PQgetvalue(result_, row, column), static_cast<std::size_t>(PQgetlength(result_, row, column)));
  }
  std::int32_t Int4(int row, int column) const {
    const auto* b = reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column));
    return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3]);
  }
  std::int64_t Int8(int row, int column) const {
    const auto* b = reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column));
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | b[i];
    return static_cast<std::int64_t>(value);
  }
  bool Bool(int row, int column) const { return !PQgetisnull(result_, row, column) && PQgetvalue(result_, row, column)[0] != 0; }
  bool Null(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }

 private:
  PGresult* result_;
};

// A statement parameter in binary form.
struct Param {
  std::string bytes;
  static Param Int4(std::int32_t value) {
    Param p;
    for (int i = 3; i >= 0; --i) p.bytes += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    return p;
  }
  static Param Bytes(std::string_view value) { return Param{std::string(value)}; }
};

void IgnoreNotice(void*, const char*) {}

// What the server engine counts for measurements.
struct ServerEngineState {
  std::uint64_t round_trips = 0;
};

ServerEngineState& EngineState() {
  static ServerEngineState state;
  return state;
}

// One session with the server.
class Connection {
 public:
  ~Connection() { PQfinish(connection_); }
  std::int16_t Connect() {
    const std::string setting = RecordServerConnection();
    if (setting.empty()) return kStatusConnectionLost;
    std::vector<const char*> keywords(std::begin(kSafetyKeywords), std::end(kSafetyKeywords));
    std::vector<const char*> values(std::begin(kSafetyValues), std::end(kSafetyValues));
    // The office's own settings come last, so that they win.
    keywords.push_back("dbname");
    values.push_back(setting.c_str());
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    connection_ = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!connection_ || PQstatus(connection_) != CONNECTION_OK) return kStatusConnectionLost;
    PQsetNoticeProcessor(connection_, IgnoreNotice, nullptr);
    return kStatusOk;
  }
  PGconn* get() const { return connection_; }
  bool Lost() const { return !connection_ || PQstatus(connection_) == CONNECTION_BAD; }

  // Runs SQL without parameters (several statements allowed); the last result's status.
  std::int16_t Run(const std::string& sql) {
    if (Lost()) return kStatusConnectionLost;
    ++EngineState().round_trips;
    Result result(PQexec(connection_, sql.c_str()));
    return StatusOfResult(connection_, result.get());
  }

  // Runs a statement prepared once per session under its name; binary parameters and results.
  std::int16_t Execute(const std::string& name, const std::string& sql, const std::vector<Oid>& types,
                       const std::vector<Param>& params, Result& result) {
    if (Lost()) return kStatusConnectionLost;
    if (!prepared_.count(name)) {
      Result prepared(PQprepare(connection_, name.c_str(), sql.c_str(), static_cast<int>(types.size()), types.data()));
      const std::int16_t status = StatusOfResult(connection_, prepared.get());
      if (status != kStatusOk) return status;
      prepared_.insert({name, true});
      ++EngineState().round_trips;
    }
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const Param& p : params) {
      values.push_back(p.bytes.data());
      lengths.push_back(static_cast<int>(p.bytes.size()));
      formats.push_back(1);
    }
    ++EngineState().round_trips;
    result = Result(PQexecPrepared(connection_, name.c_str(), static_cast<int>(params.size()), values.data(),
                                   lengths.data(), formats.data(), 1));
    return StatusOfResult(connection_, result.get());
  }

  // A number that grows with every change of the file heard from the server, read from the
  // socket without a round trip.
  std::uint64_t ChangesHeard() {
    if (Lost()) return ++changes_;
    PQconsumeInput(connection_);
    while (PGnotify* notify = PQnotifies(connection_)) {
      ++changes_;
      PQfreemem(notify);
    }
    if (Lost()) ++changes_;
    return changes_;
  }

 private:
  PGconn* connection_ = nullptr;
  std::map<std::string, bool> prepared_;
  std::uint64_t changes_ = 0;
};

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

// One row as read: position, data and the key form of the path it was read on.
struct Row {
  std::int32_t position = 0;
  std::string data;
  std::string key_form;
};

// How a read treats record locks: none held or wanted, release the one held, take one.
enum class LockUse { None, Release, Take };

class PgsqlStore final : public RecordStore {
 public:
  PgsqlStore(std::unique_ptr<Connection> connection, FileDefinition definition, std::int32_t id)
      : connection_(std::move(connection)), definition_(std::move(definition)), id_(id),
        table_("kel_r" + std::to_string(id)) {}
  // The server ends a closed session a moment later: the lock goes first, so that it is free
  // when close returns.
  ~PgsqlStore() override {
    if (in_transaction_) connection_->Run("ROLLBACK");
    if (locked_ != 0) connection_->Run("SELECT pg_advisory_unlock_all()");
  }

  const FileDefinition& Definition() const override { return definition_; }

  // The count is asked again only when a change was heard since it was read.
  std::int16_t RecordCount(std::uint32_t& count) override {
    count = 0;
    const std::uint64_t heard = connection_->ChangesHeard();
    if (count_known_ && heard == count_heard_) {
      count = static_cast<std::uint32_t>(count_ + delta_);
      return kStatusOk;
    }
    Result result;
    const std::int16_t status = connection_->Execute(
        "count", "SELECT n FROM kel_files WHERE id = " + std::to_string(id_), {}, {}, result);
    if (status != kStatusOk) return status;
    if (result.rows() != 1) return kStatusIoError;
    count_ = result.Int8(0, 0);
    count_known_ = !in_transaction_;
    count_heard_ = heard;
    count = static_cast<std::uint32_t>(count_ + delta_);
    return kStatusOk;
  }

  std::int16_t Read(ReadKind kind, int key_number, std::string_view key_form, std::int32_t position, bool lock,
                    FoundRecord& found) override {
    if (key_number < 0 || key_number >= static_cast<int>(definition_.keys.size())) return kStatusInvalidKeyNumber;
    if (kind == ReadKind::Next || kind == ReadKind::Previous) {
      if (!has_current_) return kStatusNoCurrentRecord;
      if (key_number != current_key_) return kStatusDifferentKeyNumber;
    }
    if (kind == ReadKind::Direct && position <= 0) return kStatusInvalidPosition;
    const LockUse use = lock ? LockUse::Take : locked_ != 0 ? LockUse::Release : LockUse::None;
    const bool walk = kind == ReadKind::Next || kind == ReadKind::Previous;
    if (walk && use == LockUse::None && !in_transaction_) return WalkAhead(kind, key_number, found);
    ahead_.clear();
    std::vector<Param> params = {Param::Bytes(key_form), Param::Int4(current_position_), Param::Int4(1),
                                 Param::Int4(locked_)};
    if (walk) params[0] = Param::Bytes(current_form_);
    if (kind == ReadKind::Direct) params[1] = Param::Int4(position);
    Result result;
    const std::int16_t status = connection_->Execute(StatementName(kind, key_number, use, 1), ReadSql(kind, key_number, use, 1),
                                                     {kByteaOid, kInt4Oid, kInt4Oid, kInt4Oid}, params, result);
    if (status != kStatusOk) return status;
    if (result.rows() == 0) {
      if (kind == ReadKind::Direct) return kStatusInvalidPosition;
      return kind == ReadKind::Equal ? kStatusKeyNotFound : kStatusEndOfFile;
    }
    if (use == LockUse::Take) {
      if (!result.Bool(0, 3)) return kStatusRecordLocked;  // the cursor stays where it was
      locked_ = result.Int4(0, 0);
    } else if (use == LockUse::Release) {
      locked_ = 0;
    }
    return Accept(key_number, TakeRow(result, 0), found);
  }

  std::int16_t Insert(std::string_view record, FoundRecord& stored) override {
    if (record.size() != definition_.record_length) return kStatusRecordLength;
    ahead_.clear();
    std::string columns, marks;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
      columns += ", k" + std::to_string(k);
      marks += ", $" + std::to_string(k + 2);
    }
    const std::string insert = "INSERT INTO " + table_ + "(data" + columns + ") VALUES($1" + marks + ")";
    Result result;
    std::int16_t status;
    if (in_transaction_) {
      // Counted at the end of the transaction, so that the count row is not held meanwhile;
      // a duplicate leaves the transaction as it was.
      status = connection_->Execute("insert_t", insert + " ON CONFLICT DO NOTHING RETURNING pos", RecordTypes(0),
                                    RecordParams(record), result);
      if (status == kStatusOk && result.rows() == 0) return kStatusDuplicateKey;
      if (status == kStatusOk) ++delta_;
    } else {
      status = connection_->Execute("insert",
                                    "WITH i AS (" + insert + " RETURNING pos), c AS (UPDATE kel_files SET n = n + 1 WHERE id = " +
                                        std::to_string(id_) + ") SELECT pos FROM i",
                                    RecordTypes(0), RecordParams(record), result);
    }
    if (status != kStatusOk) return status;
    if (result.rows() != 1) return kStatusIoError;
    stored.position = result.Int4(0, 0);
    stored.data.assign(record);
    SetCurrent(has_current_ ? current_key_ : 0, stored.position, std::string(record));
    return kStatusOk;
  }

  std::int16_t Update(std::string_view record) override {
    if (!has_current_) return kStatusNoCurrentRecord;
    if (record.size() != definition_.record_length) return kStatusRecordLength;
    std::string sets;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k)
      sets += ", k" + std::to_string(k) + " = $" + std::to_string(k + 2);
    const std::string change = "UPDATE " + table_ + " SET data = $1" + sets + " WHERE pos = $P AND (SELECT got FROM l) RETURNING pos";
    const std::int16_t status = WithWriteLock("update", change, RecordParams(record), RecordTypes(0));
    if (status == kStatusOk) SetCurrent(current_key_, current_position_, std::string(record));
    return status;
  }

  std::int16_t Delete() override {
    if (!has_current_) return kStatusNoCurrentRecord;
    const std::string change = "DELETE FROM " + table_ + " WHERE pos = $P AND (SELECT got FROM l) RETURNING pos";
    return WithWriteLock("delete", change, {}, {});
  }

  std::int16_t CurrentPosition(std::int32_t& position) override {
    if (!has_current_) return kStatusNoCurrentRecord;
    position = current_position_;
    return kStatusOk;
  }

  std::int16_t Unlock() override {
    if (locked_ == 0) return kStatusOk;
    Result result;
    const std::int16_t status = connection_->Execute(
        "unlock", "SELECT pg_advisory_unlock(" + std::to_string(id_) + ", $1)", {kInt4Oid}, {Param::Int4(locked_)}, result);
    if (status == kStatusOk) locked_ = 0;
    return status;
  }

  std::int16_t BeginTransaction() override {
    if (in_transaction_) return kStatusInvalidOperation;
    const std::int16_t status = connection_->Run("BEGIN");
    if (status != kStatusOk) return status;
    in_transaction_ = true;
    count_known_ = false;
    delta_ = 0;
    ahead_.clear();
    return kStatusOk;
  }

  std::int16_t EndTransaction() override {
    if (!in_transaction_) return kStatusInvalidOperation;
    in_transaction_ = false;
    const std::int64_t delta = delta_;
    delta_ = 0;
    if (connection_->Lost()) return kStatusConnectionLost;
    Result result(PQexec(connection_->get(), ("UPDATE kel_files SET n = n + " + std::to_string(delta) + " WHERE id = " +
                                              std::to_string(id_) + "; COMMIT")
                                                 .c_str()));
    const std::int16_t status = StatusOfResult(connection_->get(), result.get());
    if (status != kStatusOk) {
      connection_->Run("ROLLBACK");
      return status;
    }
    // A transaction that had failed ends in a rollback, which the server reports as such.
    const char* done = PQcmdStatus(result.get());
    return done && std::strcmp(done, "COMMIT") == 0 ? std::int16_t{kStatusOk} : std::int16_t{kStatusIoError};
  }

  std::int16_t AbortTransaction() override {
    if (!in_transaction_) return kStatusInvalidOperation;
    in_transaction_ = false;
    delta_ = 0;
    ahead_.clear();
    return connection_->Run("ROLLBACK");
  }

  // The records go to the server in one COPY into a temporary table, then into the file's
  // table in one statement, in their order, so that positions are given in that order; the
  // count is set in the same transaction. A handful of round trips, whatever the number of
  // records.
  std::int16_t Import(const RecordSource& source, std::uint64_t& count) override {
    count = 0;
    if (in_transaction_) return kStatusInvalidOperation;
    ahead_.clear();
    const std::size_t keys = definition_.keys.size();
    std::string columns, types;
    for (std::size_t k = 0; k < keys; ++k) {
      columns += ", k" + std::to_string(k);
      types += ", k" + std::to_string(k) + " bytea";
    }
    std::int16_t status = connection_->Run("BEGIN; CREATE TEMPORARY TABLE kel_import(n bigint, data bytea" + types +
                                           ") ON COMMIT DROP");
    if (status == kStatusOk) {
      ++EngineState().round_trips;
      Result copy(PQexec(connection_->get(), "COPY kel_import FROM STDIN (FORMAT binary)"));
      if (copy.get() && PQresultStatus(copy.get()) == PGRES_COPY_IN) {
        status = CopyRecords(source, count);
      } else {
        status = StatusOfResult(connection_->get(), copy.get());
        if (status == kStatusOk) status = kStatusIoError;
      }
    }
    if (status == kStatusOk) {
      status = connection_->Run("SAVEPOINT kel_import; INSERT INTO " + table_ + "(data" + columns + ") SELECT data" +
                                columns + " FROM kel_import ORDER BY n");
      if (status == kStatusDuplicateKey) {
        connection_->Run("ROLLBACK TO SAVEPOINT kel_import");
        count = FirstDuplicate();
      }
    }
    if (status == kStatusOk) {
      Result result(PQexec(connection_->get(), ("UPDATE kel_files SET n = n + " + std::to_string(count) +
                                                " WHERE id = " + std::to_string(id_) + "; COMMIT")
                                                   .c_str()));
      ++EngineState().round_trips;
      status = StatusOfResult(connection_->get(), result.get());
      const char* done = result.get() ? PQcmdStatus(result.get()) : nullptr;
      if (status == kStatusOk && (!done || std::strcmp(done, "COMMIT") != 0)) status = kStatusIoError;
      if (status == kStatusOk) {
        count_known_ = false;
        return kStatusOk;
      }
    }
    connection_->Run("ROLLBACK");
    return status;
  }

  std::int16_t Check(std::vector<std::string>& problems) override {
    ahead_.clear();
    if (in_transaction_) return kStatusInvalidOperation;
    std::string columns;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) columns += ", k" + std::to_string(k);
    std::int16_t status = connection_->Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; DECLARE kel_check BINARY CURSOR FOR SELECT pos, data" +
                                           columns + " FROM " + table_);
    if (status != kStatusOk) return status;
    std::int64_t records = 0;
    for (;;) {
      Result batch(PQexec(connection_->get(), "FETCH 10000 FROM kel_check"));
      status = StatusOfResult(connection_->get(), batch.get());
      if (status != kStatusOk) break;
      if (batch.rows() == 0) break;
      for (int r = 0; r < batch.rows(); ++r) {
        ++records;
        const std::int32_t position = batch.Int4(r, 0);
        const std::string data = batch.Bytes(r, 1);
        if (position <= 0) problems.push_back("position " + std::to_string(position) + " out of range");
        if (data.size() != definition_.record_length)
          problems.push_back("record " + std::to_string(position) + ": length " + std::to_string(data.size()));
        for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
          const int key = static_cast<int>(k);
          if (batch.Bytes(r, key + 2) != CollationForm(definition_, key, KeyOfRecord(definition_, key, data)))
            problems.push_back("record " + std::to_string(position) + ": key " + std::to_string(k) + " stored wrongly");
        }
      }
    }
    std::uint32_t counted = 0;
    if (status == kStatusOk) status = RecordCount(counted);
    connection_->Run("ROLLBACK");
    if (status != kStatusOk) return status;
    if (counted != records)
      problems.push_back("record count " + std::to_string(counted) + ", records " + std::to_string(records));
    return kStatusOk;
  }

 private:
  std::vector<Oid> RecordTypes(std::size_t extra) const {
    std::vector<Oid> types(definition_.keys.size() + 1 + extra, kByteaOid);
    for (std::size_t i = definition_.keys.size() + 1; i < types.size(); ++i) types[i] = kInt4Oid;
    return types;
  }

  std::vector<Param> RecordParams(std::string_view record) const {
    std::vector<Param> params = {Param::Bytes(record)};
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
      const int key = static_cast<int>(k);
      params.push_back(Param::Bytes(CollationForm(definition_, key, KeyOfRecord(definition_, key, record))));
    }
    return params;
  }

  static std::string StatementName(ReadKind kind, int key, LockUse use, int limit) {
    return "read" + std::to_string(static_cast<int>(kind)) + "_" + std::to_string(key) + "_" +
           std::to_string(static_cast<int>(use)) + "_" + std::to_string(limit);
  }

  // The statement of a read of up to limit records. Parameters: $1 the key form, $2 the
  // current position (or the position asked for), $3 unused, $4 the position whose lock is
  // held (0: none).
  // Columns: pos, data, the key form and, when locking, whether the lock was taken.
  std::string ReadSql(ReadKind kind, int key, LockUse use, int limit) const {
    const std::string k = "k" + std::to_string(key);
    const bool duplicates = KeyAllowsDuplicates(definition_, key);
    const std::string up = duplicates ? " ORDER BY " + k + ", pos" : " ORDER BY " + k;
    const std::string down = duplicates ? " ORDER BY " + k + " DESC, pos DESC" : " ORDER BY " + k + " DESC";
    std::string inner = "SELECT pos, data, " + k + " AS k FROM " + table_ + " ";
    switch (kind) {
      case ReadKind::Equal: inner += "WHERE " + k + " = $1" + up; break;
      case ReadKind::Greater: inner += "WHERE " + k + " > $1" + up; break;
      case ReadKind::GreaterOrEqual: inner += "WHERE " + k + " >= $1" + up; break;
      case ReadKind::Less: inner += "WHERE " + k + " < $1" + down; break;
      case ReadKind::LessOrEqual: inner += "WHERE " + k + " <= $1" + down; break;
      case ReadKind::First: inner += up; break;
      case ReadKind::Last: inner += down; break;
      case ReadKind::Next: inner += (duplicates ? "WHERE (" + k + ", pos) > ($1, $2)" : "WHERE " + k + " > $1") + up; break;
      case ReadKind::Previous: inner += (duplicates ? "WHERE (" + k + ", pos) < ($1, $2)" : "WHERE " + k + " < $1") + down; break;
      case ReadKind::Direct: inner += "WHERE pos = $2"; break;
    }
    // The limit is written out, not a parameter: the plan kept for the statement then knows
    // it reads a few rows along the index, whatever the key asked for.
    inner += " LIMIT " + std::to_string(limit);
    const std::string id = std::to_string(id_);
    switch (use) {
      case LockUse::None: return inner;
      case LockUse::Release:
        return "SELECT s.pos, s.data, s.k, pg_advisory_unlock(" + id + ", $4) FROM (" + inner + ") s";
      case LockUse::Take:
        // The record under FOR SHARE, so that a writer that has just let its lock go is
        // waited for and its record read as committed; the lock held before goes when the
        // new one is taken.
        return "SELECT t.pos, t.data, t.k, t.got, CASE WHEN t.got AND $4 <> 0 AND $4 <> t.pos THEN pg_advisory_unlock(" +
               id + ", $4) END FROM (SELECT s.pos, s.data, s.k, CASE WHEN s.pos = $4 THEN true ELSE pg_try_advisory_lock(" +
               id + ", s.pos) END AS got FROM (" + inner + " FOR SHARE) s OFFSET 0) t";
    }
    return inner;
  }

  // Next and previous without locks: from the records fetched ahead while they stay true.
  std::int16_t WalkAhead(ReadKind kind, int key, FoundRecord& found) {
    const bool forward = kind == ReadKind::Next;
    if (!ahead_.empty() && (ahead_forward_ != forward || ahead_key_ != key || connection_->ChangesHeard() != ahead_heard_))
      ahead_.clear();
    if (ahead_.empty()) {
      // A walk that goes on fetches more at a time; a new one starts small (a browse page).
      fetch_ahead_ = walking_ && ahead_key_ == key && ahead_forward_ == forward ? std::min(fetch_ahead_ * 2, kMostFetchAhead)
                                                                                 : kFirstFetchAhead;
      ahead_heard_ = connection_->ChangesHeard();  // what was heard before this fetch is in it
      Result result;
      const std::int16_t status = connection_->Execute(
          StatementName(kind, key, LockUse::None, fetch_ahead_), ReadSql(kind, key, LockUse::None, fetch_ahead_),
          {kByteaOid, kInt4Oid, kInt4Oid, kInt4Oid},
          {Param::Bytes(current_form_), Param::Int4(current_position_), Param::Int4(fetch_ahead_), Param::Int4(0)}, result);
      if (status != kStatusOk) return status;
      if (result.rows() == 0) return kStatusEndOfFile;
      for (int r = 0; r < result.rows(); ++r) ahead_.push_back(TakeRow(result, r));
      ahead_forward_ = forward;
      ahead_key_ = key;
    }
    Row row = std::move(ahead_.front());
    ahead_.pop_front();
    const std::int16_t status = Accept(key, std::move(row), found);
    walking_ = true;
    return status;
  }

  // Runs an update or delete of the current record under its record lock: 84 while another
  // holds it; the lock goes afterwards, as a holder's update or delete ends its lock. One
  // statement: $P the position, $H whether this session holds the lock already.
  std::int16_t WithWriteLock(const std::string& name, std::string change, std::vector<Param> params,
                             std::vector<Oid> types) {
    ahead_.clear();
    const std::string p = "$" + std::to_string(params.size() + 1);
    const std::string h = "$" + std::to_string(params.size() + 2);
    for (std::size_t at; (at = change.find("$P")) != std::string::npos;) change.replace(at, 2, p);
    const std::string id = std::to_string(id_);
    const bool deleting = name == "delete";
    std::string sql = "WITH l AS (SELECT CASE WHEN " + h + " <> 0 THEN true ELSE pg_try_advisory_lock(" + id + ", " + p +
                      ") END AS got), c AS (" + change + ")";
    if (deleting && !in_transaction_)
      sql += ", n AS (UPDATE kel_files SET n = n - (SELECT count(*) FROM c) WHERE id = " + id + ")";
    sql += " SELECT l.got, (SELECT count(*) FROM c), CASE WHEN l.got THEN pg_advisory_unlock(" + id + ", " + p +
           ") END FROM l";
    params.push_back(Param::Int4(current_position_));
    params.push_back(Param::Int4(locked_ == current_position_ ? 1 : 0));
    types.push_back(kInt4Oid);
    types.push_back(kInt4Oid);
    if (locked_ != 0 && locked_ != current_position_) Unlock();
    // In a transaction a failed statement would end it: a savepoint keeps it going.
    if (in_transaction_ && connection_->Run("SAVEPOINT kel_change") != kStatusOk) return kStatusIoError;
    Result result;
    std::int16_t status = connection_->Execute(name + (in_transaction_ ? "_t" : ""), sql, types, params, result);
    if (in_transaction_) connection_->Run(status == kStatusOk ? "RELEASE SAVEPOINT kel_change" : "ROLLBACK TO SAVEPOINT kel_change");
    if (status != kStatusOk) {
      // A session's advisory lock outlives the failed statement that took it.
      locked_ = current_position_;
      Unlock();
      return status;
    }
    if (result.rows() != 1) return kStatusIoError;
    if (!result.Bool(0, 0)) return kStatusRecordLocked;
    locked_ = 0;
    if (result.Int8(0, 1) == 0) return kStatusNoCurrentRecord;
    if (deleting && in_transaction_) --delta_;
    count_known_ = false;
    return kStatusOk;
  }

  // Sends the source's records as the rows of a binary COPY that has begun: each row its
  // number (from 0), the record and its key forms. Ends the COPY; a record refused or a source
  // that failed abandons it.
  std::int16_t CopyRecords(const RecordSource& source, std::uint64_t& count) {
    PGconn* connection = connection_->get();
    const std::size_t keys = definition_.keys.size();
    std::string buffer("PGCOPY\n\377\r\n\0", 11);
    AppendInt(buffer, 0, 4);  // flags
    AppendInt(buffer, 0, 4);  // header extension
    std::string record;
    std::int16_t refused = kStatusOk;
    bool sent = true;
    for (;;) {
      const SourceStep step = source(record);
      if (step == SourceStep::End) break;
      if (step == SourceStep::Failed) refused = kStatusInvalidOperation;
      else if (record.size() != definition_.record_length) refused = kStatusRecordLength;
      if (refused != kStatusOk) break;
      AppendInt(buffer, keys + 2, 2);
      AppendInt(buffer, 8, 4);
      AppendInt(buffer, count, 8);
      AppendInt(buffer, record.size(), 4);
      buffer += record;
      for (std::size_t k = 0; k < keys; ++k) {
        const int key = static_cast<int>(k);
        const std::string form = CollationForm(definition_, key, KeyOfRecord(definition_, key, record));
        AppendInt(buffer, form.size(), 4);
        buffer += form;
      }
      ++count;
      if (buffer.size() >= kCopyChunk) {
        sent = PQputCopyData(connection, buffer.data(), static_cast<int>(buffer.size())) == 1;
        buffer.clear();
        if (!sent) break;
      }
    }
    if (sent && refused == kStatusOk) {
      AppendInt(buffer, 0xFFFF, 2);  // the trailer
      sent = PQputCopyData(connection, buffer.data(), static_cast<int>(buffer.size())) == 1;
    }
    if (sent) sent = PQputCopyEnd(connection, refused == kStatusOk ? nullptr : "abandoned") == 1;
    std::int16_t status = sent ? kStatusOk : kStatusConnectionLost;
    while (PGresult* result = PQgetResult(connection)) {
      if (status == kStatusOk) status = StatusOfResult(connection, result);
      PQclear(result);
    }
    if (refused != kStatusOk) return refused;
    if (connection_->Lost()) return kStatusConnectionLost;
    return status;
  }

  static void AppendInt(std::string& buffer, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) buffer += static_cast<char>((value >> (8 * i)) & 0xFF);
  }

  // The number of the first imported record whose key repeats an earlier one or a record of
  // the file, on a key that allows no duplicates.
  std::uint64_t FirstDuplicate() {
    std::string sql = "SELECT min(n) FROM (";
    bool any = false;
    for (std::size_t k = 0; k < definition_.keys.size(); ++k) {
      if (KeyAllowsDuplicates(definition_, static_cast<int>(k))) continue;
      const std::string key = "k" + std::to_string(k);
      if (any) sql += " UNION ALL ";
      any = true;
      sql += "SELECT n FROM (SELECT n, row_number() OVER (PARTITION BY " + key + " ORDER BY n) AS r FROM kel_import) d"
             " WHERE r > 1 UNION ALL SELECT n FROM kel_import i WHERE EXISTS (SELECT 1 FROM " + table_ + " t WHERE t." +
             key + " = i." + key + ")";
    }
    if (!any) return 0;
    ++EngineState().round_trips;
    Result result(PQexec(connection_->get(), (sql + ") f").c_str()));
    if (StatusOfResult(connection_->get(), result.get()) != kStatusOk || result.rows() != 1 || result.Null(0, 0)) return 0;
    return std::strtoull(PQgetvalue(result.get(), 0, 0), nullptr, 10);
  }

  static Row TakeRow(const Result& result, int r) {
    Row row;
    row.position = result.Int4(r, 0);
    row.data = result.Bytes(r, 1);
    row.key_form = result.Bytes(r, 2);
    return row;
  }

  std::int16_t Accept(int key, Row row, FoundRecord& found) {
    has_current_ = true;
    walking_ = false;
    current_key_ = key;
    current_position_ = row.position;
    current_form_ = std::move(row.key_form);
    found.position = row.position;
    found.data = std::move(row.data);
    return kStatusOk;
  }

  void SetCurrent(int key, std::int32_t position, const std::string& record) {
    count_known_ = false;
    has_current_ = true;
    walking_ = false;
    current_key_ = key;
    current_position_ = position;
    current_form_ = CollationForm(definition_, key, KeyOfRecord(definition_, key, record));
    ahead_.clear();
  }

  std::unique_ptr<Connection> connection_;
  FileDefinition definition_;
  std::int32_t id_;
  std::string table_;
  bool has_current_ = false;
  int current_key_ = 0;
  std::int32_t current_position_ = 0;
  std::string current_form_;
  std::int32_t locked_ = 0;
  bool in_transaction_ = false;
  std::int64_t delta_ = 0;  // records added less records removed in the open transaction
  std::deque<Row> ahead_;
  bool ahead_forward_ = true;
  int ahead_key_ = -1;
  int fetch_ahead_ = 0;
  std::uint64_t ahead_heard_ = 0;
  bool count_known_ = false;
  std::int64_t count_ = 0;
  std::uint64_t count_heard_ = 0;
  bool walking_ = false;
};

class PgsqlBackendImpl final : public RecordBackend {
 public:
  std::int16_t Create(std::string_view path, const FileDefinition& definition) override {
    std::string name;
    if (!IsServerFile(path, name)) return kStatusFileNotFound;
    Connection connection;
    std::int16_t status = connection.Connect();
    if (status != kStatusOk) return status;
    // One creator at a time, so that the shared tables are made once.
    status = connection.Run("BEGIN; SELECT pg_advisory_xact_lock(" + std::to_string(kCreateLockKey) +
                            ");"
                            " CREATE TABLE IF NOT EXISTS kel_files(id serial PRIMARY KEY, name bytea NOT NULL UNIQUE,"
                            " status bytea NOT NULL, n bigint NOT NULL DEFAULT 0);"
                            " CREATE OR REPLACE FUNCTION kel_changed() RETURNS trigger LANGUAGE plpgsql AS"
                            " $$BEGIN PERFORM pg_notify(TG_ARGV[0], ''); RETURN NULL; END$$");
    if (status != kStatusOk) {
      connection.Run("ROLLBACK");
      return status;
    }
    const std::string bytes = FileStatusBytes(definition, 0);
    Result result;
    status = connection.Execute("add", "INSERT INTO kel_files(name, status) VALUES($1, $2) ON CONFLICT (name) DO NOTHING RETURNING id",
                                {kByteaOid, kByteaOid}, {Param::Bytes(name), Param::Bytes(bytes)}, result);
    if (status == kStatusOk && result.rows() == 0) status = kStatusFileExists;
    if (status != kStatusOk) {
      connection.Run("ROLLBACK");
      return status;
    }
    const std::string id = std::to_string(result.Int4(0, 0));
    const std::string table = "kel_r" + id;
    std::string sql = "CREATE TABLE " + table + "(pos integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY, data bytea NOT NULL";
    for (std::size_t k = 0; k < definition.keys.size(); ++k) sql += ", k" + std::to_string(k) + " bytea NOT NULL";
    sql += ");";
    for (std::size_t k = 0; k < definition.keys.size(); ++k) {
      const std::string column = "k" + std::to_string(k);
      const bool duplicates = KeyAllowsDuplicates(definition, static_cast<int>(k));
      sql += std::string(" CREATE ") + (duplicates ? "" : "UNIQUE ") + "INDEX " + table + "_" + column + " ON " + table +
             "(" + column + (duplicates ? ", pos" : "") + ");";
    }
    sql += " CREATE TRIGGER " + table + "_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON " + table +
           " FOR EACH STATEMENT EXECUTE FUNCTION kel_changed(" + Quoted(table) + "); COMMIT";
    status = connection.Run(sql);
    if (status != kStatusOk) connection.Run("ROLLBACK");
    return status;
  }

  std::int16_t Open(std::string_view path, std::unique_ptr<RecordStore>& store) override {
    std::string name;
    if (!IsServerFile(path, name)) return kStatusFileNotFound;
    auto connection = std::make_unique<Connection>();
    std::int16_t status = connection->Connect();
    if (status != kStatusOk) return status;
    Result result;
    status = connection->Execute("open", "SELECT id, status FROM kel_files WHERE name = $1",
                                 {kByteaOid}, {Param::Bytes(name)}, result);
    if (status != kStatusOk) return status;
    if (result.rows() != 1) return kStatusFileNotFound;
    const std::int32_t id = result.Int4(0, 0);
    FileDefinition definition;
    if (!ParseFileStatus(result.Bytes(0, 1), definition)) return kStatusNotRecordFile;
    status = connection->Run("LISTEN kel_r" + std::to_string(id));
    if (status != kStatusOk) return status;
    store = std::make_unique<PgsqlStore>(std::move(connection), std::move(definition), id);
    return kStatusOk;
  }
};

}  // namespace

std::uint64_t ServerRoundTrips() { return EngineState().round_trips; }

bool HasServerEngine() { return true; }

RecordBackend& PgsqlBackend() {
  static PgsqlBackendImpl backend;
  return backend;
}

}  // namespace kel
