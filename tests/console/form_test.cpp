// The form engine: the field loop's navigation, continuation chains and their resumption,
// refused values, starting blank, hidden and disabled fields, lookups and the definitions a
// form refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/form_fixture.h"

namespace kel {
namespace {

using testing::FieldSpec;
using testing::FormSpec;
using testing::FormTest;

// Keys that end a field in the test forms: Enter, Esc, Up, Down, PgUp, PgDn, F2, F3, F4 and
// the key with code 2.
constexpr const char* kNavigation = "d,1b,4800,5000,4900,5100,3c00,3d00,3e00,2";

FormSpec PersonForm() {
  FormSpec form;
  form.keys = kNavigation;
  form.top = 2, form.left = 2, form.bottom = 12, form.right = 60;
  form.fields = {{.row = 1, .column = 2, .label = "Name: ", .width = 8},
                 {.row = 2, .column = 2, .label = "Code: ", .width = 4, .flags = kFieldDisabled},
                 {.row = 3, .column = 2, .label = "City: ", .width = 6},
                 {.row = 4, .column = 2, .label = "Zip: ", .width = 5}};
  return form;
}

TEST_F(FormTest, MovesBetweenFieldsPassingOverDisabledOnes) {
  Load(testing::FormDefinitions({PersonForm()}));
  Type("Ann");
  Enter();   // to City, past the disabled Code
  Up();      // back to Name, past Code again
  Down();    // City
  Tab();     // Zip
  Down();    // the last field: Down stays
  Enter();   // Enter on the last field ends the form
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_, (std::vector<std::string>{
                        "done 1.1 d [Ann     ]", "done 1.3 4800 [      ]",
                        "done 1.1 5000 [Ann     ]", "done 1.3 d [      ]",
                        "done 1.4 5000 [     ]", "done 1.4 d [     ]", "form 1 d"}));
  EXPECT_EQ(Value(1, 1), "Ann     ");
  EXPECT_EQ(EditedValue(), "");
  EXPECT_EQ(EditedForm(), 0);
  EXPECT_EQ(EditedField(), 0);
  EXPECT_EQ(console().Snapshot(), "");
  EXPECT_FALSE(StackFileExists());
}

TEST_F(FormTest, ACalculatorResultLandsInTheFieldAndTheFormGoesOn) {
  SessionToFill().TerminalDir = temp_.dir();  // where the calculator keeps its tape
  Load(testing::FormDefinitions({PersonForm()}));
  console().PushExtendedKey(0x2D, platform::kLeftAlt);  // Alt+X on Name
  console().PushKeyUp(0);
  Type("12F");  // in the calculator: 12, closed with F
  Enter();      // the figure typed into Name, then on to City
  Enter();
  Enter();      // past Zip: the form ends
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 1.1 d [1200    ]", "done 1.3 d [      ]",
                                              "done 1.4 d [     ]", "form 1 d"}));
  EXPECT_EQ(Value(1, 1), "1200    ");
  EXPECT_FALSE(StackFileExists());
}

TEST_F(FormTest, EscGoesBackToTheFirstFieldAndThenEndsTheForm) {
  Load(testing::FormDefinitions({PersonForm()}));
  Enter();
  Type("Bcn");
  Esc();  // City is left as it was: no check, the old value shown again
  Type("Z");
  Esc();  // on the first field: the form ends
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 1.1 d [        ]", "form 1 1b"}));
  EXPECT_EQ(Value(1, 3), "      ");
}

TEST_F(FormTest, PageKeysGoToTheEdgesAndEndKeysLeave) {
  Load(testing::FormDefinitions({PersonForm()}));
  PgDn();          // to Zip
  PgUp();          // to Name
  PgUp();          // already first, no leaving flag: stays
  Key(0x3C);       // F2 without a continuation stays
  console().PushKey(2);  // the key with code 2 ends the form like End
  EXPECT_EQ(Run(1), kKeyEndForm);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 1.1 5100 [        ]",
                                              "done 1.4 4900 [     ]",
                                              "done 1.1 4900 [        ]",
                                              "done 1.1 3c00 [        ]", "done 1.1 2 [        ]",
                                              "form 1 2"}));
  trace_.clear();
  Key(0x3D);  // F3, a key of the form without a meaning of its own, ends it
  EXPECT_EQ(Run(1), kKeyF3);
  EXPECT_EQ(ResumeForm(), 0);
}

TEST_F(FormTest, WithEndAmongTheFormsKeysEnterEndsTheForm) {
  FormSpec form = PersonForm();
  form.keys = std::string(kNavigation) + ",4f00";
  Load(testing::FormDefinitions({form}));
  Enter();  // the field editor returns it as End
  EXPECT_EQ(Run(1), kKeyEnd);
  Tab();    // Tab is Enter, and goes on to the next field
  Key(0x4F);  // End itself moves the cursor in the field
  Enter();
  EXPECT_EQ(Run(1), kKeyEnd);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 1.1 4f00 [        ]", "form 1 4f00",
                                              "done 1.1 d [        ]",
                                              "done 1.3 4f00 [      ]", "form 1 4f00"}));
}

TEST_F(FormTest, AClickMovesToTheEditableFieldUnderTheMouse) {
  Load(testing::FormDefinitions({PersonForm()}));
  Click(5, 5);   // City's label (window row 3, column 3)
  Click(4, 12);  // the disabled Code: stays on City
  Click(20, 5);  // outside every field: stays
  Click(6, 13);  // the last column of Zip's value
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  ASSERT_EQ(trace_.size(), 6u);
  EXPECT_EQ(trace_[0].substr(0, 9), "done 1.1 ");
  EXPECT_EQ(trace_[1].substr(0, 9), "done 1.3 ");
  EXPECT_EQ(trace_[2].substr(0, 9), "done 1.3 ");
  EXPECT_EQ(trace_[3].substr(0, 9), "done 1.3 ");
  EXPECT_EQ(trace_[4], "done 1.4 d [     ]");
}

TEST_F(FormTest, AClickOnAnyRowOfAWrappingFieldMovesThere) {
  FormSpec form;
  form.keys = kNavigation;
  form.fields = {{.row = 1, .column = 1, .label = "A:", .width = 5},
                 {.row = 2, .column = 1, .label = "N:", .width = 25, .row_width = 10}};
  Load(testing::FormDefinitions({form}));
  Click(4, 5);   // the third row of the notes, which holds their last 5 characters
  Type("x");
  Click(1, 1);   // A's label
  Click(4, 13);  // past the notes' columns: stays
  Enter();
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  ASSERT_EQ(trace_.size(), 6u);
  // The notes were left by the click on A's label at screen column 1, row 1.
  EXPECT_EQ(trace_[1], "done 1.2 " + KeyName(-(100 * 1 + 1)) + " [x" + std::string(24, ' ') + "]");
  EXPECT_EQ(trace_[2].substr(0, 9), "done 1.1 ");
  EXPECT_EQ(trace_[3].substr(0, 9), "done 1.1 ");
  EXPECT_EQ(trace_[4].substr(0, 9), "done 1.2 ");
}

TEST_F(FormTest, ARefusedValueBeepsAndTheSameTextIsEditedAgain) {
  Load(testing::FormDefinitions({PersonForm()}));
  refusals_ = 1;
  Type("Al");
  Enter();
  Type("x");  // the cursor went back to the start of the same text
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_[0], "done 1.1 d [Al      ]");
  EXPECT_EQ(trace_[1], "done 1.1 d [xl      ]");
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(Value(1, 1), "xl      ");
}

TEST_F(FormTest, FieldsThatStartBlankKeepTheStoredValueWhenLeftBlank) {
  FormSpec form = PersonForm();
  form.fields[0].flags = kFieldStartsBlank;
  form.fields[2].flags = kFieldHidden;
  Load(testing::FormDefinitions({form}));
  SetFieldValue(1, 1, "Old");
  SetFieldValue(1, 3, "1234");
  Enter();          // Name left blank: keeps "Old"
  Type("99");
  Snap();
  Enter();          // the hidden field takes the new text
  Up();
  Up();
  Type("New");
  Enter();
  Enter();
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_[0], "done 1.1 d [Old     ]");
  EXPECT_EQ(trace_[1], "done 1.3 d [99    ]");
  EXPECT_EQ(Value(1, 1), "New     ");
  EXPECT_EQ(Value(1, 3), "99    ");
  ASSERT_EQ(Shots().size(), 1u);
  // The hidden field shows nothing of its value.
  EXPECT_EQ(Shots()[0].screen.find("99"), std::string::npos);
  EXPECT_EQ(MaskCharacter(), 0);
}

TEST_F(FormTest, TheCursorCanStartAfterTheLastCharacter) {
  FormSpec form = PersonForm();
  form.fields[0].flags = kFieldCursorAtEnd;
  Load(testing::FormDefinitions({form}));
  SetFieldValue(1, 1, "Ann");
  Type("e");
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_[0], "done 1.1 d [Anne    ]");
}

TEST_F(FormTest, HelpWithoutAMenuNameStaysOnTheField) {
  Load(testing::FormDefinitions({PersonForm()}));
  Type("Jo");
  Key(0x3B);  // F1: no help, the field is edited again from its value
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_[0], "done 1.1 d [        ]");
}

TEST_F(FormTest, AFormDoneThatRefusesStartsAgainAtTheFirstField) {
  Load(testing::FormDefinitions({PersonForm()}));
  restarts_ = 1;
  PgDn();
  Enter();  // ends the form; FormDone asks for it again
  Enter();
  Esc();    // on the first field: ends it
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 1.1 5100 [        ]", "done 1.4 d [     ]",
                                              "form 1 d", "done 1.1 d [        ]",
                                              "form 1 1b"}));
}

TEST_F(FormTest, AFormWithoutEditableFieldsIsShownAndEndedAtOnce) {
  FormSpec form = PersonForm();
  for (FieldSpec& field : form.fields) field.flags = kFieldDisabled;
  Load(testing::FormDefinitions({form}));
  restarts_ = 3;  // asking again changes nothing: there is nothing to edit
  EXPECT_EQ(Run(1), kKeyNone);
  EXPECT_EQ(trace_, (std::vector<std::string>{"form 1 0"}));
  EXPECT_EQ(console().PendingInput(), 0u);
}

// ---- Continuation chains ----

std::vector<FormSpec> Chain() {
  FormSpec first = PersonForm();
  first.continuation = 2;
  FormSpec second;
  second.keys = kNavigation;
  second.top = 4, second.left = 10, second.bottom = 9, second.right = 50;
  second.fields = {{.row = 1, .column = 2, .label = "Notes: ", .width = 10},
                   {.row = 2, .column = 2, .label = "Phone: ", .width = 9}};
  return {first, second};
}

TEST_F(FormTest, EnterOnTheLastFieldRunsTheContinuationAndUpComesBack) {
  Load(testing::FormDefinitions(Chain()));
  PgDn();
  Enter();  // Zip is the last: the continuation runs
  Up();     // on its first field: back to Zip
  Enter();  // the continuation again
  Down();
  Enter();  // its last field: both forms end with Enter
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_, (std::vector<std::string>{
                        "done 1.1 5100 [        ]", "done 1.4 d [     ]",
                        "done 2.1 4800 [          ]", "form 2 1b", "done 1.4 d [     ]",
                        "done 2.1 5000 [          ]", "done 2.2 d [         ]", "form 2 d",
                        "form 1 d"}));
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(FormTest, AChainLeftAtItsEdgeReopensWhereItWasLeft) {
  Load(testing::FormDefinitions(Chain()));
  PgDn();
  Enter();
  PgDn();  // the continuation's last field
  PgDn();  // at the edge with the leaving flag: the whole chain ends
  EXPECT_EQ(Run(1, -1, -1), kKeyPgDn);
  EXPECT_EQ(ResumeForm(), 2);
  trace_.clear();
  Enter();
  PgUp();  // back at the first field of form 2
  PgUp();  // at the edge: leaves, ResumeForm stays form 2
  EXPECT_EQ(Run(1, -1, -1), kKeyPgUp);
  EXPECT_EQ(trace_, (std::vector<std::string>{"done 2.1 d [          ]",
                                              "done 2.2 4900 [         ]",
                                              "done 2.1 4900 [          ]", "form 2 4900",
                                              "form 1 4900"}));
  EXPECT_EQ(ResumeForm(), 2);
  // A form that is not on the chain forgets the place.
  Load(testing::FormDefinitions({PersonForm(), PersonForm(), PersonForm()}));
  SetResumeForm(3);
  trace_.clear();
  Esc();
  EXPECT_EQ(Run(1, -1, -1), kKeyEsc);
  EXPECT_EQ(ResumeForm(), 0);
  EXPECT_EQ(trace_, (std::vector<std::string>{"form 1 1b"}));
}

TEST_F(FormTest, ContinuationsThatLoopOrGoNowhereDoNotHoldTheForm) {
  std::vector<FormSpec> forms = Chain();
  forms[1].continuation = 1;  // 1 -> 2 -> 1 -> ...
  FormSpec lone = PersonForm();
  lone.continuation = 9;  // no such form
  forms.push_back(lone);
  Load(testing::FormDefinitions(forms));
  SetResumeForm(7);
  Esc();
  EXPECT_EQ(Run(1), kKeyEsc);
  PgDn();
  Enter();  // the missing continuation counts as none: Enter ends the form
  EXPECT_EQ(Run(3), kKeyEnter);
}

// ---- Lookups ----

std::vector<FormSpec> LookupForm() {
  FormSpec form = PersonForm();
  form.fields[0].lookup = 1;
  form.fields[3].lookup = 1;
  return {form};
}

class LookupTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Load(testing::FormDefinitions(LookupForm(), {{}}));
    BrowseList(0) = "Barcelona";
    BrowseList(1) = "Girona";
    ScreenHooks hooks = InstalledScreenHooks();
    hooks.alternate_chosen = [this](std::int16_t& browse, std::int16_t& form,
                                    std::int16_t& field) {
      trace_.push_back("chosen " + std::to_string(browse) + " " + std::to_string(form) + "." +
                       std::to_string(field) + " " + BrowseSelectedText() + " stack " +
                       std::to_string(ValueStack().size()));
      SetFieldValue(form, field, BrowseSelectedText());
      ShowField(form, field);
      if (reopen_ > 0) {
        --reopen_;
        browse = 0;
      } else if (move_to_ != 0) {
        field = static_cast<std::int16_t>(move_to_);
      }
    };
    InstallScreenHooks(hooks);
  }
  int reopen_ = 0;
  int move_to_ = 0;
};

TEST_F(LookupTest, AChosenEntryMovesOnAsDownWould) {
  F4();
  Down();
  Enter();  // Girona, then on to City
  Esc();
  Esc();
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(trace_, (std::vector<std::string>{"chosen 1 1.1 Girona stack 6", "form 1 1b"}));
  EXPECT_EQ(Value(1, 1), "Girona  ");
  EXPECT_TRUE(ValueStack().empty());
}

TEST_F(LookupTest, OnTheLastFieldAChosenEntryEndsTheForm) {
  PgDn();
  F4();
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_.back(), "form 1 d");
  EXPECT_EQ(Value(1, 4), "Barce");
}

TEST_F(LookupTest, TheApplicationCanReopenTheLookupOrMoveToAnotherField) {
  reopen_ = 1;
  F4();
  Enter();  // the hook asks for the list again
  Down();
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_[0], "chosen 1 1.1 Barcelona stack 6");
  EXPECT_EQ(trace_[1], "chosen 1 1.1 Girona stack 6");

  trace_.clear();
  move_to_ = 4;
  F4();
  Enter();   // moved to Zip: edited next
  Type("08");
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_[1], "done 1.4 d [08   ]");

  trace_.clear();
  move_to_ = 2;  // a disabled field: passed over downwards
  F4();
  Enter();
  Enter();
  Esc();
  EXPECT_EQ(Run(1), kKeyEsc);
  EXPECT_EQ(trace_[1], "done 1.3 d [      ]");
}

TEST_F(LookupTest, ALookupThatChoosesNothingBeepsAndEditsTheFieldAgain) {
  Type("Vic");
  F4();
  Esc();    // nothing chosen: the same text is edited again, with the field's keys
  Key(0x3C);  // F2 is one of the form's keys
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(trace_[0], "done 1.1 3c00 [Vic     ]");
}

TEST_F(LookupTest, FourWithoutALookupOrToAMissingListStaysOnTheField) {
  Load(testing::FormDefinitions(LookupForm()));  // the list's descriptor is missing
  F4();
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(trace_[0], "done 1.1 d [        ]");
  trace_.clear();
  Enter();
  F4();  // City has no lookup: no list, no beep
  Enter();
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(console().BeepCount(), 1);
  EXPECT_EQ(trace_[1], "done 1.3 d [      ]");
}

TEST_F(LookupTest, APreFormRunsBeforeTheList) {
  std::vector<FormSpec> forms = LookupForm();
  FormSpec pre;
  pre.keys = kNavigation;
  pre.top = 14, pre.left = 2, pre.bottom = 16, pre.right = 30;
  pre.fields = {{.row = 1, .column = 2, .label = "From: ", .width = 4}};
  forms.push_back(pre);
  testing::BrowseSpec list;
  list.pre_form = 2;
  Load(testing::FormDefinitions(forms, {list}));
  F4();
  Type("G");
  Enter();   // the pre-form's field
  Enter();   // the list's first entry
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_[0], "done 2.1 d [G   ]");
  EXPECT_EQ(trace_[1], "form 2 d");
  EXPECT_EQ(trace_[2].substr(0, 11), "chosen 1 1.");
  trace_.clear();
  F4();
  Esc();  // Esc in the pre-form: no list, nothing chosen
  Esc();
  Esc();
  Run(1);
  EXPECT_EQ(trace_, (std::vector<std::string>{"form 2 1b", "form 1 1b"}));
}

// ---- How fields are shown ----

TEST_F(FormTest, FieldsShowTheirValuesAsTheUserSeesThem) {
  FormSpec form;
  form.fields = {
      {.row = 1, .column = 1, .label = "L:", .width = 3, .extra_width = 7,
       .choices = "|CAT,CATALA|SPA,CASTELLANO"},
      {.row = 2, .column = 1, .label = "D:", .width = 3, .extra_width = 2,
       .flags = kFieldDisabled},
      {.row = 3, .column = 1, .label = "N:", .width = 10, .row_width = 4},
      {.row = 6, .column = 1, .label = "X:", .width = 8, .row_width = 4,
       .flags = kFieldDisabled},
      {.row = 8, .column = 1, .label = "P:", .width = 4, .flags = kFieldHidden},
      {.row = 9, .column = 1, .label = "C:", .width = 3, .choices = "|A,Alpha|B,Beta"}};
  Load(testing::FormDefinitions({form}));
  SetFieldValue(1, 1, "CAT");
  SetFieldValue(1, 3, "abcdefghij");
  SetFieldValue(1, 5, "1234");
  SetFieldValue(1, 6, "Z");
  DrawForm(1);
  EXPECT_EQ(console().Snapshot(),
            "L:CATALA\n"
            "D:-----\n"
            "N:abcd\n"
            "  efgh\n"
            "  ij\n"
            "X:----\n"
            "  ----\n"
            "P:\n"
            "C:\n");
  EXPECT_EQ(console().AttributeAt(1, 1), testing::kAttributeN);
  EXPECT_EQ(console().AttributeAt(1, 3), testing::kAttributeH);
  EXPECT_EQ(console().AttributeAt(1, 12), testing::kAttributeH);  // padded to 10 columns
  EXPECT_EQ(console().AttributeAt(1, 13), 7);
  SetFieldValue(1, 1, "SPA");
  ShowField(1, 1);
  EXPECT_EQ(console().RowText(1), "L:CASTELLANO");
  SetFieldValue(1, 1, "   ");
  ShowField(1, 1);  // no entry has the key: nothing is written
  EXPECT_EQ(console().RowText(1), "L:CASTELLANO");
}

TEST_F(FormTest, APageWhileItsFieldsAreEdited) {
  console().SetSize(12, 40, false);
  FormSpec form;
  form.keys = kNavigation;
  form.top = 2, form.left = 2, form.bottom = 11, form.right = 38;
  form.fields = {
      {.row = 1, .column = 2, .label = "Name:  ", .width = 12},
      {.row = 2, .column = 2, .label = "Code:  ", .width = 4, .flags = kFieldDisabled},
      {.row = 3, .column = 2, .label = "Notes: ", .width = 20, .row_width = 10},
      {.row = 6, .column = 2, .label = "PIN:   ", .width = 4, .flags = kFieldHidden},
      {.row = 7, .column = 2, .label = "Lang:  ", .width = 3, .extra_width = 7,
       .choices = "|CAT,CATALA|SPA,CASTELLANO"}};
  Load(testing::FormDefinitions({form}));
  SetFieldValue(1, 1, "Ann");
  SetFieldValue(1, 3, "first row second row");
  SetFieldValue(1, 4, "1234");
  SetFieldValue(1, 5, "SPA");
  Snap();
  Key(0x4F);  // End: the cursor after "Ann"
  Type("a");
  Enter();
  Snap();
  Enter();
  Type("12");
  Snap();
  Enter();
  Snap();
  Esc();
  Esc();
  Run(1);
  ASSERT_EQ(Shots().size(), 4u);
  EXPECT_EQ(Shots()[0].screen,
            "\n"
            " ╔═══════════════════════════════════╗\n"
            " ║ Name:  Ann                        ║\n"
            " ║ Code:  ----                       ║\n"
            " ║ Notes: first row                  ║\n"
            " ║        second row                 ║\n"
            " ║                                   ║\n"
            " ║ PIN:                              ║\n"
            " ║ Lang:  CASTELLANO                 ║\n"
            " ║                                   ║\n"
            " ╚═══════════════════════════════════╝\n");
  EXPECT_EQ(Shots()[0].highlighted_row, 3);
  EXPECT_EQ(Shots()[0].highlighted_columns, std::make_pair(11, 22));
  EXPECT_EQ(Rows(Shots()[1].screen, 3, 6), " ║ Name:  Anna                       ║\n"
                                           " ║ Code:  ----                       ║\n"
                                           " ║ Notes: first row                  ║\n"
                                           " ║        second row                 ║\n");
  EXPECT_EQ(Shots()[1].highlighted_row, 5);
  EXPECT_EQ(Shots()[1].highlighted_columns, std::make_pair(11, 20));
  // The hidden field shows the mask, never its text.
  EXPECT_EQ(Shots()[2].screen.find("12"), std::string::npos);
  EXPECT_EQ(Shots()[2].highlighted_row, 8);
  // The choice is edited as a selection between its arrows.
  EXPECT_EQ(Rows(Shots()[3].screen, 9, 9), " ║ Lang: ◄CASTELLANO►                ║\n");
  EXPECT_EQ(Value(1, 4), "12  ");
}

// ---- Definitions a form refuses ----

TEST_F(FormTest, FormsThatCannotBeShownAreRefused) {
  FormSpec below = PersonForm();
  below.bottom = 26;
  FormSpec upside_down = PersonForm();
  upside_down.top = 12, upside_down.bottom = 2;
  Load(testing::FormDefinitions({below, upside_down}));
  for (std::int16_t number : {0, 1, 2, 3, -3, -32768}) {
    Enter();
    EXPECT_EQ(Run(number), kKeyEsc) << number;
    EXPECT_EQ(console().Snapshot(), "") << number;
    console().PendingInput() == 1 ? (void)console().PollInput() : (void)0;
  }
  EXPECT_TRUE(trace_.empty());
  DrawForm(5);
  ShowField(1, 9);
  ShowField(1, 0);
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(FormTest, DefinitionsReplacedWhileAFormRunsEndIt) {
  Load(testing::FormDefinitions({PersonForm()}));
  ScreenHooks hooks = InstalledScreenHooks();
  hooks.field_done = [](std::int16_t, std::string&, std::int16_t, KeyCode) {
    const std::string_view nothing[] = {"0", "0", "0"};
    LoadScreenDefinitions(nothing, nullptr);
    return std::int16_t{0};
  };
  InstallScreenHooks(hooks);
  Enter();
  Enter();
  EXPECT_EQ(Run(1), kKeyEnter);
  EXPECT_EQ(trace_, (std::vector<std::string>{"form 1 d"}));
  EXPECT_EQ(console().PendingInput(), 1u);
  EXPECT_EQ(console().Snapshot(), "");
}

TEST_F(FormTest, FieldsBeyondTheDeclaredLargestCountAreNotKept) {
  std::vector<std::string> list = testing::FormDefinitions({PersonForm()}, {{}});
  list[1] = "2";  // at most two fields in a form, while the form lists four
  Load(list);
  ASSERT_NE(Form(1), nullptr);
  EXPECT_EQ(Form(1)->field_count, 2);
  EXPECT_EQ(Form(1)->fields.size(), 2u);
  // The list stays in step: the browse after the form is read whole.
  ASSERT_NE(BrowseDefinition(1), nullptr);
  EXPECT_EQ(BrowseDefinition(1)->title, "LOOKUP");
}

}  // namespace
}  // namespace kel
