#include "console/definitions.h"

#include "textfmt/text_number.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

struct DefinitionState {
  std::vector<FormDefinition> forms;
  int max_fields = 0;
  std::vector<BrowseDescriptor> browses{1};  // descriptor 0 exists and stays zero
  std::array<std::string, kBrowseListSize> browse_list;
  std::string scratch;  // answers rows outside 0..255
};

DefinitionState& State() {
  static DefinitionState state;
  return state;
}

// Reads the definition list in order; reading past its end marks it short.
class ListReader {
 public:
  explicit ListReader(std::span<const std::string_view> list) : list_(list) {}
  std::string Text() {
    if (next_ >= list_.size()) {
      short_ = true;
      return {};
    }
    return std::string(list_[next_++]);
  }
  std::int16_t Number() { return static_cast<std::int16_t>(TextNumber(Text())); }
  bool Short() const { return short_; }

 private:
  std::span<const std::string_view> list_;
  std::size_t next_ = 0;
  bool short_ = false;
};

}  // namespace

bool LoadScreenDefinitions(std::span<const std::string_view> list, TextTranslation translate) {
  DefinitionState& s = State();
  s = DefinitionState{};
  ListReader in(list);

  const int form_count = in.Number();
  s.max_fields = in.Number();
  for (int f = 0; f < form_count && !in.Short(); ++f) {
    FormDefinition form;
    form.key_list = in.Text();
    form.field_count = in.Number();
    form.continuation = in.Number();
    form.top = in.Number();
    form.left = in.Number();
    form.bottom = in.Number();
    form.right = in.Number();
    // Fields beyond the declared largest count are read, to keep the list in step, but not
    // kept: a form never has more fields than the definitions said a form could have.
    for (int i = 0; i < form.field_count && !in.Short(); ++i) {
      FieldDefinition field;
      field.row = in.Number();
      field.column = in.Number();
      field.label = in.Text();
      field.width = in.Number();
      field.row_width = in.Number();
      field.extra_width = in.Number();
      field.flags = in.Number();
      field.check_number = in.Number();
      field.lookup_browse = in.Number();
      field.choices = in.Text();
      if (i < s.max_fields) form.fields.push_back(std::move(field));
    }
    form.field_count = static_cast<std::int16_t>(form.fields.size());
    s.forms.push_back(std::move(form));
  }
  for (FormDefinition& form : s.forms) {
    for (FieldDefinition& field : form.fields) {
      if (translate) {
        field.label = translate(field.label);
        field.choices = translate(field.choices);
      }
      field.value.assign(field.width > 0 ? static_cast<std::size_t>(field.width) : 0, ' ');
    }
  }

  const int browse_count = in.Number();
  for (int b = 0; b < browse_count && !in.Short(); ++b) {
    BrowseDescriptor browse;
    for (int item = kBrowseFile; item <= kBrowsePreForm; ++item) browse.items[item] = in.Number();
    browse.title = in.Text();
    browse.items[kBrowseAlternate] = in.Number();
    s.browses.push_back(std::move(browse));
  }
  return !in.Short();
}

FormDefinition* Form(int number) {
  auto& forms = State().forms;
  return number >= 1 && number <= static_cast<int>(forms.size()) ? &forms[number - 1] : nullptr;
}

int FormCount() { return static_cast<int>(State().forms.size()); }

int MaxFieldCount() { return State().max_fields; }

BrowseDescriptor* BrowseDefinition(int number) {
  auto& browses = State().browses;
  return number >= 0 && number < static_cast<int>(browses.size()) ? &browses[number] : nullptr;
}

int BrowseCount() { return static_cast<int>(State().browses.size()) - 1; }

std::string& BrowseList(int index) {
  DefinitionState& s = State();
  if (index < 0 || index >= kBrowseListSize) {
    s.scratch.clear();
    return s.scratch;
  }
  return s.browse_list[static_cast<std::size_t>(index)];
}

void TranslateBrowseTitles(TextTranslation translate) {
  if (!translate) return;
  for (std::size_t b = 1; b < State().browses.size(); ++b)
    State().browses[b].title = translate(State().browses[b].title);
}

void ResetScreenDefinitions() { State() = DefinitionState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetScreenDefinitions);
}  // namespace


}  // namespace kel
