#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "records/file_definition.h"
#include "records/kelrec.h"
#include "records/record_manager.h"
#include "records/record_store.h"
#include "textfmt/fold.h"

namespace kel {
namespace {

constexpr std::string_view kUsage =
    "ús: kelrec create FITXER LONGITUD CLAU...  (CLAU: POS:LONG[b][a][d] units amb +)\n"
    "    kelrec import FITXER CSV\n"
    "    kelrec export FITXER CSV [CLAU]\n"
    "    kelrec status FITXER\n"
    "    kelrec check FITXER\n"
    "    kelrec lock FITXER CLAU VALOR...\n"
    "    kelrec copy FITXER DESTÍ\n";

constexpr int kPageSize = 4096;

// An open record file, closed at the end of the scope.
class RecordFile {
 public:
  ~RecordFile() {
    if (open_) Call(kOpClose, nullptr, 0, nullptr, 0);
  }
  std::int16_t Open(const std::string& path) {
    char key[kKeyBufferSize + 1] = {};
    std::memcpy(key, path.data(), std::min<std::size_t>(path.size(), kKeyBufferSize));
    std::int32_t length = 0;
    const std::int16_t status = RecordManagerCall(kOpOpen, block_, nullptr, length, key,
                                                  static_cast<std::int16_t>(std::min<std::size_t>(path.size(), kKeyBufferSize)), 0);
    open_ = status == kStatusOk;
    if (open_) {
      std::string status_bytes(1536, '\0');
      std::int32_t got = 1536;
      char ignored[kKeyBufferSize + 1] = {};
      RecordManagerCall(kOpStat, block_, status_bytes.data(), got, ignored, 0, 0);
      ParseFileStatus(std::string_view(status_bytes.data(), static_cast<std::size_t>(got)), definition_);
      record_count_ = static_cast<std::uint32_t>(static_cast<unsigned char>(status_bytes[6]) |
                                                 (static_cast<unsigned char>(status_bytes[7]) << 8) |
                                                 (static_cast<unsigned char>(status_bytes[8]) << 16) |
                                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(status_bytes[9])) << 24));
    }
    return status;
  }
  std::int16_t Call(std::int16_t operation, char* data, std::int32_t data_length, char* key, std::int16_t key_number) {
    char spare[kKeyBufferSize + 1] = {};
    return RecordManagerCall(operation, block_, data, data_length, key ? key : spare, 0, key_number);
  }
  const FileDefinition& definition() const { return definition_; }
  std::uint32_t record_count() const { return record_count_; }

 private:
  char block_[kPositionBlockSize] = {};
  bool open_ = false;
  FileDefinition definition_;
  std::uint32_t record_count_ = 0;
};

std::string StatusText(std::int16_t status) {
  return "kelrec: estat " + std::to_string(status) + ": " + RecordStatusText(status) + "\n";
}

// The table through which alternate segments compare: letters as their capitals.
std::string UpperCaseTable() {
  std::string table(kAlternateSize, '\0');
  table[0] = static_cast<char>(kAlternateSignature);
  std::memcpy(table.data() + 1, "UPPER850", 8);
  const bool folding = FoldAccents();
  SetFoldAccents(false);
  for (int b = 0; b < 256; ++b) table[9 + static_cast<std::size_t>(b)] = FoldText(std::string(1, static_cast<char>(b)))[0];
  SetFoldAccents(folding);
  return table;
}

bool ParseNumber(std::string_view text, unsigned long long& value) {
  if (text.empty() || text.size() > 20) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

// "1:4b+5:2" into a key's segments.
bool ParseKey(std::string_view text, std::vector<KeySegment>& key, bool& alternate) {
  bool duplicates = false;
  while (!text.empty()) {
    const std::size_t plus = text.find('+');
    std::string_view part = text.substr(0, plus);
    text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
    const std::size_t colon = part.find(':');
    if (colon == std::string_view::npos) return false;
    std::size_t end = part.size();
    while (end > colon + 1 && (part[end - 1] < '0' || part[end - 1] > '9')) --end;
    unsigned long long position = 0, length = 0;
    if (!ParseNumber(part.substr(0, colon), position) || !ParseNumber(part.substr(colon + 1, end - colon - 1), length) ||
        position > 65535 || length > 65535)
      return false;
    KeySegment segment{static_cast<std::uint16_t>(position), static_cast<std::uint16_t>(length), 0};
    for (const char letter : part.substr(end)) {
      switch (letter) {
        case 'b': segment.flags |= kSegmentBinary; break;
        case 'a': segment.flags |= kSegmentAlternate; alternate = true; break;
        case 'd': duplicates = true; break;
        default: return false;
      }
    }
    key.push_back(segment);
  }
  if (key.empty()) return false;
  for (std::size_t i = 0; i + 1 < key.size(); ++i) key[i].flags |= kSegmentContinues;
  if (duplicates)
    for (KeySegment& segment : key) segment.flags |= kSegmentDuplicates;
  return true;
}

// ---- CSV --------------------------------------------------------------------------------------

// Reads one CSV record (quoted fields may hold separators and line breaks); false at the end.
bool ReadCsvRecord(std::istream& in, std::vector<std::string>& fields) {
  fields.clear();
  std::string line;
  if (!std::getline(in, line)) return false;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0;; ++i) {
    if (i == line.size()) {
      if (!quoted) break;
      // A quoted field goes on over the line break.
      std::string next;
      if (!std::getline(in, next)) break;
      field += '\n';
      line = std::move(next);
      i = static_cast<std::size_t>(-1);
      continue;
    }
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  fields.push_back(std::move(field));
  return true;
}

void AppendCsvField(std::string& line, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    line += field;
    return;
  }
  line += '"';
  for (const char c : field) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

// ---- Records and columns ----------------------------------------------------------------------

std::vector<KeySegment> AllSegments(const FileDefinition& definition) {
  std::vector<KeySegment> segments;
  for (const auto& key : definition.keys) segments.insert(segments.end(), key.begin(), key.end());
  return segments;
}

std::vector<bool> CoveredBytes(const FileDefinition& definition) {
  std::vector<bool> covered(definition.record_length, false);
  for (const KeySegment& segment : AllSegments(definition))
    for (int i = 0; i < segment.length; ++i) covered[segment.position - 1u + static_cast<unsigned>(i)] = true;
  return covered;
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

std::string SegmentText(const KeySegment& segment, std::string_view bytes) {
  if (segment.flags & kSegmentBinary) {
    if (segment.length == 1 || segment.length == 2 || segment.length == 4 || segment.length == 8) {
      unsigned long long value = 0;
      for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
      return std::to_string(value);
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (const char b : bytes) {
      hex += kHex[static_cast<unsigned char>(b) >> 4];
      hex += kHex[static_cast<unsigned char>(b) & 15];
    }
    return hex;
  }
  return Cp850ToUtf8(TrimEnd(std::string(bytes)));
}

// The bytes of a segment from its text; false when the text does not fit the segment.
bool SegmentBytes(const KeySegment& segment, std::string_view text, std::string& bytes) {
  bytes.assign(segment.length, '\0');
  if (segment.flags & kSegmentBinary) {
    if (segment.length == 1 || segment.length == 2 || segment.length == 4 || segment.length == 8) {
      unsigned long long value = 0;
      if (!ParseNumber(text, value)) return false;
      if (segment.length < 8 && value >> (8 * segment.length) != 0) return false;
      for (std::size_t i = 0; i < segment.length; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
      return true;
    }
    if (text.size() != 2u * segment.length) return false;
    for (std::size_t i = 0; i < segment.length; ++i) {
      int value = 0;
      for (const char c : text.substr(2 * i, 2)) {
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value * 16 + digit;
      }
      bytes[i] = static_cast<char>(value);
    }
    return true;
  }
  const std::string cp850 = Utf8ToCp850(text);
  if (cp850.size() > segment.length || Cp850ToUtf8(cp850) != text) return false;
  bytes.assign(cp850);
  bytes.resize(segment.length, ' ');
  return true;
}

bool RecordFromFields(const FileDefinition& definition, const std::vector<std::string>& fields, std::string& record) {
  const std::vector<KeySegment> segments = AllSegments(definition);
  if (fields.size() != segments.size() + 1) return false;
  record.assign(definition.record_length, ' ');
  const std::vector<bool> covered = CoveredBytes(definition);
  const std::string rest = Utf8ToCp850(fields.back());
  if (Cp850ToUtf8(rest) != fields.back()) return false;
  std::size_t next = 0;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (covered[i]) continue;
    if (next < rest.size()) record[i] = rest[next++];
  }
  if (next < rest.size()) return false;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    std::string bytes;
    if (!SegmentBytes(segments[i], fields[i], bytes)) return false;
    record.replace(segments[i].position - 1u, segments[i].length, bytes);
  }
  return true;
}

std::string CsvLine(const FileDefinition& definition, std::string_view record) {
  std::string line;
  const std::vector<bool> covered = CoveredBytes(definition);
  for (const KeySegment& segment : AllSegments(definition)) {
    AppendCsvField(line, SegmentText(segment, record.substr(segment.position - 1u, segment.length)));
    line += ',';
  }
  std::string rest;
  for (std::size_t i = 0; i < record.size() && i < covered.size(); ++i)
    if (!covered[i]) rest += record[i];
  AppendCsvField(line, Cp850ToUtf8(TrimEnd(rest)));
  line += '\n';
  return line;
}

// ---- Commands ---------------------------------------------------------------------------------

int Create(const std::vector<std::string>& arguments, const std::string& file, std::string& out, std::string& err) {
  unsigned long long length = 0;
  if (arguments.size() < 4 || !ParseNumber(arguments[2], length) || length == 0 || length > kMaxRecordLength) {
    err += kUsage;
    return kKelrecUsage;
  }
  FileDefinition definition;
  definition.record_length = static_cast<std::uint16_t>(length);
  definition.page_size = kPageSize;
  bool alternate = false;
  for (std::size_t i = 3; i < arguments.size(); ++i) {
    std::vector<KeySegment> key;
    if (!ParseKey(arguments[i], key, alternate)) {
      err += "kelrec: clau no vàlida: " + arguments[i] + "\n";
      return kKelrecUsage;
    }
    definition.keys.push_back(std::move(key));
  }
  if (alternate) definition.alternate = UpperCaseTable();
  std::string bytes = FileStatusBytes(definition, 0);
  FileDefinition check;
  if (!ParseFileStatus(bytes, check)) {
    err += "kelrec: definició no vàlida\n";
    return kKelrecUsage;
  }
  char key[kKeyBufferSize + 1] = {};
  std::memcpy(key, file.data(), std::min<std::size_t>(file.size(), kKeyBufferSize));
  std::int32_t data_length = static_cast<std::int32_t>(bytes.size());
  const std::int16_t status = RecordManagerCall(kOpCreate, nullptr, bytes.data(), data_length, key,
                                                static_cast<std::int16_t>(std::min<std::size_t>(file.size(), kKeyBufferSize)), 0);
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  out += "creat\n";
  return kKelrecDone;
}

// The records of a CSV file, one at a time; line counts the CSV's records read so far.
struct CsvRecords {
  CsvRecords(const std::string& csv, const FileDefinition& file) : in(csv, std::ios::binary), definition(file) {}
  std::ifstream in;
  const FileDefinition& definition;
  std::vector<std::string> fields;
  std::uint64_t line = 0;
  bool bad = false;

  SourceStep Next(std::string& record) {
    while (ReadCsvRecord(in, fields)) {
      ++line;
      if (fields.size() == 1 && fields[0].empty()) continue;
      if (!RecordFromFields(definition, fields, record)) {
        bad = true;
        return SourceStep::Failed;
      }
      return SourceStep::Record;
    }
    return SourceStep::End;
  }
};

// The CSV line of a record (counted from 0 among the records the file gives).
std::uint64_t LineOfRecord(const std::string& csv, const FileDefinition& definition, std::uint64_t index) {
  CsvRecords records(csv, definition);
  std::string record;
  for (std::uint64_t i = 0; i <= index; ++i)
    if (records.Next(record) != SourceStep::Record) break;
  return records.line;
}

// Adds a CSV's records in one import of the engine: all or none.
int Import(const std::string& file, const std::string& csv, std::string& out, std::string& err) {
  std::unique_ptr<RecordStore> store;
  const std::int16_t opened = BackendOf(file).Open(file, store);
  if (opened != kStatusOk) {
    err += StatusText(opened);
    return kKelrecFailed;
  }
  CsvRecords records(csv, store->Definition());
  if (!records.in) {
    err += "kelrec: no es pot llegir " + csv + "\n";
    return kKelrecUsage;
  }
  std::uint64_t count = 0;
  const std::int16_t status = store->Import([&](std::string& record) { return records.Next(record); }, count);
  if (records.bad) {
    err += "kelrec: línia " + std::to_string(records.line) + " no vàlida; no s'ha afegit cap registre\n";
    return kKelrecUsage;
  }
  if (status == kStatusDuplicateKey || status == kStatusRecordLength) {
    err += "kelrec: línia " + std::to_string(LineOfRecord(csv, store->Definition(), count)) + ": " +
           StatusText(status).substr(8);
    return kKelrecFailed;
  }
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  out += std::to_string(count) + " registres afegits\n";
  return kKelrecDone;
}

int Export(RecordFile& records, const std::string& csv, int key_number, std::string& err) {
  const FileDefinition& definition = records.definition();
  if (KeyLength(definition, key_number) == 0) {
    err += StatusText(kStatusInvalidKeyNumber);
    return kKelrecFailed;
  }
  std::ofstream file(csv, std::ios::binary | std::ios::trunc);
  if (!file) {
    err += "kelrec: no es pot escriure " + csv + "\n";
    return kKelrecUsage;
  }
  std::string data(definition.record_length, '\0');
  std::string lines;
  std::int16_t status = records.Call(kOpGetFirst, data.data(), static_cast<std::int32_t>(data.size()), nullptr,
                                     static_cast<std::int16_t>(key_number));
  while (status == kStatusOk) {
    lines += CsvLine(definition, data);
    if (lines.size() > (std::size_t{1} << 20)) {
      file << lines;
      lines.clear();
    }
    status = records.Call(kOpGetNext, data.data(), static_cast<std::int32_t>(data.size()), nullptr,
                          static_cast<std::int16_t>(key_number));
  }
  file << lines;
  file.close();
  if (status != kStatusEndOfFile) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  if (!file) {
    err += "kelrec: no es pot escriure " + csv + "\n";
    return kKelrecFailed;
  }
  return kKelrecDone;
}

void Status(const RecordFile& records, std::string& out) {
  const FileDefinition& definition = records.definition();
  out += "longitud " + std::to_string(definition.record_length) + ", pàgina " + std::to_string(definition.page_size) +
         ", registres " + std::to_string(records.record_count()) + "\n";
  for (std::size_t k = 0; k < definition.keys.size(); ++k) {
    out += "clau ";
    out += std::to_string(k);
    out += ':';
    for (const KeySegment& segment : definition.keys[k]) {
      out += ' ';
      out += std::to_string(segment.position);
      out += ':';
      out += std::to_string(segment.length);
      if (segment.flags & kSegmentBinary) out += "b";
      if (segment.flags & kSegmentAlternate) out += "a";
    }
    out += KeyAllowsDuplicates(definition, static_cast<int>(k)) ? " duplicats\n" : " única\n";
  }
}

int Lock(RecordFile& records, const std::vector<std::string>& arguments, std::string& out, std::string& err,
         const std::function<void(std::string&)>& hold) {
  const FileDefinition& definition = records.definition();
  unsigned long long key_number = 0;
  if (!ParseNumber(arguments[2], key_number) || KeyLength(definition, static_cast<int>(key_number)) == 0 ||
      arguments.size() != 3 + definition.keys[key_number].size()) {
    err += kUsage;
    return kKelrecUsage;
  }
  std::string key;
  for (std::size_t i = 0; i < definition.keys[key_number].size(); ++i) {
    std::string bytes;
    if (!SegmentBytes(definition.keys[key_number][i], arguments[3 + i], bytes)) {
      err += "kelrec: valor no vàlid: " + arguments[3 + i] + "\n";
      return kKelrecUsage;
    }
    key += bytes;
  }
  key.resize(kKeyBufferSize + 1, ' ');
  std::string data(definition.record_length, '\0');
  const std::int16_t status = records.Call(kOpGetEqual + kLockBias, data.data(), static_cast<std::int32_t>(data.size()),
                                           key.data(), static_cast<std::int16_t>(key_number));
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  out += "bloquejat\n";
  hold(out);
  return kKelrecDone;
}

// A new record file with the definition and the records of another, in one transaction; the
// two may live in different engines. Records are added in the order of key 0 and take new
// physical positions in the new file.
int Copy(RecordFile& from, const std::string& to_path, std::string& out, std::string& err) {
  const FileDefinition& definition = from.definition();
  std::string bytes = FileStatusBytes(definition, 0);
  char key[kKeyBufferSize + 1] = {};
  std::memcpy(key, to_path.data(), std::min<std::size_t>(to_path.size(), kKeyBufferSize));
  std::int32_t data_length = static_cast<std::int32_t>(bytes.size());
  std::int16_t status = RecordManagerCall(kOpCreate, nullptr, bytes.data(), data_length, key,
                                          static_cast<std::int16_t>(std::min<std::size_t>(to_path.size(), kKeyBufferSize)), 0);
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  std::unique_ptr<RecordStore> to;
  status = BackendOf(to_path).Open(to_path, to);
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  std::string data(definition.record_length, '\0');
  std::int16_t read = kStatusOk;
  bool first = true;
  std::uint64_t copied = 0;
  status = to->Import(
      [&](std::string& record) {
        read = from.Call(first ? kOpGetFirst : kOpGetNext, data.data(), static_cast<std::int32_t>(data.size()), nullptr, 0);
        first = false;
        if (read == kStatusEndOfFile) return SourceStep::End;
        if (read != kStatusOk) return SourceStep::Failed;
        record = data;
        return SourceStep::Record;
      },
      copied);
  if (read != kStatusOk && read != kStatusEndOfFile) status = read;
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  out += std::to_string(copied) + " registres copiats\n";
  return kKelrecDone;
}

}  // namespace

int RunKelrec(const std::vector<std::string>& arguments, std::string& out, std::string& err,
              const std::function<void(std::string& out)>& hold) {
  if (arguments.size() < 2) {
    err += kUsage;
    return kKelrecUsage;
  }
  const std::string& command = arguments[0];
  const std::string file = FromSystemText(arguments[1]);
  if (command == "create") return Create(arguments, file, out, err);
  const bool known = (command == "import" && arguments.size() == 3) ||
                     (command == "export" && (arguments.size() == 3 || arguments.size() == 4)) ||
                     ((command == "status" || command == "check") && arguments.size() == 2) ||
                     (command == "lock" && arguments.size() >= 4) || (command == "copy" && arguments.size() == 3);
  if (!known) {
    err += kUsage;
    return kKelrecUsage;
  }
  unsigned long long key_number = 0;
  if (command == "export" && arguments.size() == 4 && !ParseNumber(arguments[3], key_number)) {
    err += kUsage;
    return kKelrecUsage;
  }
  if (command == "check") {
    std::unique_ptr<RecordStore> store;
    std::int16_t status = BackendOf(file).Open(file, store);
    std::vector<std::string> problems;
    if (status == kStatusOk) status = store->Check(problems);
    if (status != kStatusOk) {
      err += StatusText(status);
      return kKelrecFailed;
    }
    for (const std::string& problem : problems) out += problem + "\n";
    if (!problems.empty()) return kKelrecFailed;
    out += "correcte\n";
    return kKelrecDone;
  }
  if (command == "import") return Import(file, arguments[2], out, err);
  RecordFile records;
  const std::int16_t status = records.Open(file);
  if (status != kStatusOk) {
    err += StatusText(status);
    return kKelrecFailed;
  }
  if (command == "copy") return Copy(records, FromSystemText(arguments[2]), out, err);
  if (command == "export") return Export(records, arguments[2], static_cast<int>(key_number), err);
  if (command == "status") {
    Status(records, out);
    return kKelrecDone;
  }
  return Lock(records, arguments, out, err, hold);
}

}  // namespace kel
