// Record files shared by processes: a record held by kelrec in another process, the lock wait
// of the layer on the virtual console while it is held, a holder or writer killed outright.
// The writers are this test program started again (RecordChildProcess.Body), so that the
// same tests run on POSIX and on Windows.
#include <gtest/gtest.h>
#ifdef KEL_HAS_RECORD_SERVER
#include <libpq-fe.h>
#endif

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "console/console_fixture.h"
#include "console/window.h"
#include "platform/process.h"
#include "records/file_table.h"
#include "records/kelrec.h"
#include "records/record_access.h"
#include "records/record_manager.h"
#include "records/record_store.h"
#include "records/record_file_support.h"
#include "support/child_program.h"

namespace kel {
namespace {

using testing::ChildProgram;
using testing::Customer;
using testing::NumberKey;
using testing::NumberOf;
using testing::RecordFileClient;

constexpr const char* kChildFlag = "--kel-child=";
constexpr const char* kFileFlag = "--kel-file=";
constexpr const char* kChildTest = "RecordChildProcess.Body";

// Starts this program again as a writer of the record file running one part of Body.
bool StartWriter(ChildProgram& child, const std::string& part, const std::string& path) {
  return child.Start(testing::SelfPath(), testing::ChildTestArguments(kChildTest, {kChildFlag + part, kFileFlag + path}));
}

// A line of the writer's report, written through at once.
void Report(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// The last whole line of a report that is a number (0 when none is).
std::uint32_t LastReportedNumber(const std::string& report) {
  std::uint32_t last = 0;
  std::size_t begin = 0;
  for (std::size_t end = report.find('\n'); end != std::string::npos; begin = end + 1, end = report.find('\n', begin)) {
    const std::string line = report.substr(begin, end - begin);
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
      last = static_cast<std::uint32_t>(std::stoul(line));
  }
  return last;
}

// The writers' side: runs only in a process started by StartWriter.
TEST(RecordChildProcess, Body) {
  const std::string part = testing::ProgramFlag(kChildFlag), path = testing::ProgramFlag(kFileFlag);
  if (part.empty() || path.empty()) GTEST_SKIP() << "run by the tests of RecordProcessesTest in a second process";
  if (part.rfind("import-", 0) == 0) {
    // Imports records of a length until it has added 10,000, then waits to be killed.
    const std::size_t length = std::stoul(part.substr(7));
    std::unique_ptr<RecordStore> store;
    ASSERT_EQ(BackendOf(path).Open(path, store), kStatusOk);
    std::uint32_t number = 1000;
    std::uint64_t count = 0;
    store->Import(
        [&](std::string& record) {
          if (number == 11000) {
            Report("midway\n");
            for (;;) platform::PauseMilliseconds(3600 * 1000);
          }
          record = Customer(number++, "imported");
          record.resize(length, ' ');
          return SourceStep::Record;
        },
        count);
    FAIL() << "the import ended";
  }
  RecordFileClient file(path);
  ASSERT_EQ(file.open_status, kStatusOk);
  if (part == "mid-transaction") {
    // Committed one by one, each reported once the record manager said so.
    for (std::uint32_t number = 100; number < 140; ++number) {
      ASSERT_EQ(file.Insert(Customer(number, "committed")), kStatusOk);
      Report(std::to_string(number) + "\n");
    }
    file.CallWith(kOpBeginTransaction);
    for (std::uint32_t number = 200; number < 260; ++number) file.Insert(Customer(number, "uncommitted"));
    Report("open\n");
    for (;;) platform::PauseMilliseconds(3600 * 1000);
  } else if (part == "any-moment") {
    for (std::uint32_t number = 1000;; ++number) {
      ASSERT_EQ(file.Insert(Customer(number, "w")), kStatusOk);
      Report(std::to_string(number) + "\n");
    }
  } else {
    const std::uint32_t process = static_cast<std::uint32_t>(std::stoul(part));
    int failures = 0;
    for (std::uint32_t i = 0; i < 150; ++i) {
      const std::uint32_t number = 10000 * (process + 1) + i;
      failures += file.Insert(Customer(number, "w")) != kStatusOk;
      // Each also reads and rewrites a record the others may be writing too.
      if (file.Call(kOpGetEqual + kLockBias, 0, NumberKey(1 + i % 5)) == kStatusOk)
        failures += file.Update(Customer(1 + i % 5, "p" + std::to_string(process))) != kStatusOk;
    }
    Report("done " + std::to_string(failures) + "\n");
  }
}

class RecordProcessesTest : public testing::ConsoleTest, public ::testing::WithParamInterface<testing::Engine> {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    ResetRecordManager();
    ResetFileTable();
    ResetRecordAccess();
    KEL_REQUIRE_ENGINE(GetParam());
    path_ = File("CLIENTS.DAT");
    ASSERT_EQ(testing::CreateRecordFile(path_, testing::CustomerDefinition()), kStatusOk);
    RecordFileClient file(path_);
    for (std::uint32_t number = 1; number <= 5; ++number) ASSERT_EQ(file.Insert(Customer(number, "n")), kStatusOk);
  }
  void TearDown() override {
    CloseAllRecordFiles();
    ResetFileTable();
    ResetRecordAccess();
    ResetRecordManager();
    ConsoleTest::TearDown();
  }
  // A new record file's name in the engine under test.
  std::string File(const std::string& name) { return testing::RecordFilePath(GetParam(), temp_ / name, name); }

  std::string path_;
};

INSTANTIATE_TEST_SUITE_P(Engines, RecordProcessesTest,
                         ::testing::Values(testing::Engine::Embedded, testing::Engine::Server), testing::EngineName);

TEST_P(RecordProcessesTest, ARecordHeldByAnotherProcessIsWaitedForWithTheNotice) {
  ChildProgram holder;
  ASSERT_TRUE(holder.Start(testing::ProgramPath("kelrec"), {"lock", path_, "0", "3"}));
  ASSERT_TRUE(holder.WaitFor("bloquejat")) << holder.output();

  char area[32] = {};
  ASSERT_EQ(OpenRecordFile(7, path_, area, sizeof area, 0, kLockNoWait), kStatusOk);
  std::int16_t status = 0;
  SeekKey(7, 0, NumberKey(3), 0, status);
  EXPECT_EQ(status, kStatusRecordLocked);  // without waiting: the caller hears of it

  PaintMixedScreen();
  const auto before = Cells();
  SetLockMode(7, "a", status);
  std::vector<std::string> notices;
  InstallLockPause([&](int) {
    notices.push_back(console().RowText(22));
    if (notices.size() == 2) holder.Interrupt();  // the holder goes while we wait
    // The server ends the holder's session a moment after its connection drops.
    if (notices.size() > 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  SeekKey(7, 0, NumberKey(3), 0, status);
  EXPECT_EQ(status, kStatusOk);
  EXPECT_EQ(NumberOf(std::string(area, 32)), 3u);
  if (GetParam() == testing::Engine::Embedded) {
    EXPECT_EQ(notices.size(), 2u);
  }
  ASSERT_GE(notices.size(), 2u);
  ASSERT_LT(notices.size(), 200u);
  EXPECT_EQ(notices[0].find("BLOQUEJAT"), std::string::npos);  // the first attempt shows nothing
  for (std::size_t i = 1; i < notices.size(); ++i)
    EXPECT_NE(notices[i].find("FITXER BLOQUEJAT. ESPEREU UN MOMENT."), std::string::npos);
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(CurrentWindow().open_count, 0);
}

TEST_P(RecordProcessesTest, AKilledHolderReleasesItsLock) {
  ChildProgram holder;
  ASSERT_TRUE(holder.Start(testing::ProgramPath("kelrec"), {"lock", path_, "0", "2"}));
  ASSERT_TRUE(holder.WaitFor("bloquejat")) << holder.output();
  RecordFileClient file(path_);
  EXPECT_EQ(file.Call(kOpGetEqual + kLockBias, 0, NumberKey(2)), kStatusRecordLocked);
  EXPECT_EQ(file.Call(kOpGetEqual, 0, NumberKey(2)), kStatusOk);
  holder.Kill();
  // The server ends the dead holder's session a moment after its connection drops.
  std::int16_t status = kStatusRecordLocked;
  for (int waited = 0; waited < 250 && status == kStatusRecordLocked; ++waited) {
    status = file.Call(kOpGetEqual + kLockBias, 0, NumberKey(2));
    if (status == kStatusRecordLocked) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(status, kStatusOk);
}

// A server that goes away: a clear status at once, never a wait.
TEST_P(RecordProcessesTest, ALostConnectionAnswersAtOnce) {
  if (GetParam() == testing::Engine::Embedded) GTEST_SKIP() << "files on disk have no connection";
#ifdef KEL_HAS_RECORD_SERVER
  const std::string connection = platform::EnvironmentValue(kServerVariable);
  const std::string name = "kel_lost_" + std::to_string(platform::ProcessId());
  platform::SetEnvironmentValue(kServerVariable, connection + " application_name=" + name);
  RecordFileClient file(path_);
  platform::SetEnvironmentValue(kServerVariable, connection);
  ASSERT_EQ(file.open_status, kStatusOk);
  ASSERT_EQ(file.Call(kOpGetFirst, 0), kStatusOk);
  PGconn* admin = PQconnectdb(connection.c_str());
  ASSERT_EQ(PQstatus(admin), CONNECTION_OK);
  PGresult* ended = PQexec(admin, ("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" + name + "'").c_str());
  EXPECT_EQ(PQntuples(ended), 1);
  PQclear(ended);
  PQfinish(admin);
  EXPECT_EQ(file.Call(kOpGetNext, 0), kStatusConnectionLost);
  EXPECT_EQ(file.Call(kOpGetEqual, 0, NumberKey(2)), kStatusConnectionLost);
  EXPECT_EQ(file.Insert(Customer(50, "x")), kStatusConnectionLost);
  // Opened again, the file is there as it was.
  RecordFileClient again(path_);
  ASSERT_EQ(again.open_status, kStatusOk);
  EXPECT_EQ(again.Call(kOpGetEqual, 0, NumberKey(2)), kStatusOk);
  // No server at all: the same status at open, not a hang.
  platform::SetEnvironmentValue(kServerVariable, "host=" + temp_.dir() + " connect_timeout=2");
  EXPECT_EQ(RecordFileClient(path_).open_status, kStatusConnectionLost);
  platform::SetEnvironmentValue(kServerVariable, connection);
#endif
}

TEST_P(RecordProcessesTest, AWriterKilledMidTransactionLosesNothingCommitted) {
  ChildProgram writer;
  ASSERT_TRUE(StartWriter(writer, "mid-transaction", path_));
  ASSERT_TRUE(writer.WaitFor("open\n")) << writer.output();
  writer.Kill();

  RecordFileClient file(path_);
  std::vector<std::uint32_t> numbers;
  for (std::int16_t status = file.Call(kOpGetFirst, 0); status == kStatusOk; status = file.Call(kOpGetNext, 0))
    numbers.push_back(NumberOf(file.data));
  ASSERT_EQ(numbers.size(), 45u);
  EXPECT_EQ(numbers[5], 100u);
  EXPECT_EQ(numbers.back(), 139u);
  // The file is whole, and takes new records at once.
  std::unique_ptr<RecordStore> store;
  ASSERT_EQ(BackendOf(path_).Open(path_, store), kStatusOk);
  std::vector<std::string> problems;
  EXPECT_EQ(store->Check(problems), kStatusOk);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(file.Insert(Customer(300, "after")), kStatusOk);
}

TEST_P(RecordProcessesTest, AWriterKilledAtAnyMomentKeepsEveryRecordItWasToldWasStored) {
  ChildProgram writer;
  ASSERT_TRUE(StartWriter(writer, "any-moment", path_));
  ASSERT_TRUE(writer.WaitFor("1030\n")) << writer.output();
  writer.Kill();
  // Every number the writer reported is in the file.
  const std::uint32_t last = LastReportedNumber(writer.output());
  ASSERT_GE(last, 1030u);
  RecordFileClient file(path_);
  for (std::uint32_t number = 1000; number <= last; ++number)
    ASSERT_EQ(file.Call(kOpGetEqual, 0, NumberKey(number)), kStatusOk) << number;
}

// An import killed while it adds its records: the file is as before, whole, and takes records.
TEST_P(RecordProcessesTest, AnImportKilledMidwayLeavesTheFileAsItWas) {
  // An empty file of large records, so that the import's changes outgrow the page cache and
  // reach the disk before the kill; and the file with records of the fixture.
  FileDefinition large;
  large.record_length = 4000;
  large.page_size = 4096;
  large.keys = {{{1, 4, kSegmentBinary}}};
  const std::string empty = File("LARGE.DAT");
  ASSERT_EQ(testing::CreateRecordFile(empty, large), kStatusOk);
  for (const std::string& path : {empty, path_}) {
    const std::size_t length = path == empty ? 4000 : 32;
    ChildProgram importer;
    ASSERT_TRUE(StartWriter(importer, "import-" + std::to_string(length), path));
    ASSERT_TRUE(importer.WaitFor("midway\n")) << importer.output();
    importer.Kill();

    RecordFileClient file(path);
    ASSERT_EQ(file.open_status, kStatusOk) << path;
    std::vector<std::uint32_t> numbers;
    for (std::int16_t status = file.Call(kOpGetFirst, 0, "", 4000); status == kStatusOk;
         status = file.Call(kOpGetNext, 0, "", 4000))
      numbers.push_back(NumberOf(file.data));
    EXPECT_EQ(numbers, path == empty ? std::vector<std::uint32_t>{} : (std::vector<std::uint32_t>{1, 2, 3, 4, 5})) << path;
    ASSERT_EQ(file.Call(kOpStat, 0, "", 1536), kStatusOk);
    EXPECT_EQ(file.data[6], path == empty ? 0 : 5) << path;
    std::unique_ptr<RecordStore> store;
    ASSERT_EQ(BackendOf(path).Open(path, store), kStatusOk);
    std::vector<std::string> problems;
    EXPECT_EQ(store->Check(problems), kStatusOk);
    EXPECT_TRUE(problems.empty()) << problems.front();
    // The key is whole: a new record goes in, the same number again does not.
    std::string record = Customer(7000, "after");
    record.resize(length, ' ');
    EXPECT_EQ(file.Insert(record), kStatusOk) << path;
    EXPECT_EQ(file.Insert(record), kStatusDuplicateKey) << path;
  }
}

TEST_P(RecordProcessesTest, KelrecImportNamesTheLineOfARefusedRecord) {
  const std::string file = File("NAMES.DAT");
  std::string out, err;
  const auto no_hold = [](std::string&) {};
  ASSERT_EQ(RunKelrec({"create", file, "20", "1:4b", "5:6ad"}, out, err, no_hold), kKelrecDone) << err;
  // Into the empty file: the number 1 again on the fourth line (the third is empty).
  temp_.Write("dup.csv", "1,adams,x\n2,baker,y\n\n1,carter,z\n3,dale,w\n");
  EXPECT_EQ(RunKelrec({"import", file, temp_ / "dup.csv"}, out, err, no_hold), kKelrecFailed);
  EXPECT_NE(err.find("línia 4: estat 5"), std::string::npos) << err;
  out.clear();
  ASSERT_EQ(RunKelrec({"status", file}, out, err, no_hold), kKelrecDone);
  EXPECT_NE(out.find("registres 0"), std::string::npos) << out;
  temp_.Write("good.csv", "1,adams,x\n2,baker,y\n\n3,dale,w\n");
  out.clear();
  ASSERT_EQ(RunKelrec({"import", file, temp_ / "good.csv"}, out, err, no_hold), kKelrecDone) << err;
  EXPECT_EQ(out, "3 registres afegits\n");
  // Into the file with records: a number it has.
  err.clear();
  temp_.Write("again.csv", "4,ellis,v\n3,dale,w\n");
  EXPECT_EQ(RunKelrec({"import", file, temp_ / "again.csv"}, out, err, no_hold), kKelrecFailed);
  EXPECT_NE(err.find("línia 2: estat 5"), std::string::npos) << err;
  out.clear();
  ASSERT_EQ(RunKelrec({"check", file}, out, err, no_hold), kKelrecDone) << out;
  ASSERT_EQ(RunKelrec({"status", file}, out, err, no_hold), kKelrecDone);
  EXPECT_NE(out.find("registres 3"), std::string::npos) << out;
}

TEST_P(RecordProcessesTest, WritersInSeveralProcessesAtOnceLoseNothing) {
  std::vector<std::unique_ptr<ChildProgram>> writers;
  for (int process = 0; process < 3; ++process) {
    writers.push_back(std::make_unique<ChildProgram>());
    ASSERT_TRUE(StartWriter(*writers.back(), std::to_string(process), path_));
  }
  for (auto& writer : writers) {
    EXPECT_TRUE(writer->WaitFor("done 0\n")) << writer->output();
  }
  RecordFileClient file(path_);
  std::uint32_t count = 0;
  for (std::int16_t status = file.Call(kOpGetFirst, 0); status == kStatusOk; status = file.Call(kOpGetNext, 0)) ++count;
  EXPECT_EQ(count, 5u + 3 * 150);
  std::unique_ptr<RecordStore> store;
  ASSERT_EQ(BackendOf(path_).Open(path_, store), kStatusOk);
  std::vector<std::string> problems;
  EXPECT_EQ(store->Check(problems), kStatusOk);
  EXPECT_TRUE(problems.empty());
}

TEST_P(RecordProcessesTest, KelrecImportsAndExportsAFileAsCsv) {
  const std::string file = File("ITEMS.DAT");
  std::string out, err;
  const auto no_hold = [](std::string&) {};
  ASSERT_EQ(RunKelrec({"create", file, "40", "1:4b", "5:12ad", "17:2+1:4bd"}, out, err, no_hold), kKelrecDone) << err;
  temp_.Write("in.csv", "1,adams,AB,1,rest one\n256,Baker,AA,256,\"rest, two\"\n2,carter,AB,2,tr\xC3\xAAs\n");
  ASSERT_EQ(RunKelrec({"import", file, temp_ / "in.csv"}, out, err, no_hold), kKelrecDone) << err;
  ASSERT_EQ(RunKelrec({"export", file, temp_ / "by0.csv"}, out, err, no_hold), kKelrecDone) << err;
  EXPECT_EQ(temp_.Read("by0.csv"), "1,adams,AB,1,rest one\n2,carter,AB,2,tr\xC3\xAAs\n256,Baker,AA,256,\"rest, two\"\n");
  ASSERT_EQ(RunKelrec({"export", file, temp_ / "by2.csv", "2"}, out, err, no_hold), kKelrecDone) << err;
  EXPECT_EQ(temp_.Read("by2.csv"), "256,Baker,AA,256,\"rest, two\"\n1,adams,AB,1,rest one\n2,carter,AB,2,tr\xC3\xAAs\n");
  out.clear();
  ASSERT_EQ(RunKelrec({"status", file}, out, err, no_hold), kKelrecDone);
  EXPECT_NE(out.find("registres 3"), std::string::npos) << out;
  // A bad line adds nothing; a duplicate of a unique key adds nothing either.
  temp_.Write("bad.csv", "7,x,AB,7,ok\nnot a number,x,AB,1,\n");
  EXPECT_EQ(RunKelrec({"import", file, temp_ / "bad.csv"}, out, err, no_hold), kKelrecUsage);
  temp_.Write("dup.csv", "8,x,AB,8,ok\n1,again,AB,1,\n");
  EXPECT_EQ(RunKelrec({"import", file, temp_ / "dup.csv"}, out, err, no_hold), kKelrecFailed);
  out.clear();
  ASSERT_EQ(RunKelrec({"check", file}, out, err, no_hold), kKelrecDone) << out;
  ASSERT_EQ(RunKelrec({"status", file}, out, err, no_hold), kKelrecDone);
  EXPECT_NE(out.find("registres 3"), std::string::npos) << out;
  // A quoted field may hold a line break.
  const std::string notes = temp_ / "NOTES.DAT";
  ASSERT_EQ(RunKelrec({"create", notes, "30", "1:2b"}, out, err, no_hold), kKelrecDone) << err;
  temp_.Write("notes.csv", "5,\"two\nlines, \"\"quoted\"\"\"\r\n6,plain\r\n");
  ASSERT_EQ(RunKelrec({"import", notes, temp_ / "notes.csv"}, out, err, no_hold), kKelrecDone) << err;
  ASSERT_EQ(RunKelrec({"export", notes, temp_ / "notes-out.csv"}, out, err, no_hold), kKelrecDone) << err;
  EXPECT_EQ(temp_.Read("notes-out.csv"), "5,\"two\nlines, \"\"quoted\"\"\"\n6,plain\n");
  EXPECT_EQ(RunKelrec({"create", file, "40", "1:4b"}, out, err, no_hold), kKelrecFailed);
  EXPECT_EQ(RunKelrec({"create", temp_ / "X.DAT", "40", "1:4q"}, out, err, no_hold), kKelrecUsage);
}

TEST_P(RecordProcessesTest, KelrecCopiesAFileToTheOtherEngineAndBack) {
  std::string out, err;
  const auto no_hold = [](std::string&) {};
  {
    RecordFileClient file(path_);
    ASSERT_EQ(file.Insert(Customer(77, "Zapata", "rest")), kStatusOk);
  }
  const bool embedded = GetParam() == testing::Engine::Embedded;
  if (!embedded || testing::UseTestServer()) {
    const std::string there = embedded ? testing::RecordFilePath(testing::Engine::Server, "", "COPY.DAT") : temp_ / "COPY.DAT";
    const std::string back = File("BACK.DAT");
    ASSERT_EQ(RunKelrec({"copy", path_, there}, out, err, no_hold), kKelrecDone) << err;
    EXPECT_NE(out.find("6 registres copiats"), std::string::npos) << out;
    ASSERT_EQ(RunKelrec({"copy", there, back}, out, err, no_hold), kKelrecDone) << err;
    ASSERT_EQ(RunKelrec({"export", path_, temp_ / "a.csv", "1"}, out, err, no_hold), kKelrecDone) << err;
    ASSERT_EQ(RunKelrec({"export", back, temp_ / "b.csv", "1"}, out, err, no_hold), kKelrecDone) << err;
    EXPECT_EQ(temp_.Read("a.csv"), temp_.Read("b.csv"));
    EXPECT_NE(temp_.Read("b.csv").find("77,Zapata,rest"), std::string::npos);
    ASSERT_EQ(RunKelrec({"check", there}, out, err, no_hold), kKelrecDone) << out;
  }
  // A copy never replaces a file.
  EXPECT_EQ(RunKelrec({"copy", path_, path_}, out, err, no_hold), kKelrecFailed);
  EXPECT_NE(err.find("estat 59"), std::string::npos) << err;
}

}  // namespace
}  // namespace kel
