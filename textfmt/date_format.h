// Packed dates as display text: ISO-like, short numeric, abbreviated month and long form in
// the session language, in the user's order of day, month and year.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// Date styles of FormatDate.
inline constexpr int kDateIso = -1;        // YYYY-MM-DD
inline constexpr int kDateNumeric = 0;     // 5/3/2024
inline constexpr int kDateShortMonth = 1;  // 5/mar/2024
inline constexpr int kDateLong = 2;        // 5 de març del 2024 (and any higher style)

// Display text of a packed date in a style, showing the components whose letters (D, M, A in
// any case) are in parts, in the user's order. The numeric and abbreviated styles come back
// at a fixed width for the parts asked; an empty parts text gives an empty text.
std::string FormatDate(std::string_view date, int style, std::string_view parts);

// Separator of the numeric and abbreviated styles ("DatCaracter", "/" by default).
char DateSeparator();

// Order of day (D), month (M) and year (A), 3 characters ("DatOrdre", "DMA" by default).
std::string DateOrder();

// Name of month 1 to 12 in the session language; empty for another number.
std::string MonthName(int month);

// Forgets the loaded settings so that the next call reads them again (tests).
void ResetDateFormatSettings();

}  // namespace kel
