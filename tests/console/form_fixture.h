// Forms built in the test: definition lists from form and field descriptions, and hooks that
// keep a trace of what the form engine asked of the application.
#pragma once

#include <string>
#include <vector>

#include "console/browse_fixture.h"
#include "console/browse_rows.h"

namespace kel::testing {

struct FieldSpec {
  int row = 1, column = 1;
  std::string label = "";
  int width = 5, row_width = 0, extra_width = 0, flags = 0, check = 0, lookup = 0;
  std::string choices = "";
};

struct FormSpec {
  std::string keys = "d,1b";
  int continuation = 0;
  int top = 0, left = 0, bottom = 0, right = 0;
  std::vector<FieldSpec> fields = {};
};

struct BrowseSpec {
  int top = 2, left = 40, bottom = 8, right = 70;
  int pre_form = 0;
  std::string title = "LOOKUP";
  int alternate = 0;
};

// A definition list of these forms and memory browses.
inline std::vector<std::string> FormDefinitions(const std::vector<FormSpec>& forms,
                                               const std::vector<BrowseSpec>& browses = {}) {
  std::size_t largest = 0;
  for (const FormSpec& form : forms) largest = std::max(largest, form.fields.size());
  std::vector<std::string> list = {std::to_string(forms.size()), std::to_string(largest)};
  for (const FormSpec& form : forms) {
    list.push_back(form.keys);
    for (int n : {static_cast<int>(form.fields.size()), form.continuation, form.top, form.left,
                  form.bottom, form.right}) {
      list.push_back(std::to_string(n));
    }
    for (const FieldSpec& f : form.fields) {
      list.push_back(std::to_string(f.row));
      list.push_back(std::to_string(f.column));
      list.push_back(f.label);
      for (int n : {f.width, f.row_width, f.extra_width, f.flags, f.check, f.lookup}) {
        list.push_back(std::to_string(n));
      }
      list.push_back(f.choices);
    }
  }
  list.push_back(std::to_string(browses.size()));
  for (const BrowseSpec& b : browses) {
    for (int n : {0, 0, b.top, b.left, b.bottom, b.right, b.pre_form}) {
      list.push_back(std::to_string(n));
    }
    list.push_back(b.title);
    list.push_back(std::to_string(b.alternate));
  }
  return list;
}

class FormTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ScreenHooks hooks;
    hooks.field_done = [this](std::int16_t form, std::string& text, std::int16_t field,
                              KeyCode key) {
      trace_.push_back("done " + std::to_string(form) + "." + std::to_string(field) + " " +
                       KeyName(key) + " [" + text + "]");
      if (refusals_ > 0) {
        --refusals_;
        return std::int16_t{1};
      }
      SetFieldValue(form, field, text);
      ShowField(form, field);
      return std::int16_t{0};
    };
    hooks.form_done = [this](std::int16_t form, KeyCode key) {
      trace_.push_back("form " + std::to_string(form) + " " + KeyName(key));
      if (restarts_ > 0) {
        --restarts_;
        return std::int16_t{1};
      }
      return std::int16_t{0};
    };
    hooks.prepare_browse = [](std::int16_t, std::string&, std::string&) {
      AppendBrowseListRows();
      return std::int16_t{0};
    };
    InstallScreenHooks(hooks);
  }

  KeyCode Run(std::int16_t form, std::int16_t top = 0, std::int16_t bottom = 0) {
    KeyCode key = 99;
    RunForm(form, top, bottom, key);
    return key;
  }
  void Tab() { console().PushKey(9); }
  void Click(int row, int column) {
    console().PushMouse(platform::kMousePressed, 1, row, column);
    console().PushMouse(platform::kMouseReleased, 1, row, column);
  }
  std::string Value(int form, int field) const {
    return Form(form)->fields[static_cast<std::size_t>(field - 1)].value;
  }

  std::vector<std::string> trace_;
  int refusals_ = 0;
  int restarts_ = 0;
};

}  // namespace kel::testing
