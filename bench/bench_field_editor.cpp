// CPU time of keystrokes through the field editor on the virtual console: typing into a
// plain field (overwrite and insert), moving by words in a multi-row field, and stepping
// through a selection field. Each iteration is one EditField call over a script of 200 keys;
// the per-key figure is the time divided by the keys ("items").
//   cmake --build <build> --target bench_field_editor && <build>/bench/bench_field_editor
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "console/keys.h"
#include "console/window.h"
#include "editing/edit_settings.h"
#include "editing/field_editor.h"
#include "editing/key_reader.h"
#include "platform/console.h"
#include "platform/virtual_console.h"
#include "startup/session_environment.h"

namespace {

using namespace kel;

constexpr int kKeysPerField = 200;

class Setting {
 public:
  Setting() {
    ResetSessionEnvironment();
    SessionToFill().ColourTable = ParseColourTable(kDefaultColours);
    auto console = std::make_unique<platform::VirtualConsole>(25, 80);
    console_ = console.get();
    platform::InstallConsole(std::move(console));
    ResetWindowState();
    ResetColourState();
    ResetKeyReader();
    ResetEditSettings();
    ResetFieldEditor();
    EditSettings("ea", "d,1b");
  }
  ~Setting() {
    ResetEditSettings();
    ResetFieldEditor();
    platform::InstallConsole(nullptr);
  }
  platform::VirtualConsole& console() { return *console_; }

 private:
  platform::VirtualConsole* console_;
};

// One field edited over the keys the script function pushes, ended by Enter.
template <typename Script>
void RunField(benchmark::State& state, Setting& setting, std::string initial, int width,
              Script script) {
  for (auto _ : state) {
    state.PauseTiming();
    script(setting.console());
    setting.console().PushKey(13);
    std::string text = initial;
    std::int16_t row = 10, column = 5, field_width = static_cast<std::int16_t>(width);
    std::int16_t cursor = 1;
    KeyCode key = 0;
    state.ResumeTiming();
    EditField(row, column, field_width, text, cursor, key);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * (kKeysPerField + 1));
}

void BM_TypeOverwrite(benchmark::State& state) {
  Setting setting;
  RunField(state, setting, std::string(40, ' '), 0, [](platform::VirtualConsole& console) {
    for (int i = 0; i < kKeysPerField; ++i) {
      if (i % 40 == 39) {
        console.PushExtendedKey(0x47);  // Home
      } else {
        console.PushKey(static_cast<unsigned char>('a' + i % 26));
      }
    }
  });
}
BENCHMARK(BM_TypeOverwrite);

void BM_TypeInsert(benchmark::State& state) {
  Setting setting;
  setting.console().SetInsertMode(true);
  RunField(state, setting, std::string(40, ' '), 0, [](platform::VirtualConsole& console) {
    for (int i = 0; i < kKeysPerField; ++i) {
      if (i % 40 == 39) {
        console.PushKey(25);  // Ctrl+Y empties the field again
      } else {
        console.PushKey(static_cast<unsigned char>('a' + i % 26));
      }
    }
  });
}
BENCHMARK(BM_TypeInsert);

void BM_WordMovesMultiRow(benchmark::State& state) {
  Setting setting;
  std::string notes = "Client demana factura, amb IVA; lliurar dimarts a les 9: urgent. ";
  while (notes.size() < 240) notes += notes;
  notes.resize(240);
  RunField(state, setting, notes, 60, [](platform::VirtualConsole& console) {
    for (int i = 0; i < kKeysPerField; ++i) {
      console.PushExtendedKey(i % 50 < 25 ? 0x4D : 0x4B, platform::kLeftCtrl);
    }
  });
}
BENCHMARK(BM_WordMovesMultiRow);

void BM_SelectionSteps(benchmark::State& state) {
  Setting setting;
  std::string list;
  for (int i = 0; i < 20; ++i) list += "|" + std::string(1, 'A' + i) + ",Choice " + std::to_string(i);
  SetSelectionList(list);
  RunField(state, setting, "A", 0, [](platform::VirtualConsole& console) {
    for (int i = 0; i < kKeysPerField; ++i) console.PushExtendedKey(0x4D);
  });
  SetSelectionList("");
}
BENCHMARK(BM_SelectionSteps);

}  // namespace

BENCHMARK_MAIN();
