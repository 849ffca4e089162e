// The record manager entry: position blocks, buffers and statuses around the engines.
//
// A position block names its open file by a slot of this process's table and the slot's
// generation, behind a mark, so that a block that was closed, copied from another process or
// never opened answers "file not open" instead of reaching another file.
#include "records/record_manager.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "records/file_definition.h"
#include "records/record_server.h"
#include "records/record_store.h"

namespace kel {
namespace {

constexpr char kBlockMark[4] = {'K', 'E', 'L', 'R'};
constexpr std::size_t kMaxOpenFiles = 256;

struct OpenFile {
  std::unique_ptr<RecordStore> store;
  std::uint32_t generation = 0;
};

struct RecordManagerState {
  RecordManagerEntry installed;
  std::vector<OpenFile> files;
};

RecordManagerState& State() {
  static RecordManagerState state;
  return state;
}

std::uint32_t Get32(const char* bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

void Put32(char* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

RecordStore* StoreOf(const char* block, std::size_t* index = nullptr) {
  if (!block || std::memcmp(block, kBlockMark, 4) != 0) return nullptr;
  const std::uint32_t slot = Get32(block + 4);
  auto& files = State().files;
  if (slot >= files.size() || !files[slot].store || files[slot].generation != Get32(block + 8)) return nullptr;
  if (index) *index = slot;
  return files[slot].store.get();
}

// The path in a key buffer: key length bytes, or up to a NUL.
std::string PathOf(const char* key, std::int16_t key_length) {
  if (!key || key_length <= 0) return {};
  const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(key_length), kKeyBufferSize);
  std::string path(key, length);
  path.resize(std::min(path.size(), path.find('\0')));
  return path;
}

std::int16_t Open(char* block, const char* key, std::int16_t key_length) {
  if (!block) return kStatusInvalidOperation;
  const std::string path = PathOf(key, key_length);
  if (path.empty()) return kStatusFileNotFound;
  auto& files = State().files;
  std::size_t slot = 0;
  while (slot < files.size() && files[slot].store) ++slot;
  if (slot == kMaxOpenFiles) return kStatusTooManyFiles;
  std::unique_ptr<RecordStore> store;
  const std::int16_t status = BackendOf(path).Open(path, store);
  if (status != kStatusOk) return status;
  if (slot == files.size()) files.emplace_back();
  files[slot].store = std::move(store);
  ++files[slot].generation;
  std::memset(block, 0, kPositionBlockSize);
  std::memcpy(block, kBlockMark, 4);
  Put32(block + 4, static_cast<std::uint32_t>(slot));
  Put32(block + 8, files[slot].generation);
  return kStatusOk;
}

std::int16_t Create(const char* data, std::int32_t data_length, const char* key, std::int16_t key_length) {
  const std::string path = PathOf(key, key_length);
  if (path.empty()) return kStatusFileNotFound;
  FileDefinition definition;
  if (!data || data_length <= 0 ||
      !ParseFileStatus(std::string_view(data, static_cast<std::size_t>(data_length)), definition))
    return kStatusBadDefinition;
  return BackendOf(path).Create(path, definition);
}

// Hands a record back: as much as the buffer holds (22 when that is not all of it), and its
// key on the path in the key buffer.
std::int16_t Deliver(RecordStore& store, const FoundRecord& found, int key_number, char* data,
                     std::int32_t& data_length, char* key) {
  const std::size_t room = data && data_length > 0 ? static_cast<std::size_t>(data_length) : 0;
  const std::size_t length = std::min(room, found.data.size());
  if (length) std::memcpy(data, found.data.data(), length);
  data_length = static_cast<std::int32_t>(length);
  if (key) {
    const std::string value = KeyOfRecord(store.Definition(), key_number, found.data);
    std::memcpy(key, value.data(), value.size());
  }
  return length < found.data.size() ? std::int16_t{kStatusDataBufferShort} : std::int16_t{kStatusOk};
}

std::int16_t ReadCall(RecordStore& store, ReadKind kind, bool lock, char* data, std::int32_t& data_length,
                      char* key, std::int16_t key_number) {
  const FileDefinition& definition = store.Definition();
  const int key_length = KeyLength(definition, key_number);
  if (key_length == 0) return kStatusInvalidKeyNumber;
  std::string form;
  std::int32_t position = 0;
  const bool keyed = kind == ReadKind::Equal || kind == ReadKind::Greater || kind == ReadKind::GreaterOrEqual ||
                     kind == ReadKind::Less || kind == ReadKind::LessOrEqual;
  if (keyed) {
    if (!key) return kStatusInvalidOperation;
    form = CollationForm(definition, key_number, std::string_view(key, static_cast<std::size_t>(key_length)));
  }
  if (kind == ReadKind::Direct) {
    if (!data || data_length < 4) return kStatusDataBufferShort;
    position = static_cast<std::int32_t>(Get32(data));
  }
  FoundRecord found;
  const std::int16_t status = store.Read(kind, key_number, form, position, lock, found);
  if (status != kStatusOk) {
    data_length = 0;
    return status;
  }
  return Deliver(store, found, key_number, data, data_length, key);
}

std::int16_t WriteCall(RecordStore& store, std::int16_t operation, char* data, std::int32_t& data_length, char* key) {
  const FileDefinition& definition = store.Definition();
  if (operation == kOpDelete) return store.Delete();
  if (!data || data_length != definition.record_length) return kStatusRecordLength;
  const std::string_view record(data, static_cast<std::size_t>(data_length));
  std::int16_t status;
  if (operation == kOpInsert) {
    FoundRecord stored;
    status = store.Insert(record, stored);
  } else {
    status = store.Update(record);
  }
  if (status == kStatusOk && key) {
    const std::string value = KeyOfRecord(definition, 0, record);
    std::memcpy(key, value.data(), value.size());
  }
  return status;
}

}  // namespace

std::int16_t EmbeddedRecordManagerCall(std::int16_t operation, char* position_block, char* data,
                                       std::int32_t& data_length, char* key, std::int16_t key_length,
                                       std::int16_t key_number) {
  bool lock = false;
  if (operation >= kLockBias && operation < 2 * kLockBias) {
    operation = static_cast<std::int16_t>(operation - kLockBias);
    lock = true;
  }
  if (operation == kOpOpen) return Open(position_block, key, key_length);
  if (operation == kOpCreate) return Create(data, data_length, key, key_length);
  std::size_t slot = 0;
  RecordStore* store = StoreOf(position_block, &slot);
  if (!store) return kStatusFileNotOpen;
  switch (operation) {
    case kOpClose:
      State().files[slot].store.reset();
      std::memset(position_block, 0, kPositionBlockSize);
      return kStatusOk;
    case kOpInsert:
    case kOpUpdate:
    case kOpDelete: return WriteCall(*store, operation, data, data_length, key);
    case kOpGetEqual: return ReadCall(*store, ReadKind::Equal, lock, data, data_length, key, key_number);
    case kOpGetNext: return ReadCall(*store, ReadKind::Next, lock, data, data_length, key, key_number);
    case kOpGetPrevious: return ReadCall(*store, ReadKind::Previous, lock, data, data_length, key, key_number);
    case kOpGetGreater: return ReadCall(*store, ReadKind::Greater, lock, data, data_length, key, key_number);
    case kOpGetGreaterOrEqual: return ReadCall(*store, ReadKind::GreaterOrEqual, lock, data, data_length, key, key_number);
    case kOpGetLess: return ReadCall(*store, ReadKind::Less, lock, data, data_length, key, key_number);
    case kOpGetLessOrEqual: return ReadCall(*store, ReadKind::LessOrEqual, lock, data, data_length, key, key_number);
    case kOpGetFirst: return ReadCall(*store, ReadKind::First, lock, data, data_length, key, key_number);
    case kOpGetLast: return ReadCall(*store, ReadKind::Last, lock, data, data_length, key, key_number);
    case kOpGetDirect: return ReadCall(*store, ReadKind::Direct, lock, data, data_length, key, key_number);
    case kOpStat: {
      std::uint32_t count = 0;
      const std::int16_t status = store->RecordCount(count);
      if (status != kStatusOk) return status;
      const std::string bytes = FileStatusBytes(store->Definition(), count);
      const std::size_t room = data && data_length > 0 ? static_cast<std::size_t>(data_length) : 0;
      const std::size_t length = std::min(room, bytes.size());
      if (length) std::memcpy(data, bytes.data(), length);
      data_length = static_cast<std::int32_t>(length);
      return length < bytes.size() ? std::int16_t{kStatusDataBufferShort} : std::int16_t{kStatusOk};
    }
    case kOpGetPosition: {
      std::int32_t position = 0;
      const std::int16_t status = store->CurrentPosition(position);
      if (status != kStatusOk) return status;
      if (!data || data_length < 4) return kStatusDataBufferShort;
      Put32(data, static_cast<std::uint32_t>(position));
      data_length = 4;
      return kStatusOk;
    }
    case kOpBeginTransaction: return store->BeginTransaction();
    case kOpEndTransaction: return store->EndTransaction();
    case kOpAbortTransaction: return store->AbortTransaction();
    case kOpUnlock: return store->Unlock();
    default: return kStatusInvalidOperation;
  }
}

std::int16_t RecordManagerCall(std::int16_t operation, char* position_block, char* data,
                               std::int32_t& data_length, char* key, std::int16_t key_length,
                               std::int16_t key_number) {
  const RecordManagerEntry& installed = State().installed;
  if (installed) return installed(operation, position_block, data, data_length, key, key_length, key_number);
  return EmbeddedRecordManagerCall(operation, position_block, data, data_length, key, key_length, key_number);
}

RecordBackend& BackendOf(std::string_view path) {
  std::string name;
  return IsServerFile(path, name) ? PgsqlBackend() : SqliteBackend();
}

std::string RecordStatusText(std::int16_t status) {
  switch (status) {
    case kStatusOk: return "correcte";
    case kStatusIoError: return "error d'entrada o sortida";
    case kStatusFileNotOpen: return "fitxer no obert";
    case kStatusKeyNotFound: return "clau no trobada";
    case kStatusDuplicateKey: return "clau duplicada";
    case kStatusInvalidKeyNumber: return "número de clau no vàlid";
    case kStatusEndOfFile: return "final del fitxer";
    case kStatusFileNotFound: return "fitxer no trobat";
    case kStatusNotRecordFile: return "no és un fitxer de registres";
    case kStatusFileExists: return "el fitxer ja existeix";
    case kStatusRecordLocked: return "registre bloquejat per un altre usuari";
    case kStatusFileLocked: return "fitxer bloquejat per un altre usuari";
    case kStatusConnectionLost:
      return HasServerEngine() ? "no hi ha connexió amb el servidor de registres"
                               : "no hi ha connexió amb el servidor de registres: aquest programa no té el motor del servidor";
    default: return "estat " + std::to_string(status);
  }
}

void InstallRecordManager(RecordManagerEntry entry) { State().installed = std::move(entry); }

void ResetRecordManager() {
  State().installed = nullptr;
  State().files.clear();
}

}  // namespace kel
