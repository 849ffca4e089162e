#include "textfmt/fold.h"

#include "platform/codepage.h"
#include "platform/state_reset.h"

namespace kel {
namespace {

// Both tables cover the codes 64 to 237, entry 0 being code 64.
constexpr int kFirstMapped = 64;
constexpr int kLastMapped = 237;
constexpr std::size_t kTableSize = kLastMapped - kFirstMapped + 1;  // 174

// Folding mode: every letter as a plain capital, everything else of the range as a blank.
constexpr std::string_view kFoldingTable =
    " ABCDEFGHIJKLMNOPQRSTUVWXYZ      ABCDEFGHIJKLMNOPQRSTUVWXYZ     "  // 64-127
    "CUEAAAACEEEIIIAA"   // 128-143
    "EAAOOOUUYOUO O  "   // 144-159
    "AIOUNNAO        "   // 160-175
    "     AAA        "   // 176-191
    "      AA        "   // 192-207
    "DDEEEEIII     I "   // 208-223
    "OSOOOO TTUUUYY";    // 224-237
static_assert(kFoldingTable.size() == kTableSize);

// Normal mode, written as the characters shown on screen. Byte 213 is the dotless i of code
// page 850, which the suite shows as the euro sign; it has no capital and stays.
constexpr const char* kNormalRowsUtf8[] = {
    "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`ABCDEFGHIJKLMNOPQRSTUVWXYZ{|}~⌂",  // 64-127
    "ÇÜÉÂÄÀÅÇÊËÈÏÎÌÄÅ",   // 128-143
    "ÉÆÆÔÖÒÛÙÿÖÜø£Ø×ƒ",   // 144-159
    "ÁÍÓÚÑÑªº¿®¬½¼¡«»",   // 160-175
    "░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐",   // 176-191
    "└┴┬├─┼ÃÃ╚╔╩╦╠═╬¤",   // 192-207
    "ÐÐÊËÈ€ÍÎÏ┘┌█▄¦Ì▀",   // 208-223
    "ÓßÔÒÕÕµþÞÚÛÙÝÝ",     // 224-237
};

std::string BuildNormalTable() {
  std::string table;
  for (const char* row : kNormalRowsUtf8) table += Cp850(row);
  return table;
}

struct FoldState {
  bool fold_accents = false;
};

FoldState& State() {
  static FoldState state;
  return state;
}

const std::string& NormalTable() {
  static const std::string table = BuildNormalTable();
  return table;
}

}  // namespace

std::string FoldText(std::string_view text) {
  const std::string_view table =
      State().fold_accents ? kFoldingTable : std::string_view(NormalTable());
  std::string result(text);
  if (table.size() != kTableSize) return result;
  for (char& ch : result) {
    const int code = static_cast<unsigned char>(ch);
    if (code >= kFirstMapped && code <= kLastMapped) {
      ch = table[static_cast<std::size_t>(code - kFirstMapped)];
    }
  }
  return result;
}

void SetFoldAccents(bool fold) { State().fold_accents = fold; }

bool FoldAccents() { return State().fold_accents; }

void ResetFoldState() { State() = FoldState{}; }

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterStateReset(&ResetFoldState);
}  // namespace


}  // namespace kel
