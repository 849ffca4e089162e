// Browse lists over a record file, read through an in-memory keyed store in place of the
// record-file layer: key bounds, left-out records, lazy fetching and the chosen record.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "console/browse_fixture.h"
#include "console/browse_rows.h"

namespace kel {
namespace {

using testing::ScreenTest;

// Records in key order, each with its position in the file; a current record, and the lock
// modes saved by "+d".
struct KeyedStore {
  struct Record {
    std::int32_t position;
    std::string line;
  };
  std::map<std::string, Record> records;
  std::map<std::string, Record>::iterator current = records.end();
  char lock_mode = 'a';
  std::vector<char> saved;  // lock modes saved by "+d"
  std::vector<std::string> calls;
  int reads = 0;                   // records read by key

  std::string CurrentKey() const { return current == records.end() ? "" : current->first; }
  static std::string Stored(std::string_view text) {
    std::string stored(text);
    for (char& c : stored) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return stored;
  }
  BrowseRecordOperations Operations() {
    BrowseRecordOperations o;
    o.keep_state = [this](std::int16_t file, std::string_view command) {
      calls.push_back(std::to_string(file) + " " + std::string(command));
      if (command == "+d") {
        saved.push_back(lock_mode);
        lock_mode = 'd';
      } else if (!saved.empty()) {
        lock_mode = saved.back();
        saved.pop_back();
      }
    };
    o.find_at_least = [this](std::int16_t, std::int16_t, std::string_view text) {
      ++reads;
      current = records.lower_bound(std::string(text));
      return current == records.end() ? 4 : 0;
    };
    o.read_next = [this](std::int16_t, std::int16_t) {
      if (current == records.end()) return 9;
      ++current;
      ++reads;
      return current == records.end() ? 9 : 0;
    };
    o.current_key = [this](std::int16_t, std::int16_t) { return CurrentKey(); };
    o.stored_key = [](std::int16_t, std::int16_t, std::string_view text) { return Stored(text); };
    o.current_position = [this](std::int16_t) {
      return current == records.end() ? 0 : current->second.position;
    };
    o.read_at = [this](std::int16_t, std::int32_t position) {
      for (auto it = records.begin(); it != records.end(); ++it) {
        if (it->second.position == position) {
          current = it;
          return it->second.line == "LOCKED" ? 85 : 0;
        }
      }
      return 8;
    };
    return o;
  }
};

class RecordBrowseTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    console().SetSize(16, 40, false);
    // Browse 1 over file 7 by key 2, 10 rows inside its frame.
    Load({"0", "0", "1", "7", "2", "2", "3", "13", "30", "0", "RECORDS", "0"});
    InstallBrowseRecords(store_.Operations());
    ScreenHooks hooks;
    hooks.prepare_browse = [this](std::int16_t, std::string& low, std::string& high) {
      low = low_;
      high = high_;
      return std::int16_t{0};
    };
    hooks.browse_line = [this](std::int16_t browse) {
      ++lines_;
      return browse == 1 && store_.current != store_.records.end()
                 ? store_.current->second.line : std::string("wrong");
    };
    InstallScreenHooks(hooks);
  }
  void Add(const std::string& key, const std::string& line) {
    const auto position = static_cast<std::int32_t>(100 + store_.records.size());
    store_.records[key] = {position, line};
  }
  std::int16_t Run() {
    std::int16_t result = 99;
    Browse(1, result);
    return result;
  }
  std::string PageText(const testing::Shot& shot) { return Rows(shot.screen, 3, 12); }

  KeyedStore store_;
  std::string low_, high_;
  int lines_ = 0;
};

TEST_F(RecordBrowseTest, RecordsBetweenTheBoundsInKeyOrder) {
  for (std::string key : {"A1", "A2", "B1", "B2", "B3", "BB", "C1"}) Add(key, "rec " + key);
  low_ = "B";
  high_ = "b";  // compared in the key's stored form
  Snap();
  Down();
  Enter();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Rows(Shots()[0].screen, 2, 7), "  ╔RECORDS═══════════════════╗\n"
                                           "  ║rec B1                    ║\n"
                                           "  ║rec B2                    ║\n"
                                           "  ║rec B3                    ║\n"
                                           "  ║rec BB                    ║\n"
                                           "  ║                          ║\n");
  // The chosen record is the current one, and the lock mode is back as it was.
  EXPECT_EQ(store_.CurrentKey(), "B2");
  EXPECT_EQ(store_.calls, (std::vector<std::string>{"7 +d", "7 -"}));
  EXPECT_EQ(store_.lock_mode, 'a');
  EXPECT_FALSE(temp_.Exists(kBrowseCacheFile));
}

TEST_F(RecordBrowseTest, RecordsWithoutADisplayLineAreLeftOut) {
  Add("1", "first");
  Add("2", "    ");
  Add("3", "third   ");
  Add("4", "");
  Snap();
  Down();
  Down();  // the last record shows nothing: the list ends at "third"
  Snap();
  Enter();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(store_.CurrentKey(), "3");
  ASSERT_EQ(Shots().size(), 2u);
  EXPECT_EQ(Rows(Shots()[0].screen, 3, 5), "  ║first                     ║\n"
                                           "  ║third                     ║\n"
                                           "  ║                          ║\n");
  EXPECT_EQ(Shots()[1].highlighted_row, 4);
}

TEST_F(RecordBrowseTest, RowsAreReadOnlyAsThePagesNeedThem) {
  for (int i = 0; i < 1000; ++i) Add("K" + std::to_string(10000 + i), "line " + std::to_string(i));
  Snap();
  PgDn();
  Snap();
  PgUp();
  Snap();
  Enter();
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shots().size(), 3u);
  EXPECT_EQ(store_.CurrentKey(), "K10000");
  // A page of 10 rows and the one that tells whether a row follows it, twice.
  EXPECT_LE(lines_, 22);
  EXPECT_LE(store_.reads, 23);
  EXPECT_NE(Shots()[1].screen.find("line 19"), std::string::npos);
  EXPECT_EQ(Shots()[2].screen, Shots()[0].screen);
}

TEST_F(RecordBrowseTest, AnEscWaitingStopsTheReading) {
  for (int i = 0; i < 1000; ++i) Add("K" + std::to_string(10000 + i), "line " + std::to_string(i));
  Esc();
  EXPECT_EQ(Run(), -1);
  // The first record was read; the Esc then ended the reading and the list.
  EXPECT_EQ(lines_, 1);
  EXPECT_EQ(console().PendingInput(), 0u);
}

TEST_F(RecordBrowseTest, AnEmptyRangeShowsABlankRowAndChoosesNothing) {
  Add("A", "a");
  low_ = "B";
  Snap();
  Enter();
  EXPECT_EQ(Run(), -1);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Shots()[0].highlighted_row, 3);
  EXPECT_EQ(Rows(Shots()[0].screen, 3, 3), "  ║                          ║\n");
}

TEST_F(RecordBrowseTest, TheStatusOfReadingTheChosenRecordIsTheResult) {
  Add("1", "LOCKED");
  Enter();
  EXPECT_EQ(Run(), 85);
}

TEST_F(RecordBrowseTest, RowsPreparedForARecordListAreDropped) {
  Add("1", "record");
  ScreenHooks hooks = InstalledScreenHooks();
  hooks.prepare_browse = [](std::int16_t, std::string&, std::string&) {
    AppendBrowseRow(5, "prepared");
    return std::int16_t{0};
  };
  InstallScreenHooks(hooks);
  Snap();
  Esc();
  EXPECT_EQ(Run(), -1);
  ASSERT_EQ(Shots().size(), 1u);
  EXPECT_EQ(Shots()[0].screen.find("prepared"), std::string::npos);
  EXPECT_NE(Shots()[0].screen.find("record"), std::string::npos);
}

TEST_F(RecordBrowseTest, WithoutTheRecordLayerNothingIsShown) {
  Add("1", "record");
  ResetBrowseRecords();
  Enter();
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_EQ(lines_, 0);
}

}  // namespace
}  // namespace kel
