// The help offered on F1 by every input loop.
//
// On a Windows desktop the topic's page "AJUDA\<topic>.HTM" opens in the suite's document
// opener; elsewhere the text help "AJUDA\<topic>.HLP" (fixed-length lines of ScreenColumns
// bytes, no separators) is paged in a double-framed window until Esc.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// The suite's general help, shown by F1 inside any other help.
inline constexpr const char* kGeneralHelpTopic = "ZZOPMENU";

// Shows the help of a topic (a file name without extension) and returns when the user is done.
void ShowHelp(std::string_view topic);
// Pages the text help of a topic, whatever the system.
void ShowTextHelp(std::string_view topic);

// True when a topic is a plain file name that may go on the document opener's command line.
bool IsPlainHelpTopic(std::string_view topic);

// Number of lines of a text help file of a given length with lines of a given width (the
// quotient rounded to the nearest whole number, halves to the even one).
long HelpLineCount(long long file_length, int line_width);

}  // namespace kel
