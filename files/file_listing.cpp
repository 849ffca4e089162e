#include <cstdint>
#include <string>
#include <vector>

#include "files/file_utils.h"
#include "files/file_utils_state.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/name_case.h"
#include "platform/random.h"

namespace kel {
namespace {

// The listing file holds at its start the 1-based position of the next name line.
constexpr std::int32_t kFirstLine = 5;
constexpr std::size_t kHeaderSize = 4;
constexpr const char* kLineEnd = "\r\n";
// How many drawn names may turn out taken before the listing is given up.
constexpr int kNameDraws = 100;
// Listing files are numbered 0 to 99,999,999.
constexpr std::uint32_t kListingNumbers = 100'000'000;

void PutPosition(char* bytes, std::int32_t position) {
  const auto value = static_cast<std::uint32_t>(position);
  for (std::size_t i = 0; i < kHeaderSize; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Listings go to "TEMP"; without it to the platform's temporary directory, never to the root.
std::string ListingDirectory() {
  const std::string temp = platform::EnvironmentValue("TEMP");
  return temp.empty() ? platform::SystemTempDirectory() : temp + "\\";
}

// Creates a listing file under a freshly drawn name, exclusively and private: a name already
// taken, by a file or a link planted in the shared directory, is never emptied or followed,
// and no one else reads what the listing holds.
platform::FileHandle CreateListingFile(std::string& name) {
  const std::string directory = ListingDirectory();
  for (int attempt = 0; attempt < kNameDraws; ++attempt) {
    name = directory + std::to_string(platform::RandomBelow(kListingNumbers)) + ".dir";
    const platform::FileHandle file =
        platform::OpenFileHandle(name, platform::OpenMode::CreatePrivate, platform::ShareMode::None);
    if (file != platform::kNoFile) return file;
    if (platform::EntryAttributes(name) < 0) break;  // not taken: the directory cannot hold it
  }
  return platform::kNoFile;
}

}  // namespace

std::string ListingStack() { return file_utils::State().listing_stack; }

void OpenFileListing(std::string_view pattern) {
  file_utils::FileUtilsState& state = file_utils::State();
  file_utils::OpenListing listing;
  std::string name;
  listing.file = CreateListingFile(name);
  listing.position = kFirstLine;
  state.listing_stack.insert(0, name + "|");
  file_utils::SelectFilesWhenNoKind();
  if (listing.file != platform::kNoFile) {
    std::string contents(kHeaderSize, '\0');
    PutPosition(contents.data(), kFirstLine);
    for (const platform::DirectoryEntry& entry : platform::FindFiles(pattern)) {
      if (!EntryAdmitted(entry.attributes)) continue;
      const std::string& listed = entry.short_name.empty() ? entry.name : entry.short_name;
      contents += NameInCapitals(listed.substr(0, 1023));
      contents += kLineEnd;
    }
    platform::WriteToFile(listing.file, contents.data(), contents.size());
  }
  state.listings.insert(state.listings.begin(), std::move(listing));
}

namespace {

// Reads the line at the listing's position through the window, refilling it from the file
// when the line runs past its end. True when a line (possibly empty) was there.
bool ReadListedLine(file_utils::OpenListing& listing, std::string& line) {
  constexpr std::size_t kWindow = 16384;
  std::int64_t offset = listing.position - 1;
  for (;;) {
    const std::int64_t in_window = offset - listing.window_start;
    if (in_window >= 0 && in_window <= static_cast<std::int64_t>(listing.window.size())) {
      const std::string_view rest = std::string_view(listing.window).substr(static_cast<std::size_t>(in_window));
      const std::size_t newline = rest.find('\n');
      if (newline != std::string_view::npos) {
        line.append(rest.substr(0, newline + 1));
        offset += static_cast<std::int64_t>(newline + 1);
        break;
      }
      line.append(rest);
      offset += static_cast<std::int64_t>(rest.size());
    }
    listing.window.resize(kWindow);
    const std::int64_t got = platform::ReadFromFileAt(listing.file, offset, listing.window.data(), kWindow);
    listing.window.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    listing.window_start = offset;
    if (got <= 0) break;
  }
  const bool found = offset != listing.position - 1;
  listing.position = offset + 1;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return found;
}

}  // namespace

// The listing file keeps the walk's position in its header, rewritten at every step; the
// file stays open from its listing's opening to its closing.
bool NextListedFile(std::string& name) {
  name.clear();
  std::vector<file_utils::OpenListing>& listings = file_utils::State().listings;
  if (listings.empty() || listings.front().file == platform::kNoFile) return true;
  file_utils::OpenListing& listing = listings.front();
  if (ReadListedLine(listing, name)) {
    char header[kHeaderSize];
    PutPosition(header, static_cast<std::int32_t>(listing.position));
    platform::WriteToFileAt(listing.file, 0, header, kHeaderSize);
  }
  return name.empty();
}

void CloseFileListing() {
  file_utils::FileUtilsState& state = file_utils::State();
  const std::size_t bar = state.listing_stack.find('|');
  if (bar == std::string::npos) return;
  // A listing that could not be created names a file that is not this process's to delete.
  if (!state.listings.empty()) {
    if (state.listings.front().file != platform::kNoFile) {
      platform::CloseFile(state.listings.front().file);
      platform::RemoveFile(state.listing_stack.substr(0, bar));
    }
    state.listings.erase(state.listings.begin());
  }
  state.listing_stack.erase(0, bar + 1);
}

}  // namespace kel
