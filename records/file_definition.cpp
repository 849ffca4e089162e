#include "records/file_definition.h"

#include <algorithm>

#include "records/record_manager.h"

namespace kel {
namespace {

std::uint16_t Get16(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

void Put16(std::string& bytes, std::size_t offset, std::uint32_t value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

constexpr std::uint16_t kKnownFlags =
    kSegmentDuplicates | 2 /* modifiable */ | kSegmentBinary | kSegmentContinues | kSegmentAlternate;

}  // namespace

bool ParseFileStatus(std::string_view bytes, FileDefinition& definition) {
  definition = FileDefinition{};
  if (bytes.size() < kStatusSegmentsOffset) return false;
  definition.record_length = Get16(bytes, 0);
  definition.page_size = Get16(bytes, 2);
  const int key_count = Get16(bytes, 4);
  if (definition.record_length == 0 || definition.record_length > kMaxRecordLength) return false;
  if (key_count < 1 || key_count > kMaxKeys) return false;
  std::size_t offset = kStatusSegmentsOffset;
  int segments = 0;
  bool uses_alternate = false;
  for (int key = 0; key < key_count; ++key) {
    std::vector<KeySegment> parts;
    int length = 0;
    for (;;) {
      if (++segments > kMaxSegments || offset + kStatusSegmentSize > bytes.size()) return false;
      KeySegment segment{Get16(bytes, offset), Get16(bytes, offset + 2), Get16(bytes, offset + 4)};
      offset += kStatusSegmentSize;
      if ((segment.flags & ~kKnownFlags) != 0 || segment.length == 0 || segment.position == 0 ||
          segment.position + segment.length - 1 > definition.record_length)
        return false;
      length += segment.length;
      uses_alternate = uses_alternate || (segment.flags & kSegmentAlternate) != 0;
      parts.push_back(segment);
      if ((segment.flags & kSegmentContinues) == 0) break;
    }
    if (length > kKeyBufferSize) return false;
    definition.keys.push_back(std::move(parts));
  }
  if (offset + kAlternateSize <= bytes.size() &&
      static_cast<unsigned char>(bytes[offset]) == kAlternateSignature) {
    definition.alternate.assign(bytes.substr(offset, kAlternateSize));
  } else if (uses_alternate) {
    return false;
  }
  return true;
}

std::string FileStatusBytes(const FileDefinition& definition, std::uint32_t record_count) {
  std::size_t segments = 0;
  for (const auto& key : definition.keys) segments += key.size();
  std::string bytes(kStatusSegmentsOffset + segments * kStatusSegmentSize + kAlternateSize, '\0');
  Put16(bytes, 0, definition.record_length);
  Put16(bytes, 2, definition.page_size);
  Put16(bytes, 4, static_cast<std::uint32_t>(definition.keys.size()));
  Put16(bytes, 6, record_count & 0xFFFF);
  Put16(bytes, 8, record_count >> 16);
  std::size_t offset = kStatusSegmentsOffset;
  for (const auto& key : definition.keys) {
    for (const KeySegment& segment : key) {
      Put16(bytes, offset, segment.position);
      Put16(bytes, offset + 2, segment.length);
      Put16(bytes, offset + 4, segment.flags);
      offset += kStatusSegmentSize;
    }
  }
  if (definition.alternate.size() == kAlternateSize) bytes.replace(offset, kAlternateSize, definition.alternate);
  return bytes;
}

int KeyLength(const FileDefinition& definition, int key_number) {
  if (key_number < 0 || key_number >= static_cast<int>(definition.keys.size())) return 0;
  int length = 0;
  for (const KeySegment& segment : definition.keys[key_number]) length += segment.length;
  return length;
}

bool KeyAllowsDuplicates(const FileDefinition& definition, int key_number) {
  if (key_number < 0 || key_number >= static_cast<int>(definition.keys.size())) return false;
  return (definition.keys[key_number].front().flags & kSegmentDuplicates) != 0;
}

std::string KeyOfRecord(const FileDefinition& definition, int key_number, std::string_view record) {
  std::string key;
  if (key_number < 0 || key_number >= static_cast<int>(definition.keys.size())) return key;
  for (const KeySegment& segment : definition.keys[key_number]) {
    const std::size_t start = segment.position - 1u;
    std::string part = start < record.size() ? std::string(record.substr(start, segment.length)) : std::string();
    part.resize(segment.length, '\0');
    key += part;
  }
  return key;
}

std::string CollationForm(const FileDefinition& definition, int key_number, std::string_view key) {
  std::string form(key.substr(0, static_cast<std::size_t>(KeyLength(definition, key_number))));
  form.resize(static_cast<std::size_t>(KeyLength(definition, key_number)), '\0');
  if (form.empty()) return form;
  std::size_t p = 0;
  for (const KeySegment& segment : definition.keys[key_number]) {
    auto begin = form.begin() + static_cast<std::ptrdiff_t>(p);
    auto end = begin + segment.length;
    if (segment.flags & kSegmentBinary) {
      std::reverse(begin, end);
    } else if ((segment.flags & kSegmentAlternate) && definition.alternate.size() == kAlternateSize) {
      for (auto it = begin; it != end; ++it) *it = definition.alternate[9 + static_cast<unsigned char>(*it)];
    }
    p += segment.length;
  }
  return form;
}

}  // namespace kel
