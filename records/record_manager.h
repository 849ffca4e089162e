// The record manager: keyed record files reached through one entry, RecordManagerCall.
//
// A call passes an operation code, the open file's position block (its cursor, kept by the
// record manager and never read by callers), a data buffer with its length (in: the buffer's
// size or the length of the record given; out: the length returned), a key buffer of at least
// kKeyBufferSize bytes, the length of the key value in it, and a key number. It answers a
// status, 0 for success.
//
// Operations (adding kLockBias to a read also locks the record read, without waiting):
//
// | code | operation | data buffer | key buffer | statuses besides 0 |
// |---|---|---|---|---|
// | 0 | open | - | in: the path (key length bytes) | 12, 30, 2, 85, 86, 95 |
// | 1 | close | - | - | 3 |
// | 2 | insert | in: the record | out: the record's key | 3, 5, 21, 2, 85 |
// | 3 | update the current record | in: the record | out: the record's key | 3, 5, 8, 21, 84, 2, 85 |
// | 4 | delete the current record | - | - | 3, 8, 84, 2, 85 |
// | 5 | read the record whose key equals the key | out | in: the key; out: it | 3, 4, 6, 22, 84 |
// | 6, 7 | read the next, the previous record | out | out: its key | 3, 7, 8, 9, 22, 84 |
// | 8, 9 | read the first record whose key is greater, greater or equal | out | in/out | 3, 6, 9, 22, 84 |
// | 10, 11 | read the last record whose key is less, less or equal | out | in/out | 3, 6, 9, 22, 84 |
// | 12, 13 | read the first, the last record | out | out | 3, 6, 9, 22, 84 |
// | 14 | create | in: a file status (as 15 answers it) | in: the path | 59, 29, 2, 95 |
// | 15 | file status | out: see below | - | 3, 22 |
// | 19, 20, 21 | begin, end, abort a transaction | - | - | 3, 2, 85 |
// | 22 | physical position of the current record | out: 4 bytes | - | 3, 8 |
// | 23 | read the record at a physical position | in: 4 bytes; out: the record | out: its key | 3, 6, 43, 22, 84 |
// | 27 | release the record lock | - | - | 3 |
//
// File status (little-endian 16-bit fields): offset 0 record length, 2 page size, 4 number of
// keys, 6 number of records (32-bit); from 16, 16 bytes per key segment in key order: offset 0
// the segment's position in the record (from 1), 2 its length, 4 its flags (kSegment...); after
// the last segment 265 bytes of alternate collating sequence: a signature byte, 8 name bytes
// and the 256-byte table.
//
// A record lock is held by one open file at a time and lasts until that open file reads
// another record, updates or deletes the record, releases the lock, closes, or its process
// ends. Another open file reading the record with a lock, updating or deleting it gets 84.
//
// A file named "pgsql:NAME" lives on the record server (records/record_server.h); there
// every call may also answer 95 when the server is gone, and the file must be opened again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kel {

// ---- Sizes ----------------------------------------------------------------------------------

inline constexpr int kPositionBlockSize = 129;
// The key buffer of every call holds at least this many bytes (the longest key).
inline constexpr int kKeyBufferSize = 255;
// The longest record.
inline constexpr int kMaxRecordLength = 4096;

// ---- Operation codes ------------------------------------------------------------------------

enum RecordOperation : std::int16_t {
  kOpOpen = 0,
  kOpClose = 1,
  kOpInsert = 2,
  kOpUpdate = 3,
  kOpDelete = 4,
  kOpGetEqual = 5,
  kOpGetNext = 6,
  kOpGetPrevious = 7,
  kOpGetGreater = 8,
  kOpGetGreaterOrEqual = 9,
  kOpGetLess = 10,
  kOpGetLessOrEqual = 11,
  kOpGetFirst = 12,
  kOpGetLast = 13,
  kOpCreate = 14,
  kOpStat = 15,
  kOpBeginTransaction = 19,
  kOpEndTransaction = 20,
  kOpAbortTransaction = 21,
  kOpGetPosition = 22,
  kOpGetDirect = 23,
  kOpUnlock = 27,
};

// Added to a read's code: lock the record read, without waiting (84 when another holds it).
inline constexpr std::int16_t kLockBias = 200;

// ---- Statuses -------------------------------------------------------------------------------

enum RecordStatus : std::int16_t {
  kStatusOk = 0,
  kStatusInvalidOperation = 1,
  kStatusIoError = 2,
  kStatusFileNotOpen = 3,
  kStatusKeyNotFound = 4,
  kStatusDuplicateKey = 5,
  kStatusInvalidKeyNumber = 6,
  kStatusDifferentKeyNumber = 7,   // next or previous on another key than the current record's
  kStatusNoCurrentRecord = 8,
  kStatusEndOfFile = 9,
  kStatusFileNotFound = 12,
  kStatusRecordLength = 21,        // a record given to insert or update of the wrong length
  kStatusDataBufferShort = 22,     // the record did not fit: the buffer holds its beginning
  kStatusBadDefinition = 29,       // create: a file status that does not describe a file
  kStatusNotRecordFile = 30,
  kStatusInvalidPosition = 43,
  kStatusFileExists = 59,
  kStatusRecordLocked = 84,
  kStatusFileLocked = 85,          // the file stayed busy with another writer: try again
  kStatusTooManyFiles = 86,
  kStatusConnectionLost = 95,      // the record file's server cannot be reached (or this
                                   // build has no server engine), or the connection broke:
                                   // the file must be opened again
};

// ---- Key segment flags ----------------------------------------------------------------------

inline constexpr std::uint16_t kSegmentDuplicates = 1;    // the key allows duplicates
inline constexpr std::uint16_t kSegmentBinary = 4;        // little-endian unsigned number
inline constexpr std::uint16_t kSegmentContinues = 16;    // another segment of the key follows
inline constexpr std::uint16_t kSegmentAlternate = 32;    // compared through the alternate table

// ---- The entry ------------------------------------------------------------------------------

// The shape of the entry.
using RecordManagerEntry =
    std::function<std::int16_t(std::int16_t operation, char* position_block, char* data,
                               std::int32_t& data_length, char* key, std::int16_t key_length,
                               std::int16_t key_number)>;

// One call of the installed record manager (the embedded one unless another was installed).
std::int16_t RecordManagerCall(std::int16_t operation, char* position_block, char* data,
                               std::int32_t& data_length, char* key, std::int16_t key_length,
                               std::int16_t key_number);

// Puts a record manager in place of the embedded one; an empty entry puts it back.
void InstallRecordManager(RecordManagerEntry entry);

// The built-in record manager: record files kept by SQLite, one database per record file, or
// by the record server for files named "pgsql:NAME".
std::int16_t EmbeddedRecordManagerCall(std::int16_t operation, char* position_block, char* data,
                                       std::int32_t& data_length, char* key,
                                       std::int16_t key_length, std::int16_t key_number);

// A line of text that says what a status means (for tools and logs).
std::string RecordStatusText(std::int16_t status);

// Closes every file the embedded record manager holds open and puts it back (tests).
void ResetRecordManager();

}  // namespace kel
