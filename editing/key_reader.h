// The key and mouse reader every screen waits on.
//
// Besides turning console input into key codes it carries three behaviours no caller has to
// know about: Left Alt + keypad digits type a character by its decimal code, modified
// function and cursor keys get fixed codes, and Alt+X and Alt+C pop up the calculator and the
// calendar from any screen, their result arriving as typed keys through the next polls.
#pragma once

#include <cstdint>
#include <string>

#include "console/keys.h"

namespace kel {

// A pop-up run by a hotkey; its result is typed into whatever waits for keys.
using PopupFunction = std::string (*)();

// Mouse reporting state: not yet probed, on, off with a mouse present, no mouse at all.
enum MouseModeValue : int { kMouseUnprobed = 0, kMouseOn = 1, kMouseOff = 2, kMouseAbsent = 3 };

// Mouse buttons as ReadKeyEvent reports them.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;

// Polls once: key (0 for none), released mouse button (0 for none) and the position of the
// last mouse event. Keys typed ahead leave the other three as they were. It waits only while
// Left Alt is held, for the keypad digits of a character code and the release.
void ReadKeyEvent(KeyCode& key, std::int16_t& button, std::int16_t& mouse_row,
                  std::int16_t& mouse_column);
// True when the next key waiting is Esc (typed ahead or in the console), without taking it;
// key releases queued before it are read as a poll would read them.
bool EscWaiting();
// Waits in the console for a key or a click; a click comes as 256 x column + 64 x button +
// row. A console that can deliver no more input (a used-up test script) gives Esc, so that
// every screen unwinds; a terminal that is gone ends the process as a hang-up does, so that a
// screen that does not leave on Esc cannot spin on it.
void WaitKey(KeyCode& key);
// Waits for a key or a click and returns it.
KeyCode WaitKey();

// Installs the pop-up that Alt+X runs, the library's Calculator until then (none: Alt+X
// types nothing).
void SetCalculatorPopup(PopupFunction popup);
// Installs the pop-up that Alt+C runs, the library's Calendar until then (none: Alt+C types
// nothing).
void SetCalendarPopup(PopupFunction popup);

// The mouse reporting state.
int MouseMode();
// Keys typed ahead and not yet read.
const std::string& TypeAhead();
// Forgets typed-ahead keys, flags, mouse state and the last input's state, and puts the
// library's pop-ups back (tests).
void ResetKeyReader();

}  // namespace kel
