#include "screen.h"

#include "tqcal_host.h"

#include <charconv>
#include <cstdio>
#include <limits>
#include <vector>

namespace tqhost {
namespace {

// The engine writes only digits, '.', '-' and blanks; anything else would
// be a fault worth seeing rather than hiding.
char CellChar(TQCAL_WChar cell) {
    return (cell >= 0x20 && cell < 0x7f) ? static_cast<char>(cell) : '?';
}

// Reads cells up to the terminator, never past max cells.
std::string CellText(const TQCAL_WChar *cells, size_t max) {
    std::string text;
    for (size_t i = 0; i < max && cells[i] != 0; ++i) {
        text += CellChar(cells[i]);
    }
    return text;
}

std::string Trim(const std::string &text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

constexpr struct {
    TQCAL_Status bit;
    const char *name;
} STATUS_BITS[] = {
    {ST_TYPED, "typed"},     {ST_MEMORY, "memory"}, {ST_CONST, "const"}, {ST_PCT_BASE, "pct-base"},
    {ST_FRESH, "fresh"},     {ST_EXP_ENTRY, "exp"}, {ST_SHOWN, "shown"}, {ST_ZERO, "zero"},
    {ST_CLEARED, "cleared"}, {ST_POINT, "point"},   {ST_MRC, "mrc"},
};

void Place(std::string &row, size_t at, std::string_view text) {
    if (at + text.size() > row.size()) {
        row.resize(at + text.size(), ' ');
    }
    row.replace(at, text.size(), text);
}

}  // namespace

double ShownValue(const Screen &screen) {
    if (screen.result != RES_OK) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    std::string number = (screen.negative ? "-" : "") + screen.text;
    if (screen.exponentShown) {
        number +=
            std::string("e") + (screen.exponentSign == '-' ? "-" : "") + screen.exponentDigits;
    }
    double value = std::numeric_limits<double>::quiet_NaN();
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

std::string DisplayText(const TQCAL_WChar *cells, size_t max) { return Trim(CellText(cells, max)); }

Screen ReadScreen(const TQCAL_Context &ctx, TQCAL_Status status) {
    Screen screen;
    screen.text = DisplayText(ctx.display, TQCAL_DISPLAY_AREA);
    std::string exponent = CellText(ctx.exponent, TQCAL_EXPONENT_CELLS);
    if (!exponent.empty()) {
        screen.exponentSign = exponent[0] == '-' ? '-' : ' ';
        screen.exponentDigits = exponent.substr(1);
    }
    bool exponentNonZero = screen.exponentDigits.find_first_not_of('0') != std::string::npos;
    screen.exponentShown = (status & ST_EXP_ENTRY) != 0 || exponentNonZero;
    screen.negative = ctx.negative != 0;
    screen.result = tqcal_result(status);
    screen.memory = (status & ST_MEMORY) != 0;
    screen.constant = (status & ST_CONST) != 0;
    screen.percentBase = (status & ST_PCT_BASE) != 0;
    screen.openParens = ctx.parenDepth;
    return screen;
}

std::string_view ResultName(int result) {
    switch (result) {
        case RES_OK: return "ok";
        case RES_FULL: return "full";
        default: return "error";
    }
}

std::string OneLine(const Screen &screen) {
    if (screen.result == RES_FULL) {
        return "Full";
    }
    if (screen.result != RES_OK) {
        return "Error";
    }
    std::string line = screen.text;
    if (!line.empty() && line.back() == '.') {
        line.pop_back();
    }
    if (line.empty()) {
        line = "0";
    }
    if (screen.negative) {
        line.insert(line.begin(), '-');
    }
    if (screen.exponentShown) {
        line += 'E';
        if (screen.exponentSign == '-') {
            line += '-';
        }
        line += screen.exponentDigits;
    }
    return line;
}

std::string StatusBitNames(TQCAL_Status status) {
    std::string names;
    for (const auto &bit : STATUS_BITS) {
        if ((status & bit.bit) != 0) {
            if (!names.empty()) {
                names += ' ';
            }
            names += bit.name;
        }
    }
    return names;
}

std::string TraceLine(std::string_view key, const TQCAL_Context &ctx, TQCAL_Status status) {
    Screen screen = ReadScreen(ctx, status);
    char head[96];
    std::snprintf(head, sizeof head, "%-6.*s %-20s %-5s 0x%04x", static_cast<int>(key.size()),
                  key.data(), OneLine(screen).c_str(),
                  std::string(ResultName(screen.result)).c_str(), static_cast<unsigned>(status));
    std::string line = head;
    std::string bits = StatusBitNames(status);
    if (!bits.empty()) {
        line += ' ';
        line += bits;
    }
    if (ctx.parenDepth > 0) {
        line += " parens=" + std::to_string(ctx.parenDepth);
    }
    return line;
}

JsonObject JsonState(const TQCAL_Context &ctx, TQCAL_Status status, int mode,
                     std::string_view key) {
    Screen screen = ReadScreen(ctx, status);
    JsonObject json;
    if (!key.empty()) {
        AddString(json, "key", key);
    }
    AddString(json, "screen", OneLine(screen));
    AddString(json, "display", screen.text);
    AddString(json, "exponent", CellText(ctx.exponent, TQCAL_EXPONENT_CELLS));
    AddBool(json, "exponentShown", screen.exponentShown);
    AddBool(json, "negative", screen.negative);
    AddNumber(json, "heldValue", ctx.value);
    AddNumber(json, "shownValue", ShownValue(screen));
    AddNumber(json, "memory", ctx.memory);
    AddString(json, "result", ResultName(screen.result));
    AddInteger(json, "status", status);
    std::vector<std::string_view> bits;
    for (const auto &bit : STATUS_BITS) {
        if ((status & bit.bit) != 0) {
            bits.emplace_back(bit.name);
        }
    }
    AddStrings(json, "bits", bits);
    AddInteger(json, "parenDepth", ctx.parenDepth);
    AddString(json, "mode", mode == TQCAL_MODE_ALGEBRAIC ? "algebraic" : "equal");
    return json;
}

std::array<std::string, 2> PanelRows(const Screen &screen, int mode) {
    std::string indicators(PANEL_WIDTH, ' ');
    if (screen.memory) {
        Place(indicators, 0, "MEM");
    }
    if (screen.constant) {
        Place(indicators, 9, "K");
    }
    if (screen.percentBase) {
        Place(indicators, 11, "%");
    }
    if (screen.openParens > 0) {
        Place(indicators, 13, "(" + std::to_string(screen.openParens));
    }
    Place(indicators, PANEL_WIDTH - 3, mode == TQCAL_MODE_ALGEBRAIC ? "ALG" : "EQU");

    // 15 cells for the text (a 14-digit result and its point) from cell 2,
    // so that the last cell stays put; the sign goes right before the first
    // digit, where a reader looks for it; a blank, then the exponent.
    constexpr size_t TEXT_END = 2 + 15;
    std::string display(PANEL_WIDTH, ' ');
    if (screen.result != RES_OK) {
        std::string word(screen.result == RES_FULL ? "Full" : "Error");
        Place(display, TEXT_END - word.size(), word);
        return {indicators, display};
    }
    std::string text =
        screen.text.size() > 15 ? screen.text.substr(screen.text.size() - 15) : screen.text;
    Place(display, TEXT_END - text.size(), text);
    if (screen.negative) {
        Place(display, TEXT_END - text.size() - 1, "-");
    }
    if (screen.exponentShown) {
        Place(display, TEXT_END + 1, std::string(1, screen.exponentSign) + screen.exponentDigits);
    }
    return {indicators, display};
}

}  // namespace tqhost
