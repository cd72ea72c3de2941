#include "keyboard.h"

#include "key_names.h"
#include "key_table.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tqhost {
namespace {

constexpr std::array LEGEND{
    LegendEntry{"0-9 .", "digits, point"},
    LegendEntry{"+ - * /", "operators"},
    LegendEntry{"( )", "parentheses"},
    LegendEntry{"= Enter", "equals"},
    LegendEntry{"Bksp", "delete digit"},
    LegendEntry{"n", "+/- sign"},
    LegendEntry{"E", "EXP exponent"},
    LegendEntry{"%", "percent"},
    LegendEntry{"P b", "pct  blank"},
    LegendEntry{"Del k", "CE clear entry"},
    LegendEntry{"Esc a", "AC all clear"},
    LegendEntry{"m M", "M+  M-"},
    LegendEntry{"r R w", "MRC  MS  MSalt"},
    LegendEntry{"^ y", "x^y"},
    LegendEntry{"Y", "x^(1/y) root"},
    LegendEntry{"v V", "sqrt  x^2"},
    LegendEntry{"i", "1/x"},
    LegendEntry{"!", "n!"},
    LegendEntry{"p", "pi"},
    LegendEntry{"s S", "sin  asin"},
    LegendEntry{"c C", "cos  acos"},
    LegendEntry{"t T", "tan  atan"},
    LegendEntry{"l L", "ln  e^x"},
    LegendEntry{"g G", "log  10^x"},
    LegendEntry{"o Tab", "mode alg/equal"},
    LegendEntry{"q", "quit"},
};

// The input a keyboard key of the key table arrives as.
int InputFor(std::string_view key) {
    if (key == "Enter") {
        return INPUT_ENTER;
    }
    if (key == "Backspace") {
        return INPUT_BACKSPACE;
    }
    if (key == "Delete") {
        return INPUT_DELETE;
    }
    if (key == "Escape") {
        return INPUT_ESCAPE;
    }
    return key.size() == 1 ? static_cast<unsigned char>(key[0]) : COMMAND_NONE;
}

int CommandForInput(int input) {
    switch (input) {
        case 'o':
        case INPUT_TAB: return COMMAND_MODE;  // o as on the page; Tab moves the focus there
        case 'q':
        case 3:  // Ctrl-C: the terminal is in raw mode, so it arrives as a key
        case 4: return COMMAND_QUIT;
        default: return COMMAND_NONE;
    }
}

}  // namespace

int CodeForInput(int input) {
    if (input >= '0' && input <= '9') {
        return KEY_0 + (input - '0');
    }
    if (input == '\r') {
        input = INPUT_ENTER;  // Enter arrives as either
    }
    for (const tqcal_key_row &row : tqcal_key_rows) {
        for (std::string_view keys = row.keyboard; !keys.empty();) {
            if (InputFor(TakeWord(keys)) == input) {
                return row.code;
            }
        }
    }
    return CommandForInput(input);
}

std::span<const LegendEntry> KeyboardLegend() { return LEGEND; }

std::vector<LegendPlace> LayOutLegend(int columns, int rows) {
    std::vector<LegendPlace> places;
    if (columns < 1 || rows < 1) {
        return places;
    }
    const size_t room = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    std::vector<const LegendEntry *> shown;
    const LegendEntry *quit = nullptr;
    for (const LegendEntry &entry : LEGEND) {
        if (CodeForInput(static_cast<unsigned char>(entry.keys[0])) == COMMAND_QUIT) {
            quit = &entry;
        }
        shown.push_back(&entry);
    }
    if (shown.size() > room) {
        shown.erase(std::remove(shown.begin(), shown.end(), quit), shown.end());
        shown.resize(room - 1);
        shown.push_back(quit);  // there is always a key that quits
    }
    // Fill the columns evenly, top to bottom, left to right.
    size_t perColumn =
        (shown.size() + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns);
    for (size_t i = 0; i < shown.size(); ++i) {
        places.push_back(LegendPlace{shown[i], static_cast<int>(i % perColumn),
                                     static_cast<int>(i / perColumn)});
    }
    return places;
}

}  // namespace tqhost
