// The record-file layer against a scripted record manager that records every call and answers
// from a script.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "console/console_fixture.h"
#include "console/window.h"
#include "platform/codepage.h"
#include "records/file_definition.h"
#include "records/file_table.h"
#include "records/record_access.h"
#include "records/record_manager.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

// What the layer passed on one call.
struct Call {
  int operation;
  std::string data;  // the data buffer as passed (1,536 bytes)
  std::int32_t data_length;
  std::string key;  // the key buffer as passed (256 bytes)
  int key_length;
  int key_number;
};

// One answer: a status, the data returned and the key buffer's first bytes afterwards.
struct Answer {
  std::int16_t status = 0;
  std::string data;
  std::string key;
  std::function<void()> during = nullptr;  // runs inside the call (to look at the screen)
};

class RecordLayerTest : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    ResetFileTable();
    ResetRecordAccess();
    InstallRecordManager([this](std::int16_t operation, char* block, char* data, std::int32_t& length, char* key,
                                std::int16_t key_length, std::int16_t key_number) -> std::int16_t {
      (void)block;
      calls_.push_back({operation, data ? std::string(data, kDataBufferSize) : std::string(), length,
                        std::string(key, kLayerKeyBufferSize), key_length, key_number});
      if (operation == kOpStat) {
        const std::size_t n = std::min<std::size_t>(status_bytes_.size(), static_cast<std::size_t>(length));
        std::memcpy(data, status_bytes_.data(), n);
        length = static_cast<std::int32_t>(n);
        return 0;
      }
      if (answers_.empty()) return 9;
      Answer answer = answers_.front();
      answers_.pop_front();
      if (answer.during) answer.during();
      if (data) std::memcpy(data, answer.data.data(), answer.data.size());
      length = static_cast<std::int32_t>(answer.data.size());
      std::memcpy(key, answer.key.data(), answer.key.size());
      return answer.status;
    });
    InstallLockPause([this](int milliseconds) { pauses_.push_back(milliseconds); });
    // Key 0: 4-byte binary number then 6 alternate bytes; key 1: 3 plain bytes.
    FileDefinition definition;
    definition.record_length = 20;
    definition.page_size = 512;
    definition.keys = {{{1, 4, kSegmentBinary | kSegmentContinues}, {5, 6, kSegmentAlternate}}, {{11, 3, 0}}};
    definition.alternate.assign(kAlternateSize, '\0');
    definition.alternate[0] = static_cast<char>(kAlternateSignature);
    for (int b = 0; b < 256; ++b) definition.alternate[9 + b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    status_bytes_ = FileStatusBytes(definition, 0);
  }
  void TearDown() override {
    InstallRecordManager(nullptr);
    ResetRecordAccess();
    ResetFileTable();
    ConsoleTest::TearDown();
  }

  // Puts a file in a slot as the file-open operation would.
  void Fill(int slot, std::int16_t handle, std::int16_t key_number = 0, std::int16_t lock_mode = kLockNone) {
    FileSlot& file = FileTableSlot(slot);
    file.handle = handle;
    file.record_area = area_;
    file.record_length = sizeof area_;
    file.key_number = key_number;
    file.key_value.assign(key_number == 0 ? 10 : 3, '\0');
    file.lock_mode = lock_mode;
  }

  // The calls other than the file status.
  std::vector<Call> Reads() const {
    std::vector<Call> reads;
    for (const Call& call : calls_)
      if (call.operation != kOpStat) reads.push_back(call);
    return reads;
  }

  char area_[20] = {};
  std::vector<Call> calls_;
  std::deque<Answer> answers_;
  std::vector<int> pauses_;
  std::string status_bytes_;
};

// ---- The file table -------------------------------------------------------------------------

TEST_F(RecordLayerTest, FindFileSlotFindsTheHandleOrTheHighestFreeSlot) {
  EXPECT_EQ(FindFileSlot(7), -40);
  Fill(3, 7);
  Fill(40, 8);
  EXPECT_EQ(FindFileSlot(7), 3);
  EXPECT_EQ(FindFileSlot(8), 40);
  EXPECT_EQ(FindFileSlot(9), -39);
  // Handle 0 is what a free slot holds; it never names a file.
  EXPECT_EQ(FindFileSlot(0), -39);
}

TEST_F(RecordLayerTest, FindFileSlotOnAFullTableWithoutTheHandleIsZero) {
  for (int slot = 1; slot <= kFileSlots; ++slot) Fill(slot, static_cast<std::int16_t>(100 + slot));
  EXPECT_EQ(FindFileSlot(5), 0);
  EXPECT_EQ(FindFileSlot(140), 40);
}

TEST_F(RecordLayerTest, SetLockModeSavesAndRestoresPerSlot) {
  Fill(2, 5, 0, kLockNoWait);
  Fill(4, 6, 0, kLockNone);
  std::int16_t status = 77;
  SetLockMode(5, "+a", status);
  EXPECT_EQ(FileTableSlot(2).lock_mode, kLockWait);
  SetLockMode(6, "+B", status);
  EXPECT_EQ(FileTableSlot(4).lock_mode, kLockNoWait);
  SetLockMode(5, "-", status);
  EXPECT_EQ(FileTableSlot(2).lock_mode, kLockNoWait);
  EXPECT_EQ(LockModeStack(), std::string("\x04\x00", 2));
  // Nothing saved for the slot any more: "-" changes nothing.
  SetLockMode(5, "d-", status);
  EXPECT_EQ(FileTableSlot(2).lock_mode, kLockNone);
  SetLockMode(6, "x-", status);
  EXPECT_EQ(FileTableSlot(4).lock_mode, kLockNone);
  EXPECT_EQ(status, 77);
  SetLockMode(9, "a", status);
  EXPECT_EQ(status, kStatusFileNotOpen);
}

TEST_F(RecordLayerTest, OpenFillsASlotAndCloseFreesIt) {
  answers_.push_back({});  // open
  EXPECT_EQ(OpenRecordFile(12, "DADES\\CLIENTS.DAT", area_, sizeof area_, 1, kLockWait), kStatusOk);
  ASSERT_EQ(FindFileSlot(12), 40);
  const FileSlot& file = FileTableSlot(40);
  EXPECT_EQ(file.key_value, std::string(3, '\0'));
  EXPECT_EQ(file.lock_mode, kLockWait);
  EXPECT_EQ(calls_.front().operation, kOpOpen);
  EXPECT_EQ(calls_.front().key.substr(0, calls_.front().key_length), "DADES\\CLIENTS.DAT");
  EXPECT_EQ(OpenRecordFile(12, "X", area_, sizeof area_, 0), kStatusInvalidOperation);
  answers_.push_back({});  // open
  answers_.push_back({});  // close of the refused file
  EXPECT_EQ(OpenRecordFile(13, "Y", area_, sizeof area_, 5), kStatusInvalidKeyNumber);
  EXPECT_EQ(FindFileSlot(13), -39);
  answers_.push_back({});  // close
  EXPECT_EQ(CloseRecordFile(12), kStatusOk);
  EXPECT_EQ(calls_.back().operation, kOpClose);
  EXPECT_EQ(FindFileSlot(12), -40);
  EXPECT_EQ(CloseRecordFile(12), kStatusFileNotOpen);
}

// ---- Moving ---------------------------------------------------------------------------------

TEST_F(RecordLayerTest, MoveThreeReadsTwiceThenOnceThroughTheLockWait) {
  Fill(1, 5, 1, kLockWait);
  answers_.push_back({0, "skip1", "AAA"});
  answers_.push_back({22, "skip2", std::string("B\0B", 3)});
  answers_.push_back({0, "third record", "CCC"});
  std::int16_t status = 99;
  MoveRecords(5, 3, status);
  EXPECT_EQ(status, 0);
  const auto reads = Reads();
  ASSERT_EQ(reads.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(reads[i].operation, kOpGetNext);
    EXPECT_EQ(reads[i].key_length, 0);
    EXPECT_EQ(reads[i].data_length, kDataBufferSize);
    EXPECT_EQ(reads[i].key_number, 1);
  }
  EXPECT_EQ(reads[1].key, std::string(256, '\0'));  // the plain reads pass an empty key buffer
  EXPECT_EQ(reads[2].operation, kOpGetNext + kLockBias);
  EXPECT_EQ(reads[2].data_length, 20);
  EXPECT_EQ(reads[2].key.substr(0, 3), std::string("B\0B", 3));
  EXPECT_EQ(std::string(area_, 12), "third record");
  EXPECT_EQ(FileTableSlot(1).key_value, "CCC");
}

TEST_F(RecordLayerTest, MoveBackOneIsOnlyTheLockWaitingRead) {
  Fill(1, 5, 1, kLockNone);
  answers_.push_back({0, "prev", "PPP"});
  std::int16_t status = 99;
  MoveRecords(5, -1, status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(Reads().size(), 1u);
  EXPECT_EQ(Reads()[0].operation, kOpGetPrevious);
  EXPECT_EQ(Reads()[0].key_length, 3);
}

TEST_F(RecordLayerTest, MoveStopsAtTheFirstFailureAndZeroDoesNothing) {
  Fill(1, 5, 1);
  answers_.push_back({9, "", ""});
  std::int16_t status = 99;
  MoveRecords(5, 4, status);
  EXPECT_EQ(status, 9);
  EXPECT_EQ(Reads().size(), 1u);
  MoveRecords(5, 0, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Reads().size(), 1u);
  MoveRecords(6, 1, status);
  EXPECT_EQ(status, kStatusFileNotOpen);
}

// ---- Key buffers ----------------------------------------------------------------------------

TEST_F(RecordLayerTest, KeyBufferPaddingFollowsTheOperation) {
  Fill(1, 5, 1, kLockNone);
  FileTableSlot(1).key_value = "abc";
  std::int16_t status = 0;
  for (int operation : {8, 9, 10, 11, 5, 6}) {
    answers_.push_back({0, "", "abc"});
    CallWithLockWait(1, static_cast<std::int16_t>(operation), status);
  }
  const auto reads = Reads();
  EXPECT_EQ(reads[0].key, "abc" + std::string(253, '\0'));
  EXPECT_EQ(reads[1].key, "abc" + std::string(253, '\0'));
  EXPECT_EQ(reads[2].key, "abc" + std::string(253, '\xFF'));
  EXPECT_EQ(reads[3].key, "abc" + std::string(253, '\xFF'));
  EXPECT_EQ(reads[4].key, "abc" + std::string(253, ' '));
  EXPECT_EQ(reads[5].key, "abc" + std::string(253, ' '));
  // Under a lock the code carries the bias, so even a greater-or-equal read pads with blanks.
  FileTableSlot(1).lock_mode = kLockNoWait;
  answers_.push_back({0, "", "abc"});
  CallWithLockWait(1, 9, status);
  EXPECT_EQ(Reads().back().operation, 209);
  EXPECT_EQ(Reads().back().key, "abc" + std::string(253, ' '));
}

TEST_F(RecordLayerTest, TheDataBufferIsTheRecordAreaFilledWithBlanks) {
  Fill(1, 5, 1);
  std::memcpy(area_, "12345678901234567890", 20);
  answers_.push_back({0, "short", "k"});
  std::int16_t status = 0;
  CallWithLockWait(1, 5, status);
  EXPECT_EQ(Reads()[0].data, "12345678901234567890" + std::string(kDataBufferSize - 20, ' '));
  EXPECT_EQ(Reads()[0].data_length, 20);
  // Only the returned length comes back into the area.
  EXPECT_EQ(std::string(area_, 20), "short678901234567890");
}

// ---- Waiting for a locked record ------------------------------------------------------------

TEST_F(RecordLayerTest, ARecordLockedTwiceShowsTheNoticeOnceAndClosesIt) {
  PaintMixedScreen();
  const auto before = Cells();
  Fill(1, 5, 0, kLockWait);
  std::vector<std::string> row24;  // the notice's text row
  std::vector<int> windows;
  std::vector<int> flushes;
  auto look = [&] {
    row24.push_back(console().RowText(22));  // the box centred around row 24
    windows.push_back(CurrentWindow().open_count);
    flushes.push_back(console().FlushCount());
  };
  answers_.push_back({84, "", "", look});
  answers_.push_back({84, "", "", look});
  answers_.push_back({0, "record", "", look});
  std::int16_t status = 0;
  CallWithLockWait(1, kOpGetEqual, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(pauses_.size(), 2u);
  for (int pause : pauses_) {
    EXPECT_GE(pause, 1);
    EXPECT_LE(pause, 10001);
  }
  ASSERT_EQ(windows.size(), 3u);
  EXPECT_EQ(windows, (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(row24[0].find("BLOQUEJAT"), std::string::npos);
  EXPECT_NE(row24[1].find("FITXER BLOQUEJAT. ESPEREU UN MOMENT."), std::string::npos);
  // A terminal shows the notice while the wait sleeps, and its closing once the record is read.
  EXPECT_GT(flushes[1], flushes[0]);
  EXPECT_GT(console().FlushCount(), flushes[2]);
  EXPECT_EQ(Reads()[0].operation, kOpGetEqual + kLockBias);
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(CurrentWindow().open_count, 0);
}

TEST_F(RecordLayerTest, TheNoticeSpeaksTheSessionLanguage) {
  const std::pair<std::string, std::string> languages[] = {
      {"SPA", "FICHERO BLOQUEADO. ESPERE UN MOMENTO."},
      {"GLG", "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO."},
      {"OCI", Cp850("FICHÈR BLOQUEJAT. ESPERATZ UN MOMENT.")},
      {"   ", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
  };
  Fill(1, 5, 0, kLockWait);
  for (const auto& [language, text] : languages) {
    SessionToFill().LanguageCode = language;
    std::string shown;
    answers_.push_back({85, "", ""});
    answers_.push_back({0, "", "", [&] { shown = console().RowBytes(22); }});
    std::int16_t status = 0;
    CallWithLockWait(1, kOpGetEqual, status);
    EXPECT_NE(shown.find(text), std::string::npos) << language;
    EXPECT_EQ(shown.find("\xD4"), language == "OCI" ? shown.find("R BLOQUEJAT") - 1 : std::string::npos);
  }
}

TEST_F(RecordLayerTest, WithoutTheWaitModeALockedRecordIsTheCallersAnswer) {
  for (std::int16_t mode : {kLockNone, kLockNoWait}) {
    Fill(1, 5, 0, mode);
    answers_.push_back({84, "", ""});
    std::int16_t status = 0;
    CallWithLockWait(1, kOpGetNext, status);
    EXPECT_EQ(status, 84);
  }
  EXPECT_TRUE(pauses_.empty());
  EXPECT_EQ(Reads().size(), 2u);
}

// ---- Seeking --------------------------------------------------------------------------------

TEST_F(RecordLayerTest, SeekUsesTheKeysLengthAndTheDirection) {
  Fill(1, 5, 0);
  const std::pair<int, int> directions[] = {{0, 5}, {3, 9}, {-1, 11}};
  for (const auto& [direction, operation] : directions) {
    answers_.push_back({22, "rec", "9876543210"});
    std::int16_t status = 99;
    SeekKey(5, 1, "XYZW", static_cast<std::int16_t>(direction), status);
    EXPECT_EQ(status, 0);  // a record longer than the buffer is still read
    EXPECT_EQ(Reads().back().operation, operation);
    EXPECT_EQ(Reads().back().key_number, 1);
    EXPECT_EQ(Reads().back().key_length, 3);
    EXPECT_EQ(Reads().back().key.substr(0, 3), "XYZ");  // only the key's length of the value
  }
  EXPECT_EQ(FileTableSlot(1).key_value, "987");
  answers_.push_back({4, "", ""});
  std::int16_t status = 0;
  SeekKey(5, 0, "ab", 0, status);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(Reads().back().key.substr(0, 10), std::string("ab\0\0\0\0\0\0\0\0", 10));
  const std::size_t before = Reads().size();
  SeekKey(5, 2, "ab", 0, status);
  EXPECT_EQ(status, kStatusNoSuchKey);
  SeekKey(6, 0, "ab", 0, status);
  EXPECT_EQ(status, kStatusFileNotOpen);
  EXPECT_EQ(Reads().size(), before);
}

// ---- File status, key lengths and collation -------------------------------------------------

TEST_F(RecordLayerTest, KeyInfoReadsTheLengthsFromTheFileStatus) {
  Fill(1, 5);
  std::int32_t key_length = -1, record_length = -1;
  KeyInfo(5, 0, key_length, record_length);
  EXPECT_EQ(key_length, 10);
  EXPECT_EQ(record_length, 20);
  ASSERT_EQ(calls_.size(), 2u);
  EXPECT_EQ(calls_[0].data, std::string(kDataBufferSize, ' '));
  EXPECT_EQ(calls_[0].key_length, 255);
  EXPECT_EQ(calls_[1].data.substr(0, 512), std::string(512, '\0'));
  EXPECT_EQ(calls_[1].data.substr(512, 4), "    ");
  KeyInfo(5, 1, key_length, record_length);
  EXPECT_EQ(key_length, 3);
  KeyInfo(5, 2, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 20);
  KeyInfo(6, 0, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 0);
}

TEST_F(RecordLayerTest, CollationFormReversesBinaryAndTranslatesAlternateSegments) {
  Fill(1, 5, 0);
  EXPECT_EQ(KeyCollationForm(std::string("\x01\x02\x03\x04" "abC-z", 9), 5), std::string("\x04\x03\x02\x01" "ABC-Z", 9));
  // A short value is filled with NUL bytes for the binary segment; the rest stops at its end.
  EXPECT_EQ(KeyCollationForm("\x07", 5), std::string("\0\0\0\x07", 4));
  FileTableSlot(1).key_value = std::string("\x10\x00\x00\x00" "smith!", 10);
  EXPECT_EQ(CurrentKeyCollationForm(5), std::string("\x00\x00\x00\x10" "SMITH!", 10));
  FileTableSlot(1).key_number = 1;
  EXPECT_EQ(KeyCollationForm("abc", 5), "abc");
  EXPECT_EQ(KeyCollationForm("abc", 6), "abc");
  EXPECT_EQ(CurrentKeyCollationForm(6), "");
}

TEST_F(RecordLayerTest, AFailedFileStatusGivesNoLengths) {
  Fill(1, 5);
  InstallRecordManager([](std::int16_t, char*, char*, std::int32_t& length, char*, std::int16_t, std::int16_t) {
    length = 0;
    return std::int16_t{kStatusIoError};
  });
  std::int32_t key_length = -1, record_length = -1;
  KeyInfo(5, 0, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 0);
}

// ---- Physical positions ---------------------------------------------------------------------

TEST_F(RecordLayerTest, RecordPositionGetsAndReadsPhysicalPositions) {
  Fill(1, 5, 1, kLockWait);
  answers_.push_back({0, std::string("\x78\x56\x34\x12", 4), ""});
  EXPECT_EQ(RecordPosition(5, 0), 0x12345678);
  EXPECT_EQ(Reads()[0].operation, kOpGetPosition);
  EXPECT_EQ(Reads()[0].data.substr(0, 4), std::string(4, '\0'));
  EXPECT_EQ(Reads()[0].key_number, 0);
  answers_.push_back({8, "", ""});
  EXPECT_EQ(RecordPosition(5, 0), 0);
  answers_.push_back({22, "the record at 300", "QQQ"});
  EXPECT_EQ(RecordPosition(5, 300), 0);
  EXPECT_EQ(Reads()[2].operation, kOpGetDirect);  // no lock bias, no wait
  EXPECT_EQ(Reads()[2].data.substr(0, 4), std::string("\x2C\x01\0\0", 4));
  EXPECT_EQ(Reads()[2].key_number, 1);
  EXPECT_EQ(std::string(area_, 17), "the record at 300");
  EXPECT_EQ(FileTableSlot(1).key_value, "QQQ");
  answers_.push_back({43, "", ""});
  EXPECT_EQ(RecordPosition(5, 301), 43);
  EXPECT_EQ(RecordPosition(6, 0), 0);
}

}  // namespace
}  // namespace kel
