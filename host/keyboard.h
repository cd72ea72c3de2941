// Keyboard of the terminal calculator: which keyboard key presses which
// calculator key (the key table's keyboard column, shared with the page),
// and the legend shown beside the calculator.
#pragma once

#include <span>
#include <vector>

namespace tqhost {

// Inputs are characters, or one of the values below for keys that have no
// character of their own.
inline constexpr int INPUT_ENTER = '\n';
inline constexpr int INPUT_BACKSPACE = '\b';
inline constexpr int INPUT_TAB = '\t';
inline constexpr int INPUT_ESCAPE = 0x1b;
inline constexpr int INPUT_DELETE = 0x7f;

// What a keyboard key does besides pressing a calculator key.
inline constexpr int COMMAND_NONE = -1;
inline constexpr int COMMAND_QUIT = -2;
inline constexpr int COMMAND_MODE = -3;

// The calculator key code for a keyboard input, or one of the COMMAND_* values.
int CodeForInput(int input);

struct LegendEntry {
    const char *keys;   // keyboard keys, as printed: "s", "Enter", "0-9"
    const char *label;  // what they do
};

// The keyboard legend shown beside the calculator, in reading order.
std::span<const LegendEntry> KeyboardLegend();

struct LegendPlace {
    const LegendEntry *entry;
    int row;     // 0-based, within the legend's area
    int column;  // 0-based column of the legend, not of the screen
};

// Lays the legend out down columns in an area of the given number of legend
// columns and rows. When not every entry fits, the last place goes to the
// key that quits, so that the way out is always on the screen.
std::vector<LegendPlace> LayOutLegend(int columns, int rows);

}  // namespace tqhost
