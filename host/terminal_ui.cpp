#include "terminal_ui.h"

#include "batch.h"
#include "key_names.h"
#include "keyboard.h"
#include "key_protocol.h"
#include "screen.h"

#include <curses.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tqhost {
namespace {

constexpr int PANEL_TOP = 1;
constexpr int PANEL_LEFT = 2;
constexpr int MESSAGE_ROW = PANEL_TOP + 4;
constexpr int LEGEND_TOP = PANEL_TOP + 6;
constexpr int LEGEND_KEYS_WIDTH = 9;
constexpr int LEGEND_COLUMN_WIDTH = 25;

// Keyboard keys without a character of their own arrive as curses codes;
// terminals also disagree on what Backspace sends.
int NormaliseInput(int ch) {
    switch (ch) {
        case KEY_BACKSPACE:
        case 127:
        case 8: return INPUT_BACKSPACE;
        case KEY_ENTER:
        case '\r':
        case '\n': return INPUT_ENTER;
        case KEY_DC: return INPUT_DELETE;
        case 27: return INPUT_ESCAPE;
        case '\t': return INPUT_TAB;
        default: return ch >= 0 && ch < 0x7f ? ch : -1;
    }
}

void DrawFrame(int top, int left, int height, int width) {
    mvaddch(top, left, ACS_ULCORNER);
    mvhline(top, left + 1, ACS_HLINE, width - 2);
    mvaddch(top, left + width - 1, ACS_URCORNER);
    for (int row = top + 1; row < top + height - 1; ++row) {
        mvaddch(row, left, ACS_VLINE);
        mvaddch(row, left + width - 1, ACS_VLINE);
    }
    mvaddch(top + height - 1, left, ACS_LLCORNER);
    mvhline(top + height - 1, left + 1, ACS_HLINE, width - 2);
    mvaddch(top + height - 1, left + width - 1, ACS_LRCORNER);
}

struct Size {
    int columns;
    int rows;
};

// The panel alone, and the panel with the whole legend in two columns.
constexpr Size PANEL_SIZE{PANEL_LEFT + PANEL_WIDTH + 4, MESSAGE_ROW + 1};
Size FullSize() {
    const int entries = static_cast<int>(KeyboardLegend().size());
    return Size{PANEL_LEFT + 2 * LEGEND_COLUMN_WIDTH, LEGEND_TOP + (entries + 1) / 2};
}

std::string SizeText(Size size) {
    return std::to_string(size.columns) + "x" + std::to_string(size.rows);
}

bool Fits(Size need) { return COLS >= need.columns && LINES >= need.rows; }

// Too small for the panel: say so, and the size needed, word-wrapped into
// what there is, then the number if there is room left. The screen is
// cleared and sent whole every time (clear, not erase): a terminal this
// small has often just been shrunk, and one that rewraps its lines on a
// resize leaves pieces of the panel where curses believes there are blanks.
// The few cells cost nothing to send again.
void DrawTooSmall(const Calculator &calc) {
    clear();
    const std::string words = "too small: needs " + SizeText(FullSize()) + " (is " +
                              SizeText(Size{COLS, LINES}) + "); q quits";
    std::string line;
    int row = 0;
    auto put = [&](const std::string &text) {
        if (row < LINES) {
            mvaddnstr(row++, 0, text.c_str(), COLS);
        }
    };
    for (size_t pos = 0; pos < words.size();) {
        size_t end = words.find(' ', pos);
        std::string word =
            words.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? words.size() : end + 1;
        if (!line.empty() && static_cast<int>(line.size() + 1 + word.size()) > COLS) {
            put(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    put(line);
    put(OneLine(ReadScreen(calc.ctx, calc.status)));
    refresh();
}

void Draw(const Calculator &calc, const std::string &message) {
    if (!Fits(PANEL_SIZE)) {
        DrawTooSmall(calc);
        return;
    }
    erase();
    Screen screen = ReadScreen(calc.ctx, calc.status);
    auto rows = PanelRows(screen, calc.mode);

    // Room for the panel but not every key of the legend: the legend keeps
    // the way out, and the title says what size shows it all.
    const std::string title =
        Fits(FullSize()) ? "tqcal" : "tqcal  too small, needs " + SizeText(FullSize());
    mvaddnstr(0, PANEL_LEFT, title.c_str(), COLS - PANEL_LEFT);
    DrawFrame(PANEL_TOP, PANEL_LEFT, 4, PANEL_WIDTH + 4);
    mvaddstr(PANEL_TOP + 1, PANEL_LEFT + 2, rows[0].c_str());
    attron(A_BOLD);
    mvaddstr(PANEL_TOP + 2, PANEL_LEFT + 2, rows[1].c_str());
    attroff(A_BOLD);

    int columns = (COLS - PANEL_LEFT) / LEGEND_COLUMN_WIDTH;
    for (const LegendPlace &place : LayOutLegend(columns < 1 ? 1 : columns, LINES - LEGEND_TOP)) {
        int row = LEGEND_TOP + place.row;
        int col = PANEL_LEFT + place.column * LEGEND_COLUMN_WIDTH;
        attron(A_BOLD);
        mvaddnstr(row, col, place.entry->keys, LEGEND_KEYS_WIDTH - 1);
        attroff(A_BOLD);
        mvaddnstr(row, col + LEGEND_KEYS_WIDTH, place.entry->label,
                  LEGEND_COLUMN_WIDTH - LEGEND_KEYS_WIDTH - 1);
    }
    mvaddnstr(MESSAGE_ROW, PANEL_LEFT, message.c_str(), COLS - PANEL_LEFT);
    refresh();
}

std::string ModeMessage(int mode) {
    return mode == TQCAL_MODE_ALGEBRAIC ? "mode: algebraic (* and / before + and -)"
                                        : "mode: equal priority (left to right)";
}

}  // namespace

int RunTerminal(int mode) {
    // The character set follows the user's locale (line drawing in UTF-8
    // terminals); nothing else does, so the host's own number handling
    // keeps its '.' whatever the user's numeric conventions.
    std::setlocale(LC_CTYPE, "");
    SCREEN *terminal = newterm(nullptr, stdout, stdin);
    if (terminal == nullptr) {
        std::fprintf(stderr, "tqcal: cannot use this terminal (TERM=%s); try --keys\n",
                     std::getenv("TERM") != nullptr ? std::getenv("TERM") : "");
        return EXIT_IO_FAILED;
    }
    raw();
    noecho();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    curs_set(0);

    Calculator calc;
    ResetCalculator(calc, mode);
    std::string message = ModeMessage(mode) + "   o switches, q quits";
    for (;;) {
        Draw(calc, message);
        int ch = getch();
        if (ch == ERR || ch == KEY_RESIZE) {
            continue;
        }
        int input = NormaliseInput(ch);
        int code = input < 0 ? COMMAND_NONE : CodeForInput(input);
        if (code == COMMAND_QUIT) {
            break;
        }
        if (code == COMMAND_MODE) {
            calc.mode = calc.mode == TQCAL_MODE_ALGEBRAIC ? TQCAL_MODE_EQUAL : TQCAL_MODE_ALGEBRAIC;
            message = ModeMessage(calc.mode);
            continue;
        }
        if (code == COMMAND_NONE) {
            const char *name = keyname(ch);
            message = std::string("no calculator key on ") + (name != nullptr ? name : "that key");
            continue;
        }
        PressKey(calc, code);
        message = "key: " + KeyLabel(code);
    }
    endwin();
    delscreen(terminal);
    return EXIT_OK;
}

}  // namespace tqhost
