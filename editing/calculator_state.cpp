// The calculator's state file.
//
// The file sits in the terminal's directory on the file server, where any workstation can
// put anything: it is read only when it is a plain file, at most a bounded number of bytes of
// it, and every item it holds is checked, so that a damaged file gives start values instead
// of figures nobody can show or compute with. It is replaced as a whole through a new file,
// so two sessions of the same terminal closing at once leave one whole state.
#include "editing/calculator_state.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "config/ini_companions.h"
#include "platform/file_system.h"
#include "startup/session_environment.h"

namespace kel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr int kSignificantDigits = 15;
constexpr int kHeaderRecords = 3;
// A sound file is about a kilobyte; reading stops well beyond that.
constexpr std::size_t kLargestRead = 64 * 1024;

// ---- Writing ---------------------------------------------------------------------------------

std::string Flag(bool value) { return value ? "-1" : "0"; }

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Record(std::initializer_list<std::string> items) {
  std::string line;
  for (const std::string& item : items) {
    if (!line.empty()) line += ',';
    line += item;
  }
  line += kLineEnd;
  return line;
}

// ---- Reading ---------------------------------------------------------------------------------

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The items of one record: commas separate them, except inside double quotes.
std::vector<std::string_view> Items(std::string_view line) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || (line[i] == ',' && !quoted)) {
      items.push_back(line.substr(start, i - start));
      start = i + 1;
    } else if (line[i] == '"') {
      quoted = !quoted;
    }
  }
  return items;
}

// The lines of the text (CR LF or LF), at most the number asked for.
std::vector<std::string_view> Lines(std::string_view text, std::size_t most) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size() && lines.size() < most) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A finite number, or nothing.
bool ReadNumber(std::string_view item, double& value) {
  std::string_view text = Trimmed(item);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  double parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed == 0 ? 0 : parsed;  // no negative zero
  return true;
}

// A whole number within limits, or nothing.
bool ReadWhole(std::string_view item, std::int64_t low, std::int64_t high, std::int64_t& value) {
  double number = 0;
  if (!ReadNumber(item, number) || number != std::floor(number) ||
      number < static_cast<double>(low) || number > static_cast<double>(high)) {
    return false;
  }
  value = static_cast<std::int64_t>(number);
  return true;
}

// The item, or the index past the record's end: an empty view then.
std::string_view Item(const std::vector<std::string_view>& items, std::size_t index) {
  return index < items.size() ? items[index] : std::string_view();
}

void ReadInto(std::string_view item, double& target) { ReadNumber(item, target); }

void ReadInto(std::string_view item, std::int16_t& target, std::int64_t low, std::int64_t high) {
  std::int64_t value = 0;
  if (ReadWhole(item, low, high, value)) target = static_cast<std::int16_t>(value);
}

// Flags are written -1 and 0; any other whole number counts as true, as it always did.
void ReadInto(std::string_view item, bool& target) {
  std::int64_t value = 0;
  if (ReadWhole(item, INT16_MIN, INT16_MAX, value)) target = value != 0;
}

// A quoted string holding none of the characters that would break its record.
bool ReadString(std::string_view item, std::string& target) {
  const std::string_view text = Trimmed(item);
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  const std::string_view inside = text.substr(1, text.size() - 2);
  for (char c : inside) {
    if (c == '"' || static_cast<unsigned char>(c) < ' ') return false;
  }
  target = std::string(inside);
  return true;
}

bool IsOperator(std::string_view text) {
  return text.empty() || text == "+" || text == "-" || text == "*" || text == "/";
}

void ReadTapeLine(std::string_view line, TapeLine& tape) {
  const std::vector<std::string_view> items = Items(line);
  ReadInto(Item(items, 0), tape.value);
  ReadInto(Item(items, 1), tape.decimal_point);
  ReadInto(Item(items, 2), tape.decimals, 0, kMostDecimals);
  std::string operation;
  if (ReadString(Item(items, 3), operation) && operation.size() == 1) {
    tape.operation = operation.front();
  }
}

bool IsPlainFile(const std::string& path) {
  const std::int64_t attributes = platform::EntryAttributes(path);
  return attributes >= 0 && (attributes & (platform::kDirectory | platform::kSystem)) == 0;
}

bool ReadBounded(const std::string& path, std::string& text) {
  const platform::FileHandle file = platform::OpenFileHandle(path, platform::OpenMode::Read);
  if (file == platform::kNoFile) return false;
  text.assign(kLargestRead, '\0');
  const std::int64_t got = platform::ReadFromFile(file, text.data(), text.size());
  platform::CloseFile(file);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return got >= 0;
}

}  // namespace

std::string StateFileNumber(double value) {
  if (!std::isfinite(value) || value == 0) return "0";
  char text[40];
  std::snprintf(text, sizeof text, "%.*G", kSignificantDigits, value);
  return text;
}

std::string CalculatorStateText(const CalculatorState& state) {
  std::string text =
      Record({std::to_string(state.column), std::to_string(state.first_tape_line),
              StateFileNumber(state.entry), StateFileNumber(state.accumulator)}) +
      Record({Flag(state.fresh), Flag(state.entering), Flag(state.decimal_point),
              std::to_string(state.decimals)}) +
      Record({Quoted(state.last_key), Quoted(state.pending)});
  for (const TapeLine& line : state.tape) {
    text += Record({StateFileNumber(line.value), Flag(line.decimal_point),
                    std::to_string(line.decimals), Quoted(std::string(1, line.operation))});
  }
  return text;
}

CalculatorState ParseCalculatorState(std::string_view text) {
  CalculatorState state;
  const std::vector<std::string_view> lines = Lines(text, kHeaderRecords + kTapeLines);
  const auto record = [&](std::size_t index) {
    return index < lines.size() ? Items(lines[index]) : std::vector<std::string_view>();
  };

  std::vector<std::string_view> items = record(0);
  ReadInto(Item(items, 0), state.column, kFirstCalculatorColumn, kLastCalculatorColumn);
  ReadInto(Item(items, 1), state.first_tape_line, 1, kEmptyTape);
  ReadInto(Item(items, 2), state.entry);
  ReadInto(Item(items, 3), state.accumulator);

  items = record(1);
  ReadInto(Item(items, 0), state.fresh);
  ReadInto(Item(items, 1), state.entering);
  ReadInto(Item(items, 2), state.decimal_point);
  ReadInto(Item(items, 3), state.decimals, 0, kMostDecimals);

  items = record(2);
  ReadString(Item(items, 0), state.last_key);
  std::string pending;
  if (ReadString(Item(items, 1), pending) && IsOperator(pending)) state.pending = pending;

  for (std::size_t line = kHeaderRecords; line < lines.size(); ++line) {
    ReadTapeLine(lines[line], state.tape[line - kHeaderRecords]);
  }
  return state;
}

std::string CalculatorStatePath() { return Session().TerminalDir + kCalculatorStateFile; }

CalculatorState LoadCalculatorState() {
  const std::string path = CalculatorStatePath();
  std::string text;
  if (!IsPlainFile(path) || !ReadBounded(path, text)) return CalculatorState{};
  return ParseCalculatorState(text);
}

bool SaveCalculatorState(const CalculatorState& state) {
  const std::string path = CalculatorStatePath();
  // A read-only state file is left alone: renaming over it would drop its protection.
  const std::int64_t attributes = platform::EntryAttributes(path);
  if (attributes >= 0 && (attributes & (platform::kReadOnly | platform::kDirectory)) != 0) {
    return false;
  }
  std::string temp;
  const platform::FileHandle file = ini::CreateRewriteFile(path, temp);
  if (file == platform::kNoFile) return false;
  const std::string text = CalculatorStateText(state);
  bool saved = platform::WriteToFile(file, text.data(), text.size()) && platform::FlushFile(file);
  saved = platform::CloseFile(file) && saved;
  if (saved && platform::ReplaceByRename(temp, path)) return true;
  platform::RemoveFile(temp);
  return false;
}

}  // namespace kel
