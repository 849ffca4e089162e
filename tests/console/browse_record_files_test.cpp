// Browse lists over a real record file of either engine, read through the record-file layer:
// records between the key bounds in key order, the chosen record read into the record area,
// the file's lock mode given back, and an Esc waiting ending the reading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "console/browse_fixture.h"
#include "console/browse_record_files.h"
#include "console/browse_rows.h"
#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_file_support.h"
#include "records/record_manager.h"

namespace kel {
namespace {

using testing::Customer;
using testing::NameOf;
using testing::NumberKey;
using testing::NumberOf;

class RecordFileBrowseTest : public testing::ScreenTest, public ::testing::WithParamInterface<testing::Engine> {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ResetRecordManager();
    ResetFileTable();
    ResetRecordAccess();
    KEL_REQUIRE_ENGINE(GetParam());
    console().SetSize(16, 40, false);
    // Browse 1 over file 7 by key 1 (the name), 10 rows inside its frame.
    Load({"0", "0", "1", "7", "1", "2", "3", "13", "30", "0", "CLIENTS", "0"});
    InstallRecordFileBrowsing();
    ScreenHooks hooks;
    hooks.prepare_browse = [this](std::int16_t, std::string& low, std::string& high) {
      low = low_;
      high = high_;
      return std::int16_t{0};
    };
    hooks.browse_line = [this](std::int16_t) {
      ++lines_;
      const std::string record(area_, sizeof area_);
      return NameOf(record) + " " + std::to_string(NumberOf(record));
    };
    InstallScreenHooks(hooks);
    path_ = testing::RecordFilePath(GetParam(), temp_ / "CLIENTS.DAT", "CLIENTS");
    ASSERT_EQ(testing::CreateRecordFile(path_, testing::CustomerDefinition()), kStatusOk);
  }
  void TearDown() override {
    CloseAllRecordFiles();
    ResetFileTable();
    ResetRecordAccess();
    ResetRecordManager();
    ScreenTest::TearDown();
  }
  // Writes the records, then opens the file under handle 7 waiting for locks.
  void Fill(const std::vector<std::string>& records) {
    {
      testing::RecordFileClient file(path_);
      ASSERT_EQ(file.open_status, kStatusOk);
      for (const std::string& record : records) ASSERT_EQ(file.Insert(record), kStatusOk);
    }
    ASSERT_EQ(OpenRecordFile(7, path_, area_, sizeof area_, 1, kLockWait), kStatusOk);
  }
  // Browse 1 by the number key instead of the name.
  void ByNumber() {
    Load({"0", "0", "1", "7", "0", "2", "3", "13", "30", "0", "CLIENTS", "0"});
  }
  std::int16_t Run() {
    std::int16_t result = 99;
    Browse(1, result);
    return result;
  }

  std::string path_;
  char area_[32] = {};
  std::string low_, high_;
  int lines_ = 0;
};

INSTANTIATE_TEST_SUITE_P(Engines, RecordFileBrowseTest,
                         ::testing::Values(testing::Engine::Embedded, testing::Engine::Server), testing::EngineName);

TEST_P(RecordFileBrowseTest, RecordsBetweenTheBoundsInKeyOrderAndTheChosenOneRead) {
  Fill({Customer(1, "DIAZ"), Customer(2, "bosch"), Customer(3, "ALBA"), Customer(4, "CASAS"),
        Customer(5, "BERGA"), Customer(6, "Carles"), Customer(7, "ABAD")});
  low_ = "B";
  high_ = "c";  // compared in the key's collation form: names up to those starting with C
  Snap();
  Down(2);
  Enter();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Rows(Shots()[0].screen, 2, 7), "  ╔CLIENTS═══════════════════╗\n"
                                           "  ║BERGA 5                   ║\n"
                                           "  ║bosch 2                   ║\n"
                                           "  ║Carles 6                  ║\n"
                                           "  ║CASAS 4                   ║\n"
                                           "  ║                          ║\n");
  // The chosen record is in the record area and current; the lock mode is as it was.
  const std::string chosen(area_, sizeof area_);
  EXPECT_EQ(NameOf(chosen), "Carles");
  EXPECT_EQ(CurrentKeyCollationForm(7).substr(0, 6), "CARLES");
  EXPECT_EQ(FileTableSlot(FindFileSlot(7)).lock_mode, kLockWait);
  EXPECT_EQ(LockModeStack(), "");
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
}

TEST_P(RecordFileBrowseTest, PagesOfALargeFileAreReadAsNeeded) {
  std::vector<std::string> records;
  for (std::uint32_t n = 1; n <= 200; ++n) records.push_back(Customer(n, "N" + std::to_string(10000 + n)));
  Fill(records);
  PgDn();
  Snap();
  Enter();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_NE(Shots()[0].screen.find("N10020 20"), std::string::npos);
  EXPECT_LE(lines_, 22);
  EXPECT_EQ(NumberOf(std::string(area_, sizeof area_)), 11u);  // PgDn shows the next page from its top
}

TEST_P(RecordFileBrowseTest, AnEscWaitingStopsTheReading) {
  std::vector<std::string> records;
  for (std::uint32_t n = 1; n <= 200; ++n) records.push_back(Customer(n, "N" + std::to_string(1000 + n)));
  Fill(records);
  Esc();
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(lines_, 1);
  EXPECT_EQ(FileTableSlot(FindFileSlot(7)).lock_mode, kLockWait);
}

TEST_P(RecordFileBrowseTest, AnEmptyRangeChoosesNothing) {
  Fill({Customer(1, "ALBA")});
  low_ = "B";
  Enter();
  EXPECT_EQ(Run(), -1);
}

TEST_P(RecordFileBrowseTest, ANumberKeyListOnAFileOpenOnTheNameKeyStopsAtItsHighBound) {
  // Little-endian numbers: 256 is stored 00 01 and would sort before 255 (FF 00) byte by byte.
  // The file stands on the name key until the list positions it on the number key; the high
  // bound takes the number key's form.
  std::vector<std::string> records;
  for (std::uint32_t n = 250; n <= 265; ++n) records.push_back(Customer(n, "N" + std::to_string(n)));
  Fill(records);
  ByNumber();
  low_ = NumberKey(254);
  high_ = NumberKey(258);
  Snap();
  Down(3);
  Enter();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Rows(Shots()[0].screen, 3, 8), "  ║N254 254                  ║\n"
                                           "  ║N255 255                  ║\n"
                                           "  ║N256 256                  ║\n"
                                           "  ║N257 257                  ║\n"
                                           "  ║N258 258                  ║\n"
                                           "  ║                          ║\n");
  EXPECT_EQ(NumberOf(std::string(area_, sizeof area_)), 257u);
}

TEST_P(RecordFileBrowseTest, ACustomerHeldByAnotherWorkstationIsListedAndChosenWithoutWaiting) {
  Fill({Customer(1, "ALBA"), Customer(2, "BOSCH"), Customer(3, "CASAS")});
  testing::RecordFileClient other(path_);
  ASSERT_EQ(other.Call(kOpGetEqual + kLockBias, 0, NumberKey(2)), kStatusOk);
  // The list reads without locks; a wait would pause, and the holder then lets go so that the
  // test ends.
  int pauses = 0;
  InstallLockPause([&](int) {
    if (++pauses == 3) other.Close();
  });
  Down();
  Enter();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(pauses, 0);
  EXPECT_EQ(NameOf(std::string(area_, sizeof area_)), "BOSCH");
  // The file's own lock mode is back: a read with it now finds the record held.
  EXPECT_EQ(FileTableSlot(FindFileSlot(7)).lock_mode, kLockWait);
  std::int16_t status = 0;
  SeekKey(7, 0, NumberKey(2), 0, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(pauses, 3);
}

TEST_P(RecordFileBrowseTest, ACustomerChangedWhileListedIsReadAsItIsNow) {
  Fill({Customer(1, "ALBA"), Customer(2, "BOSCH"), Customer(3, "CASAS")});
  // Another workstation renames BOSCH while the list shows it.
  AtEachSnap([this] {
    testing::RecordFileClient other(path_);
    ASSERT_EQ(other.Call(kOpGetEqual, 0, NumberKey(2)), kStatusOk);
    ASSERT_EQ(other.Update(Customer(2, "ZUBIRI", "NOU")), kStatusOk);
  });
  Snap();
  Down();
  Enter();
  EXPECT_EQ(Run(), 0);
  const std::string chosen(area_, sizeof area_);
  EXPECT_EQ(NameOf(chosen), "ZUBIRI");
  EXPECT_EQ(chosen.substr(16, 3), "NOU");
}

TEST_P(RecordFileBrowseTest, ACustomerDeletedWhileListedIsNotRead) {
  Fill({Customer(1, "ALBA"), Customer(2, "BOSCH"), Customer(3, "CASAS")});
  AtEachSnap([this] {
    testing::RecordFileClient other(path_);
    ASSERT_EQ(other.Call(kOpGetEqual, 0, NumberKey(2)), kStatusOk);
    ASSERT_EQ(other.CallWith(kOpDelete), kStatusOk);
  });
  Snap();
  Down();
  Enter();
  // The record manager's answer for a position that holds no record any more.
  EXPECT_EQ(Run(), kStatusInvalidPosition);
}

}  // namespace
}  // namespace kel
