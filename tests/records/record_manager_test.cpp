// The record manager against real files, in each engine: every operation and status, key order of
// binary and alternate segments, duplicates, positions, transactions and record locks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "records/kelrec.h"
#include "records/record_manager.h"
#include "records/record_store.h"
#include "support/temp_dir.h"
#include "records/record_file_support.h"

namespace kel {
namespace {

using testing::Customer;
using testing::NameOf;
using testing::NumberKey;
using testing::NumberOf;
using testing::RecordFileClient;

class RecordManagerTest : public ::testing::TestWithParam<testing::Engine> {
 protected:
  void SetUp() override {
    ResetRecordManager();
    KEL_REQUIRE_ENGINE(GetParam());
    path_ = File("CLIENTS.DAT");
    ASSERT_EQ(testing::CreateRecordFile(path_, testing::CustomerDefinition()), kStatusOk);
  }
  void TearDown() override { ResetRecordManager(); }

  // Numbers read on key 0 by first and next, or by last and previous.
  std::vector<std::uint32_t> Walk(RecordFileClient& file, int key, bool forward) {
    std::vector<std::uint32_t> seen;
    std::int16_t status = file.Call(forward ? kOpGetFirst : kOpGetLast, key);
    while (status == kStatusOk) {
      seen.push_back(NumberOf(file.data));
      status = file.Call(forward ? kOpGetNext : kOpGetPrevious, key);
    }
    EXPECT_EQ(status, kStatusEndOfFile);
    return seen;
  }

  // A new record file's name in the engine under test.
  std::string File(const std::string& name) { return testing::RecordFilePath(GetParam(), temp_ / name, name); }

  testing::TempDir temp_;
  std::string path_;
};

INSTANTIATE_TEST_SUITE_P(Engines, RecordManagerTest,
                         ::testing::Values(testing::Engine::Embedded, testing::Engine::Server), testing::EngineName);

// A build without the server engine (the Windows one) answers for a server file as for a
// server that cannot be reached, and says why; files on disk are not affected.
TEST(RecordServerAbsent, AServerFileAnswersThatThisBuildHasNoServerEngine) {
  if (HasServerEngine()) GTEST_SKIP() << "this build has the server engine";
  ResetRecordManager();
  EXPECT_EQ(testing::CreateRecordFile("pgsql:CLIENTS.DAT", testing::CustomerDefinition()), kStatusConnectionLost);
  {
    RecordFileClient file("pgsql:CLIENTS.DAT");
    EXPECT_EQ(file.open_status, kStatusConnectionLost);
    EXPECT_EQ(file.Call(kOpGetFirst, 0), kStatusFileNotOpen);
  }
  EXPECT_NE(RecordStatusText(kStatusConnectionLost).find("no té el motor del servidor"), std::string::npos);
  std::string out, err;
  EXPECT_EQ(RunKelrec({"status", "pgsql:CLIENTS.DAT"}, out, err, [](std::string&) {}), kKelrecFailed);
  EXPECT_NE(err.find("estat 95"), std::string::npos) << err;
  testing::TempDir temp;
  EXPECT_EQ(testing::CreateRecordFile(temp / "CLIENTS.DAT", testing::CustomerDefinition()), kStatusOk);
  ResetRecordManager();
}

TEST_P(RecordManagerTest, CreateNeverReplacesAndOpenKnowsItsFiles) {
  EXPECT_EQ(testing::CreateRecordFile(path_, testing::CustomerDefinition()), kStatusFileExists);
  FileDefinition no_keys = testing::CustomerDefinition();
  no_keys.keys.clear();
  const std::string bad = File("BAD.DAT");
  EXPECT_EQ(testing::CreateRecordFile(bad, no_keys), kStatusBadDefinition);
  FileDefinition outside = testing::CustomerDefinition();
  outside.keys[0][0].position = 30;
  EXPECT_EQ(testing::CreateRecordFile(bad, outside), kStatusBadDefinition);
  EXPECT_EQ(RecordFileClient(bad).open_status, kStatusFileNotFound);

  EXPECT_EQ(RecordFileClient(File("MISSING.DAT")).open_status, kStatusFileNotFound);
  if (GetParam() == testing::Engine::Embedded) {
    temp_.Write("TEXT.DAT", "not a record file at all, just some text that is long enough\n");
    EXPECT_EQ(RecordFileClient(temp_ / "TEXT.DAT").open_status, kStatusNotRecordFile);
    EXPECT_EQ(temp_.Read("TEXT.DAT"), "not a record file at all, just some text that is long enough\n");
  }

  RecordFileClient file(path_);
  ASSERT_EQ(file.open_status, kStatusOk);
  ASSERT_EQ(file.Close(), kStatusOk);
  EXPECT_EQ(file.Call(kOpGetFirst), kStatusFileNotOpen);
  char never_opened[kPositionBlockSize] = {};
  std::int32_t length = 0;
  char key[256] = {};
  EXPECT_EQ(RecordManagerCall(kOpGetFirst, never_opened, nullptr, length, key, 0, 0), kStatusFileNotOpen);
}

TEST_P(RecordManagerTest, BinaryKeysOrderAsNumbers) {
  RecordFileClient file(path_);
  for (std::uint32_t number : {256u, 2u, 65536u, 1u}) ASSERT_EQ(file.Insert(Customer(number, "n")), kStatusOk);
  EXPECT_EQ(Walk(file, 0, true), (std::vector<std::uint32_t>{1, 2, 256, 65536}));
  EXPECT_EQ(Walk(file, 0, false), (std::vector<std::uint32_t>{65536, 256, 2, 1}));

  EXPECT_EQ(file.Call(kOpGetEqual, 0, NumberKey(256)), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 256u);
  EXPECT_EQ(file.key.substr(0, 4), NumberKey(256));
  EXPECT_EQ(file.Call(kOpGetEqual, 0, NumberKey(3)), kStatusKeyNotFound);
  EXPECT_EQ(file.Call(kOpGetGreaterOrEqual, 0, NumberKey(3)), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 256u);
  EXPECT_EQ(file.Call(kOpGetGreater, 0, NumberKey(256)), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 65536u);
  EXPECT_EQ(file.Call(kOpGetGreater, 0, NumberKey(65536)), kStatusEndOfFile);
  EXPECT_EQ(file.Call(kOpGetLessOrEqual, 0, NumberKey(255)), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 2u);
  EXPECT_EQ(file.Call(kOpGetLess, 0, NumberKey(2)), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 1u);
  EXPECT_EQ(file.Call(kOpGetLess, 0, NumberKey(1)), kStatusEndOfFile);
  // Moving on from the record a keyed read found.
  EXPECT_EQ(file.Call(kOpGetEqual, 0, NumberKey(2)), kStatusOk);
  EXPECT_EQ(file.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 256u);
  EXPECT_EQ(file.Insert(Customer(2, "again")), kStatusDuplicateKey);
}

TEST_P(RecordManagerTest, AlternateKeysCompareAsCapitalsAndDuplicatesKeepTheirOrder) {
  RecordFileClient file(path_);
  const char* names[] = {"smith", "Adams", "SMITH", "baker", "Smith"};
  std::uint32_t number = 10;
  for (const char* name : names) ASSERT_EQ(file.Insert(Customer(number++, name)), kStatusOk);
  std::vector<std::string> order;
  for (std::int16_t status = file.Call(kOpGetFirst, 1); status == kStatusOk; status = file.Call(kOpGetNext, 1))
    order.push_back(NameOf(file.data));
  EXPECT_EQ(order, (std::vector<std::string>{"Adams", "baker", "smith", "SMITH", "Smith"}));
  std::string smith = "sMiTh";
  smith.resize(12, ' ');
  EXPECT_EQ(file.Call(kOpGetEqual, 1, smith), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 10u);  // the first of the equal ones
  EXPECT_EQ(file.key.substr(0, 12), "smith       ");  // the key as the record holds it
  EXPECT_EQ(file.Call(kOpGetLessOrEqual, 1, smith), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 14u);  // the last of them
  EXPECT_EQ(file.Call(kOpGetPrevious, 1), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 12u);
}

TEST_P(RecordManagerTest, PositionsSurviveUpdatesAndAreNeverReused) {
  RecordFileClient file(path_);
  for (std::uint32_t number : {5u, 6u, 7u}) ASSERT_EQ(file.Insert(Customer(number, "name")), kStatusOk);
  ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(6)), kStatusOk);
  const std::int32_t six = file.Position();
  ASSERT_GT(six, 0);
  // A new key for the record: it moves in key order and keeps its position.
  ASSERT_EQ(file.Update(Customer(9, "renamed")), kStatusOk);
  EXPECT_EQ(file.Position(), six);
  EXPECT_EQ(Walk(file, 0, true), (std::vector<std::uint32_t>{5, 7, 9}));
  ASSERT_EQ(file.ReadAt(six, 1), kStatusOk);
  EXPECT_EQ(NameOf(file.data), "renamed");
  EXPECT_EQ(file.key.substr(0, 12), "renamed     ");  // the key of the path asked for
  EXPECT_EQ(file.Call(kOpGetNext, 1), kStatusEndOfFile);  // the read made key 1 current
  // A deleted record: the walk goes on from where it was; its position reads as invalid.
  ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(7)), kStatusOk);
  const std::int32_t seven = file.Position();
  ASSERT_EQ(file.CallWith(kOpDelete), kStatusOk);
  EXPECT_EQ(file.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NumberOf(file.data), 9u);
  EXPECT_EQ(file.ReadAt(seven), kStatusInvalidPosition);
  ASSERT_EQ(file.Call(kOpGetLast, 0), kStatusOk);
  const std::int32_t last = file.Position();
  ASSERT_EQ(file.CallWith(kOpDelete), kStatusOk);
  ASSERT_EQ(file.Insert(Customer(20, "new")), kStatusOk);
  EXPECT_GT(file.Position(), last);
  EXPECT_EQ(file.ReadAt(0), kStatusInvalidPosition);
}

TEST_P(RecordManagerTest, StatusesOfMisuse) {
  RecordFileClient file(path_);
  EXPECT_EQ(file.Call(kOpGetNext, 0), kStatusNoCurrentRecord);
  EXPECT_EQ(file.Position(), 0);
  EXPECT_EQ(file.CallWith(kOpDelete), kStatusNoCurrentRecord);
  EXPECT_EQ(file.Call(kOpGetFirst, 0), kStatusEndOfFile);
  EXPECT_EQ(file.Insert(Customer(1, "x").substr(0, 31)), kStatusRecordLength);
  ASSERT_EQ(file.Insert(Customer(1, "abcdefghijkl", "the rest")), kStatusOk);
  EXPECT_EQ(file.Call(kOpGetFirst, 2), kStatusInvalidKeyNumber);
  EXPECT_EQ(file.Call(kOpGetFirst, -1), kStatusInvalidKeyNumber);
  ASSERT_EQ(file.Call(kOpGetFirst, 0), kStatusOk);
  EXPECT_EQ(file.Call(kOpGetNext, 1), kStatusDifferentKeyNumber);
  EXPECT_EQ(file.Call(99, 0), kStatusInvalidOperation);
  // A buffer shorter than the record: its beginning, and 22.
  file.data.assign(32, '\0');
  EXPECT_EQ(file.CallWith(kOpGetFirst, 0, "", 10), kStatusDataBufferShort);
  EXPECT_EQ(file.data, Customer(1, "abcdefghijkl").substr(0, 10));
  EXPECT_EQ(file.Call(kOpGetFirst, 0, "", 40), kStatusOk);
  EXPECT_EQ(file.data.size(), 32u);
}

TEST_P(RecordManagerTest, FileStatusDescribesTheFile) {
  RecordFileClient file(path_);
  for (std::uint32_t number : {1u, 2u, 3u}) ASSERT_EQ(file.Insert(Customer(number, "n")), kStatusOk);
  ASSERT_EQ(file.Call(kOpStat, 0, "", 1536), kStatusOk);
  FileDefinition read;
  ASSERT_TRUE(ParseFileStatus(file.data, read));
  EXPECT_EQ(read.record_length, 32);
  EXPECT_EQ(read.keys.size(), 2u);
  EXPECT_EQ(read.alternate, testing::CustomerDefinition().alternate);
  EXPECT_EQ(file.data.substr(6, 4), std::string("\x03\0\0\0", 4));
  EXPECT_EQ(file.data.size(), 16u + 2 * 16 + 265);
  EXPECT_EQ(file.Call(kOpStat, 0, "", 20), kStatusDataBufferShort);
}

// The count of the file status, asked on every seek, follows the open file's own changes at
// once and another's a moment later.
TEST_P(RecordManagerTest, TheFileStatusCountsChangesAtOnceAndOthersAMomentLater) {
  RecordFileClient file(path_), other(path_);
  const auto count = [](RecordFileClient& client) {
    EXPECT_EQ(client.Call(kOpStat, 0, "", 1536), kStatusOk);
    return static_cast<unsigned char>(client.data[6]);
  };
  EXPECT_EQ(count(file), 0);
  ASSERT_EQ(file.Insert(Customer(1, "n")), kStatusOk);
  EXPECT_EQ(count(file), 1);
  ASSERT_EQ(file.CallWith(kOpBeginTransaction), kStatusOk);
  ASSERT_EQ(file.Insert(Customer(2, "n")), kStatusOk);
  EXPECT_EQ(count(file), 2);
  ASSERT_EQ(file.CallWith(kOpAbortTransaction), kStatusOk);
  EXPECT_EQ(count(file), 1);
  ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(1)), kStatusOk);
  ASSERT_EQ(file.CallWith(kOpDelete), kStatusOk);
  EXPECT_EQ(count(file), 0);
  ASSERT_EQ(other.Insert(Customer(3, "n")), kStatusOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(count(file), 1);
}

TEST_P(RecordManagerTest, AnAbortedTransactionLeavesNothing) {
  RecordFileClient file(path_);
  ASSERT_EQ(file.Insert(Customer(1, "kept")), kStatusOk);
  ASSERT_EQ(file.CallWith(kOpBeginTransaction), kStatusOk);
  ASSERT_EQ(file.Insert(Customer(2, "dropped")), kStatusOk);
  EXPECT_EQ(Walk(file, 0, true), (std::vector<std::uint32_t>{1, 2}));
  ASSERT_EQ(file.CallWith(kOpAbortTransaction), kStatusOk);
  EXPECT_EQ(Walk(file, 0, true), (std::vector<std::uint32_t>{1}));
  ASSERT_EQ(file.CallWith(kOpBeginTransaction), kStatusOk);
  ASSERT_EQ(file.Insert(Customer(3, "committed")), kStatusOk);
  ASSERT_EQ(file.CallWith(kOpEndTransaction), kStatusOk);
  EXPECT_EQ(file.CallWith(kOpEndTransaction), kStatusInvalidOperation);
  RecordFileClient other(path_);
  EXPECT_EQ(Walk(other, 0, true), (std::vector<std::uint32_t>{1, 3}));
}

TEST_P(RecordManagerTest, ARecordLockHoldsUntilItsHolderMovesOn) {
  RecordFileClient holder(path_), other(path_);
  for (std::uint32_t number : {1u, 2u, 3u}) ASSERT_EQ(holder.Insert(Customer(number, "n")), kStatusOk);
  ASSERT_EQ(other.Call(kOpGetEqual, 0, NumberKey(1)), kStatusOk);
  ASSERT_EQ(holder.Call(kOpGetEqual + kLockBias, 0, NumberKey(2)), kStatusOk);
  EXPECT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(2)), kStatusRecordLocked);
  EXPECT_TRUE(other.data.empty());
  // The refused read left the other's position where it was.
  EXPECT_EQ(other.Call(kOpGetNext + kLockBias, 0), kStatusRecordLocked);
  EXPECT_EQ(other.Call(kOpGetNext, 0), kStatusOk);  // reading without a lock is allowed
  EXPECT_EQ(NumberOf(other.data), 2u);
  EXPECT_EQ(other.Update(Customer(2, "changed")), kStatusRecordLocked);
  EXPECT_EQ(other.CallWith(kOpDelete), kStatusRecordLocked);
  // The holder moves on: the record is free, and the one it moved to is locked.
  ASSERT_EQ(holder.Call(kOpGetNext + kLockBias, 0), kStatusOk);
  EXPECT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(2)), kStatusOk);
  EXPECT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(3)), kStatusRecordLocked);
  // Unlock, and a holder's update, release it too.
  ASSERT_EQ(holder.CallWith(kOpUnlock), kStatusOk);
  EXPECT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(3)), kStatusOk);
  ASSERT_EQ(other.Update(Customer(3, "updated")), kStatusOk);
  EXPECT_EQ(holder.Call(kOpGetEqual + kLockBias, 0, NumberKey(3)), kStatusOk);
  EXPECT_EQ(NameOf(holder.data), "updated");
  ASSERT_EQ(holder.Close(), kStatusOk);
  EXPECT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(3)), kStatusOk);
}

TEST_P(RecordManagerTest, AWalkSeesWhatOthersCommittedWhileItWentOn) {
  RecordFileClient walker(path_), writer(path_);
  for (std::uint32_t number = 1; number <= 300; ++number) ASSERT_EQ(writer.Insert(Customer(number, "old")), kStatusOk);
  ASSERT_EQ(walker.Call(kOpGetFirst, 0), kStatusOk);
  ASSERT_EQ(walker.Call(kOpGetNext, 0), kStatusOk);  // the walker has read ahead
  ASSERT_EQ(writer.Call(kOpGetEqual, 0, NumberKey(3)), kStatusOk);
  ASSERT_EQ(writer.Update(Customer(3, "new")), kStatusOk);
  ASSERT_EQ(writer.Call(kOpGetEqual, 0, NumberKey(4)), kStatusOk);
  ASSERT_EQ(writer.CallWith(kOpDelete), kStatusOk);
  // A reader that takes its time sees the changes (one that walks quickly may see them a few
  // milliseconds late).
  std::this_thread::sleep_for(std::chrono::milliseconds(GetParam() == testing::Engine::Server ? 200 : 30));
  ASSERT_EQ(walker.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NameOf(walker.data), "new");
  ASSERT_EQ(walker.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NumberOf(walker.data), 5u);
  // Its own changes it sees at once.
  ASSERT_EQ(walker.Update(Customer(5, "mine")), kStatusOk);
  ASSERT_EQ(walker.Call(kOpGetPrevious, 0), kStatusOk);
  ASSERT_EQ(walker.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NameOf(walker.data), "mine");
}

TEST_P(RecordManagerTest, RecordsReadAheadGiveWayToAnotherWritersChanges) {
  RecordFileClient reader(path_), writer(path_);
  for (std::uint32_t number : {10u, 20u, 30u, 40u}) ASSERT_EQ(writer.Insert(Customer(number, "n")), kStatusOk);
  ASSERT_EQ(reader.Call(kOpGetFirst, 0), kStatusOk);
  ASSERT_EQ(reader.Call(kOpGetNext, 0), kStatusOk);  // 20, with what follows read ahead
  ASSERT_EQ(writer.Insert(Customer(25, "new")), kStatusOk);
  ASSERT_EQ(writer.Call(kOpGetEqual, 0, NumberKey(40)), kStatusOk);
  ASSERT_EQ(writer.CallWith(kOpDelete), kStatusOk);
  ASSERT_EQ(writer.Call(kOpGetEqual, 0, NumberKey(30)), kStatusOk);
  ASSERT_EQ(writer.Update(Customer(30, "changed")), kStatusOk);
  // Records read ahead may be a moment late (the server tells the reader's connection of a
  // change as it commits): a reader that takes its time sees the changes.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(reader.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NumberOf(reader.data), 25u);
  ASSERT_EQ(reader.Call(kOpGetNext, 0), kStatusOk);
  EXPECT_EQ(NameOf(reader.data), "changed");
  EXPECT_EQ(reader.Call(kOpGetNext, 0), kStatusEndOfFile);
  // The file status counts the other's records too.
  ASSERT_EQ(reader.Call(kOpStat, 0, "", 1536), kStatusOk);
  EXPECT_EQ(reader.data.substr(6, 4), std::string("\x04\0\0\0", 4));
}

TEST_P(RecordManagerTest, ACheckOfAWrittenFileFindsNoProblem) {
  {
    RecordFileClient file(path_);
    for (std::uint32_t number = 1; number <= 50; ++number) ASSERT_EQ(file.Insert(Customer(number, "n")), kStatusOk);
  }
  std::unique_ptr<RecordStore> store;
  ASSERT_EQ(BackendOf(path_).Open(path_, store), kStatusOk);
  std::vector<std::string> problems;
  ASSERT_EQ(store->Check(problems), kStatusOk);
  EXPECT_TRUE(problems.empty());
}

// ---- Imports --------------------------------------------------------------------------------

// A source that gives a list of records, then ends (or fails at fail_at).
RecordSource ListSource(const std::vector<std::string>& records, std::size_t fail_at = SIZE_MAX) {
  auto next = std::make_shared<std::size_t>(0);
  return [records, fail_at, next](std::string& record) {
    if (*next == fail_at) return SourceStep::Failed;
    if (*next == records.size()) return SourceStep::End;
    record = records[(*next)++];
    return SourceStep::Record;
  };
}

// Customers numbered from first, each with a name of a few that repeat.
std::vector<std::string> Customers(std::uint32_t first, std::uint32_t count) {
  std::vector<std::string> records;
  const char* const names[] = {"puig", "Ferrer", "SOLER"};
  for (std::uint32_t i = 0; i < count; ++i) records.push_back(Customer(first + i, names[(first + i) % 3]));
  return records;
}

TEST_P(RecordManagerTest, AnImportAddsItsRecordsInTheirOrderAndCountsThem) {
  std::unique_ptr<RecordStore> store;
  ASSERT_EQ(BackendOf(path_).Open(path_, store), kStatusOk);
  // Into the empty file, numbers given in a shuffled order: positions follow the records.
  std::vector<std::string> records = Customers(1, 300);
  std::swap(records[0], records[299]);
  std::swap(records[10], records[150]);
  std::uint64_t count = 0;
  ASSERT_EQ(store->Import(ListSource(records), count), kStatusOk);
  EXPECT_EQ(count, 300u);
  RecordFileClient file(path_);
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(file.ReadAt(static_cast<std::int32_t>(i + 1)), kStatusOk) << i;
    EXPECT_EQ(file.data, records[i]);
  }
  const std::vector<std::uint32_t> by_number = Walk(file, 0, true);
  ASSERT_EQ(by_number.size(), 300u);
  EXPECT_TRUE(std::is_sorted(by_number.begin(), by_number.end()));
  // Equal names in order of position.
  std::vector<std::int32_t> soler;
  std::string name = "soler";
  name.resize(12, ' ');
  for (std::int16_t status = file.Call(kOpGetEqual, 1, name); status == kStatusOk && NameOf(file.data) == "SOLER";
       status = file.Call(kOpGetNext, 1))
    soler.push_back(file.Position());
  EXPECT_EQ(soler.size(), 100u);
  EXPECT_TRUE(std::is_sorted(soler.begin(), soler.end()));
  ASSERT_EQ(file.Call(kOpStat, 0, "", 1536), kStatusOk);
  EXPECT_EQ(file.data.substr(6, 4), std::string("\x2c\x01\0\0", 4));
  // The keys are whole again: a number already there is refused, a new one takes a later
  // position (the server may skip the one the refused record was to take).
  EXPECT_EQ(file.Insert(Customer(7, "again")), kStatusDuplicateKey);
  ASSERT_EQ(file.Insert(Customer(1000, "after")), kStatusOk);
  const std::int32_t after = file.Position();
  EXPECT_GT(after, 300);
  if (GetParam() == testing::Engine::Embedded) {
    EXPECT_EQ(after, 301);
  }
  // Into a file with records, after a deletion: positions are never reused.
  ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(1000)), kStatusOk);
  ASSERT_EQ(file.CallWith(kOpDelete), kStatusOk);
  ASSERT_EQ(store->Import(ListSource(Customers(2000, 20)), count), kStatusOk);
  EXPECT_EQ(count, 20u);
  std::int32_t previous = after;
  for (std::uint32_t number = 2000; number < 2020; ++number) {
    ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(number)), kStatusOk);
    EXPECT_GT(file.Position(), previous) << number;
    previous = file.Position();
  }
  ASSERT_EQ(file.Call(kOpStat, 0, "", 1536), kStatusOk);
  EXPECT_EQ(file.data.substr(6, 4), std::string("\x40\x01\0\0", 4));
  std::vector<std::string> problems;
  ASSERT_EQ(store->Check(problems), kStatusOk);
  EXPECT_TRUE(problems.empty()) << problems.front();
  // An import of nothing adds nothing.
  ASSERT_EQ(store->Import(ListSource({}), count), kStatusOk);
  EXPECT_EQ(count, 0u);
}

TEST_P(RecordManagerTest, ARefusedImportAddsNothingAndSaysWhichRecord) {
  std::unique_ptr<RecordStore> store;
  ASSERT_EQ(BackendOf(path_).Open(path_, store), kStatusOk);
  RecordFileClient file(path_);
  std::uint64_t count = 0;
  // Into the empty file: a number given twice (records 2 and 7), a record of the wrong
  // length, a source that gives up.
  std::vector<std::string> records = Customers(1, 10);
  records[7] = Customer(3, "twice");
  EXPECT_EQ(store->Import(ListSource(records), count), kStatusDuplicateKey);
  EXPECT_EQ(count, 7u);
  records[7] = Customer(8, "short").substr(0, 20);
  EXPECT_EQ(store->Import(ListSource(records), count), kStatusRecordLength);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(store->Import(ListSource(Customers(1, 10), 4), count), kStatusInvalidOperation);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(file.Call(kOpGetFirst, 0), kStatusEndOfFile);
  ASSERT_EQ(file.Call(kOpStat, 0, "", 1536), kStatusOk);
  EXPECT_EQ(file.data.substr(6, 4), std::string(4, '\0'));
  // The file's keys are as they were: a number given twice is refused.
  ASSERT_EQ(file.Insert(Customer(5, "one")), kStatusOk);
  if (GetParam() == testing::Engine::Embedded) {
    EXPECT_EQ(file.Position(), 1);
  }
  EXPECT_EQ(file.Insert(Customer(5, "two")), kStatusDuplicateKey);
  // Into a file with records: a number the file has.
  EXPECT_EQ(store->Import(ListSource(Customers(100, 3)), count), kStatusOk);
  EXPECT_EQ(store->Import(ListSource(Customers(3, 4)), count), kStatusDuplicateKey);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(Walk(file, 0, true), (std::vector<std::uint32_t>{5, 100, 101, 102}));
  // Not inside a transaction of the same open file.
  ASSERT_EQ(store->BeginTransaction(), kStatusOk);
  EXPECT_EQ(store->Import(ListSource(Customers(200, 3)), count), kStatusInvalidOperation);
  ASSERT_EQ(store->AbortTransaction(), kStatusOk);
  std::vector<std::string> problems;
  ASSERT_EQ(store->Check(problems), kStatusOk);
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace kel
