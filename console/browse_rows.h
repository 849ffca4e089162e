// The row cache of a browse list: the file "Browse.tmp" in the session's TempDir, holding the
// list's entries as they are first needed, in list order. Each row is
//
//   offset 0  4 bytes  1-based file position of the previous row, 0 for the first row
//   offset 4  4 bytes  row value: the BrowseList number, or the record's position
//   offset 8  2 bytes  length L of the text
//   offset 10 L bytes  the text
//
// all numbers little-endian and signed. Moving down reads the rows in file order; moving up
// follows the previous-row positions. The file exists only while a browse is open; each
// browse creates it afresh, so that nothing left by an earlier run (rows, or a link planted
// at its name) reaches the new list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kel {

// Name of the row cache inside the session's TempDir.
inline constexpr const char* kBrowseCacheFile = "Browse.tmp";
// Bytes of a row before its text.
inline constexpr int kBrowseRowHeader = 10;

// One row of the cache.
struct BrowseRow {
  std::int32_t previous = 0;  // position of the previous row, 0 for the first
  std::int32_t value = 0;     // BrowseList number or record position
  std::string text;
};

// An open row cache. Appended rows are collected and written in one piece before the next
// read, so that a list of many entries costs a few writes, not one a row.
struct RowCache {
  platform::FileHandle file = platform::kNoFile;
  std::int32_t end = 1;       // position just after the last row
  std::int32_t last_row = 0;  // position of the last row, 0 while there is none
  std::string unwritten;      // rows appended and not yet written, ending at end
};

// Path of the row cache.
std::string BrowseCachePath();

// Removes whatever has the cache's name and creates the file anew (never through a link);
// false when it cannot be created.
bool OpenRowCache(RowCache& cache);
// Drops every row.
bool EmptyRowCache(RowCache& cache);
// Appends a row after the last one; false when it could not be written whole.
bool AppendRow(RowCache& cache, std::int32_t value, std::string_view text);
// Writes the rows appended since the last write; false when they could not be written whole
// (they are then dropped, and the cache ends with the rows written before).
bool WriteAppendedRows(RowCache& cache);
// Reads the row at a position; false when no whole row starts there.
bool ReadRow(RowCache& cache, std::int32_t position, BrowseRow& row);
// Position of the row after the one at a position that holds this row.
std::int32_t PositionAfter(std::int32_t position, const BrowseRow& row);
// Closes the cache and deletes the file.
void CloseRowCache(RowCache& cache);

// The cache that the application's PrepareBrowse fills (nullptr outside it).
RowCache* PreparedRowCache();
void SetPreparedRowCache(RowCache* cache);

// For the application's PrepareBrowse: appends one entry to the memory list being prepared;
// false outside PrepareBrowse or when the row could not be written.
bool AppendBrowseRow(std::int32_t value, std::string_view text);
// For the application's PrepareBrowse: one row for every non-empty BrowseList text, in number
// order, with the text's number as its value; false when a row could not be written.
bool AppendBrowseListRows();

}  // namespace kel
