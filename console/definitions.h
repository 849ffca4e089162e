// The application's screen definitions: the form, field and browse tables read from its
// definition list at start, and the texts of the memory browse list.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

// Field flags.
enum FieldFlag : std::int16_t {
  kFieldStartsBlank = 1,
  kFieldHidden = 2,
  kFieldDisabled = 4,
  kFieldCursorAtEnd = 8,
};

struct FieldDefinition {
  std::int16_t row = 0, column = 0;  // of the label, inside the form's window
  std::string label;
  std::int16_t width = 0;
  std::int16_t row_width = 0;        // characters per row of a wrapping field, 0 = one row
  std::int16_t extra_width = 0;      // columns beyond the width (a choice's description)
  std::int16_t flags = 0;
  std::int16_t check_number = 0;
  std::int16_t lookup_browse = 0;
  std::string choices;               // "|key,description|key,description..."
  std::string value;                 // exactly width characters
};

struct FormDefinition {
  std::string key_list;              // keys that end a field, as key names ("d,1b")
  std::int16_t field_count = 0;
  std::int16_t continuation = 0;
  std::int16_t top = 0, left = 0, bottom = 0, right = 0;  // top 0: no window of its own
  std::vector<FieldDefinition> fields;  // fields 1..field_count at indexes 0..field_count-1
};

// Browse descriptor items: record file, key number, window, pre-form, alternate browse.
enum BrowseItem { kBrowseFile, kBrowseKey, kBrowseTop, kBrowseLeft, kBrowseBottom, kBrowseRight,
                  kBrowsePreForm, kBrowseAlternate };

struct BrowseDescriptor {
  std::array<std::int16_t, 8> items{};
  std::string title;                 // "_" shows as a blank, a blank as frame line
};

inline constexpr int kBrowseListSize = 256;

// Turns a label or a choice list into the session language.
using TextTranslation = std::string (*)(std::string_view text);

// Reads a definition list (numbers as texts): form count, largest field count, the forms with
// their fields, browse count and the browse descriptors. Labels and choice lists pass through
// the translation; every value becomes width blanks; titles stay as read. Replaces the tables
// and empties the browse list's 256 texts; false when the list ends early.
bool LoadScreenDefinitions(std::span<const std::string_view> list, TextTranslation translate);

// Form n (1-based), or nullptr when there is none.
FormDefinition* Form(int number);
// Number of forms loaded.
int FormCount();
// Largest field count of a form, as the definition list declared it.
int MaxFieldCount();
// Browse descriptor n (1-based; 0 is the unused all-zero one), or nullptr.
BrowseDescriptor* BrowseDefinition(int number);
// Number of browse descriptors loaded.
int BrowseCount();
// Text n (0 to 255) of the memory browse list.
std::string& BrowseList(int index);
// Passes every browse title through a translation (when a language has been chosen).
void TranslateBrowseTitles(TextTranslation translate);

// Forgets every table (tests).
void ResetScreenDefinitions();

}  // namespace kel
