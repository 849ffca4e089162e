// The window stack: each OpenWindow appends a record with the covered cells to "WinPush.tmp",
// each CloseWindow takes the last record off and puts its cells back.
//
// The file is shared with any program of the suite started from inside a window, so its
// layout is fixed: a 4-byte little-endian pointer to the position after the last record
// (positions count from 1), then records of ten 2-digit fields (cursor row and column, the
// previous window, the saved rectangle), the cells as character/attribute byte pairs, and the
// record's length in 5 digits.
#include <algorithm>
#include <cstdint>
#include <string>

#include "console/window.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/working_files.h"
#include "startup/session_environment.h"
#include "textfmt/zero_pad.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

namespace fs = platform;

constexpr std::int64_t kFirstRecordPosition = 5;  // just after the pointer
constexpr std::int64_t kEmptyFileLimit = 3;        // a file this short holds no stack
constexpr int kFieldWidth = 2;
constexpr int kFieldCount = 10;
constexpr int kHeaderLength = kFieldWidth * kFieldCount;
constexpr int kLengthWidth = 5;
constexpr int kFixedRecordLength = kHeaderLength + kLengthWidth;

struct WindowStackState {
  WindowState current;
  std::string claimed_path;  // the stack file this process claims while its windows are open
};

WindowStackState& State() {
  static WindowStackState state;
  return state;
}

int CellCount(int top, int left, int bottom, int right) {
  if (bottom < top || right < left) return 0;
  return (bottom - top + 1) * (right - left + 1);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

bool ReadAt(fs::FileHandle file, std::int64_t offset, std::size_t size, std::string& out) {
  out.assign(size, '\0');
  if (!fs::SeekFile(file, offset)) return false;
  std::size_t done = 0;
  while (done < size) {
    std::int64_t got = fs::ReadFromFile(file, out.data() + done, size - done);
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteAt(fs::FileHandle file, std::int64_t offset, std::string_view bytes) {
  return fs::SeekFile(file, offset) && fs::WriteToFile(file, bytes.data(), bytes.size());
}

std::string EncodePointer(std::int64_t position) {
  auto value = static_cast<std::uint32_t>(static_cast<std::int32_t>(position));
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] =
      static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

std::int64_t DecodePointer(std::string_view bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
  }
  return static_cast<std::int32_t>(value);
}

// Value of a field made of decimal digits only; -1 for anything else.
int ParseDigits(std::string_view field) {
  if (field.empty()) return -1;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The record of the window being closed, as far as it can be trusted.
struct SavedWindow {
  int fields[kFieldCount] = {};
  bool valid = false;  // all ten fields are digits and the cells fill the saved rectangle
  std::string cells;
};

enum FieldIndex {
  kCursorRow, kCursorColumn,
  kPreviousTop, kPreviousLeft, kPreviousBottom, kPreviousRight,
  kSavedTop, kSavedLeft, kSavedBottom, kSavedRight,
};

SavedWindow ParseRecord(std::string_view header, std::string cells) {
  SavedWindow saved;
  for (int i = 0; i < kFieldCount; ++i) {
    saved.fields[i] = ParseDigits(header.substr(static_cast<std::size_t>(i * kFieldWidth),
                                                kFieldWidth));
    if (saved.fields[i] < 0) return saved;
  }
  const int* f = saved.fields;
  // OpenWindow never saves a rectangle that starts outside the screen.
  bool placed = f[kSavedTop] >= 1 && f[kSavedLeft] >= 1 && f[kSavedBottom] >= 1 &&
                f[kSavedRight] >= 1;
  std::size_t expected =
      2 * static_cast<std::size_t>(CellCount(f[kSavedTop], f[kSavedLeft], f[kSavedBottom],
                                             f[kSavedRight]));
  saved.valid = placed && cells.size() == expected;
  saved.cells = std::move(cells);
  return saved;
}

// Writes the saved cells back, all of them: a console that shrank since keeps the hidden
// cells in its buffer and shows them when it grows again. Cells the buffer never had (a
// record of a larger console) are left out, one by one.
void RestoreCells(const SavedWindow& saved) {
  platform::ConsoleDevice& console = platform::Console();
  const int* f = saved.fields;
  std::size_t at = 0;
  for (int row = f[kSavedTop]; row <= f[kSavedBottom]; ++row) {
    for (int column = f[kSavedLeft]; column <= f[kSavedRight]; ++column, at += 2) {
      const platform::Cell cell{static_cast<unsigned char>(saved.cells[at]),
                                static_cast<unsigned char>(saved.cells[at + 1])};
      console.WriteCells(row, column, &cell, 1);
    }
  }
  // The colour is left as the last restored cell's, as callers expect to select theirs again.
  if (!saved.cells.empty()) {
    console.SetTextAttribute(static_cast<std::uint8_t>(saved.cells.back()));
  }
}

// Gives up this process's claim on the stack file (its windows are closed, or the file goes).
void ReleaseStack() {
  WindowStackState& state = State();
  if (state.claimed_path.empty()) return;
  fs::ReleaseWorkingFile(state.claimed_path);
  state.claimed_path.clear();
}

// Removes the stack file, which no window of this process needs any more.
void RemoveStack(const std::string& path) {
  ReleaseStack();
  fs::RemoveFile(path);
}

}  // namespace

const WindowState& CurrentWindow() { return State().current; }

std::string WindowStackPath() { return Session().TempDir + kWindowStackFile; }

void ResetWindowState() {
  ReleaseStack();
  State() = WindowStackState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetWindowState);
}  // namespace


void OpenWindow(int top, int left, int bottom, int right) {
  int rows = ScreenRows();
  int columns = ScreenColumns();
  if (!InRange(top, 1, rows) || !InRange(left, 1, columns) || !InRange(bottom, 1, rows) ||
      !InRange(right, 1, columns)) {
    return;
  }
  std::string path = WindowStackPath();
  // The first window of this process (a failed claim must not make every window a first).
  const bool first = State().current.open_count <= 0;
  if (first) {
    ReleaseStack();
    // A stack that no running process claims was left by one that ended (killed, or its
    // terminal lost): its windows are not on this screen, and it is not built on.
    if (!fs::WorkingFileInUse(path)) fs::RemoveFile(path);
  }
  fs::FileHandle file = fs::OpenFileHandle(path, fs::OpenMode::OpenOrCreate);
  if (file == fs::kNoFile) return;

  std::int64_t size = fs::FileSize(file);
  std::int64_t position = kFirstRecordPosition;
  std::string pointer;
  if (size > kEmptyFileLimit && ReadAt(file, 0, 4, pointer)) {
    std::int64_t top_pointer = DecodePointer(pointer);
    // A pointer that leads outside the file belongs to a damaged stack: start it again.
    if (top_pointer >= kFirstRecordPosition && top_pointer - 1 <= size) position = top_pointer;
  }

  platform::ConsoleDevice& console = platform::Console();
  const auto [cursor_row, cursor_column] = console.CursorPosition();
  const WindowState& previous = State().current;
  std::string record;
  for (int value : {cursor_row, cursor_column, int{previous.top}, int{previous.left},
                    int{previous.bottom}, int{previous.right}, top, left, bottom, right}) {
    record += ZeroPad(value, kFieldWidth);
  }
  int cells = CellCount(top, left, bottom, right);
  record.reserve(record.size() + 2 * static_cast<std::size_t>(cells) + kLengthWidth);
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      platform::Cell cell = console.ReadCell(row, column);
      record += static_cast<char>(cell.character);
      record += static_cast<char>(cell.attribute);
    }
  }
  int length = kFixedRecordLength + 2 * cells;
  record += ZeroPad(length, kLengthWidth);

  bool saved = WriteAt(file, position - 1, record) &&
               WriteAt(file, 0, EncodePointer(position + length));
  fs::CloseFile(file);
  if (!saved) return;
  if (first) {
    // Removed whatever way the process ends; on top of a caller's stack (a program started
    // from inside a window), cut back to the caller's records instead.
    const bool claimed = position == kFirstRecordPosition
                             ? fs::ClaimWorkingFile(path)
                             : fs::ClaimSharedWorkingFile(path, position - 1, EncodePointer(position));
    if (claimed) State().claimed_path = path;
  }
  WindowState& current = State().current;
  current.top = static_cast<std::int16_t>(top);
  current.left = static_cast<std::int16_t>(left);
  current.bottom = static_cast<std::int16_t>(bottom);
  current.right = static_cast<std::int16_t>(right);
  ++current.open_count;
}

void CloseWindow() {
  std::string path = WindowStackPath();
  fs::FileHandle file = fs::OpenFileHandle(path, fs::OpenMode::ReadWrite);
  if (file == fs::kNoFile) return;
  std::int64_t size = fs::FileSize(file);
  if (size <= kEmptyFileLimit) {
    fs::CloseFile(file);
    RemoveStack(path);
    return;
  }
  --State().current.open_count;

  // Find the record from the pointer and its length field; a stack in which they do not lead
  // to a record inside the file cannot be trusted any more and is dropped whole.
  std::string bytes;
  std::int64_t top_pointer = ReadAt(file, 0, 4, bytes) ? DecodePointer(bytes) : -1;
  int length = -1;
  if (top_pointer >= kFirstRecordPosition + kFixedRecordLength && top_pointer - 1 <= size &&
      ReadAt(file, top_pointer - 1 - kLengthWidth, kLengthWidth, bytes)) {
    length = ParseDigits(bytes);
  }
  std::int64_t start = top_pointer - length;
  std::string header;
  std::string cells;
  if (length < kFixedRecordLength || start < kFirstRecordPosition ||
      !ReadAt(file, start - 1, kHeaderLength, header) ||
      !ReadAt(file, start - 1 + kHeaderLength,
              static_cast<std::size_t>(length - kFixedRecordLength), cells)) {
    fs::CloseFile(file);
    RemoveStack(path);
    return;
  }

  // A record whose fields disagree with its length is damaged: none of it is put back.
  SavedWindow saved = ParseRecord(header, std::move(cells));
  if (saved.valid) {
    RestoreCells(saved);
    const int* f = saved.fields;
    // A position the console's buffer lacks is refused by the console itself.
    platform::Console().SetCursorPosition(f[kCursorRow], f[kCursorColumn]);
    WindowState& current = State().current;
    current.top = static_cast<std::int16_t>(f[kPreviousTop]);
    current.left = static_cast<std::int16_t>(f[kPreviousLeft]);
    current.bottom = static_cast<std::int16_t>(f[kPreviousBottom]);
    current.right = static_cast<std::int16_t>(f[kPreviousRight]);
  }

  bool written = WriteAt(file, 0, EncodePointer(start));
  fs::CloseFile(file);
  if (!written || start < kFirstRecordPosition + 1) {
    RemoveStack(path);
  } else if (State().current.open_count <= 0) {
    ReleaseStack();  // what is left is the caller's
  }
}

}  // namespace kel
