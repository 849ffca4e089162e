// Browse lists: a framed window of one-line entries that the user moves through and picks one
// from. What a list shows and where comes from a numbered browse descriptor of the
// application's definition list. Entries come from the memory list the application prepares
// (BrowseList, through the PrepareBrowse hook) or from a record file read in key order
// between two key bounds, each record shown by the BrowseLine hook. They are copied into the
// row cache as they are first needed, so a long record list shows before it has been read.
//
// Up and Down move a row, PgUp and PgDn a page, Left and Right scroll wide lines by 8
// columns (the title in the top frame line scrolls with them, ◄ and ► saying that more lies
// that way), Enter chooses, F4 opens the descriptor's alternate browse, and any other key
// leaves without a choice.
#pragma once

#include <cstdint>
#include <string>

namespace kel {

// Runs browse descriptor number. result: -1 nothing chosen; 0 an entry of a memory list was
// chosen (BrowseSelectedIndex and BrowseSelectedText say which); for a record file the status
// of reading the chosen record (0: it is the file's current record); or the non-zero result
// of PrepareBrowse. A descriptor that does not exist, or whose window does not fit on the
// screen or has no room inside its frame, gives -1 with nothing shown.
void Browse(std::int16_t number, std::int16_t& result);

// BrowseList number of the entry chosen last in a memory list.
std::int32_t BrowseSelectedIndex();
// Text of the entry chosen last in a memory list.
const std::string& BrowseSelectedText();

// Forgets the last choice (tests).
void ResetBrowse();

}  // namespace kel
