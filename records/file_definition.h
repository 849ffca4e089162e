// What a record file is: its record length, page size, keys made of segments and the
// alternate collating sequence; read from and written as the file status bytes of the record
// manager, and the keys of a record with their collation forms, which compare byte by byte
// in key order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// One piece of a key: where it lies in the record and how it compares.
struct KeySegment {
  std::uint16_t position = 1;  // first byte in the record, from 1
  std::uint16_t length = 0;
  std::uint16_t flags = 0;     // kSegment... of record_manager.h
};

struct FileDefinition {
  std::uint16_t record_length = 0;
  std::uint16_t page_size = 0;
  std::vector<std::vector<KeySegment>> keys;  // the segments of key 0, 1, ...
  std::string alternate;  // 265 bytes: signature, 8 name bytes, 256-byte table; or empty
};

// Offset of the first segment description in the file status, and the size of one.
inline constexpr int kStatusSegmentsOffset = 16;
inline constexpr int kStatusSegmentSize = 16;
// Size of the alternate collating sequence after the segment descriptions.
inline constexpr int kAlternateSize = 265;
// Signature byte of an alternate collating sequence.
inline constexpr unsigned char kAlternateSignature = 0xAC;
// The most keys and segments a file may have (so the status fits a 1,536-byte buffer).
inline constexpr int kMaxKeys = 24;
inline constexpr int kMaxSegments = 78;

// Reads a file status; false when it does not describe a usable file (no key, a segment
// outside the record, a key longer than 255 bytes, an alternate segment without a table ...).
bool ParseFileStatus(std::string_view bytes, FileDefinition& definition);
// The file status bytes of a definition with a record count.
std::string FileStatusBytes(const FileDefinition& definition, std::uint32_t record_count);
// Length of a key (0 for a key number the file does not have).
int KeyLength(const FileDefinition& definition, int key_number);
// True when a key allows several records with one value.
bool KeyAllowsDuplicates(const FileDefinition& definition, int key_number);
// The key value of a record: its segments' bytes, one after the other.
std::string KeyOfRecord(const FileDefinition& definition, int key_number, std::string_view record);
// The collation form of a key value (cut or filled with NUL bytes to the key's length):
// binary segments reversed (so little-endian numbers compare as big-endian), alternate
// segments translated through the table, others as they are.
std::string CollationForm(const FileDefinition& definition, int key_number, std::string_view key);

}  // namespace kel
