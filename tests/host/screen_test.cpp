// Reading the screen out of a context block filled by hand, as the engine
// leaves it, and the forms the host prints it in.
#include "screen.h"

#include "key_protocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using tqhost::OneLine;
using tqhost::ReadScreen;

// The display text right-aligned in the 14-cell field as the engine writes
// it; a 15-character text starts in cell 0 and ends in cell 14.
TQCAL_Context Context(const std::string &text, const char *exponent = " 00",
                      bool negative = false) {
    TQCAL_Context ctx{};
    for (auto &cell : ctx.display) {
        cell = u' ';
    }
    size_t end = text.size() > 14 ? text.size() : 14;
    for (size_t i = 0; i < text.size(); ++i) {
        ctx.display[end - text.size() + i] = static_cast<TQCAL_WChar>(text[i]);
    }
    ctx.display[end] = 0;
    for (int i = 0; i < 3; ++i) {
        ctx.exponent[i] = static_cast<TQCAL_WChar>(exponent[i]);
    }
    ctx.exponent[3] = 0;
    ctx.negative = negative ? 1 : 0;
    return ctx;
}

constexpr TQCAL_Status SHOWN_OK = ST_SHOWN | ST_ZERO | (RES_OK << 1);

// A display as the engine leaves it, and what a reader of it should get.
struct DisplayCase {
    const char *text;
    const char *exponent;
    bool negative;
    TQCAL_Status status;
    const char *expected;
};

TEST(OneLine, ReadsAsAPersonReadsTheDisplay) {
    const DisplayCase cases[] = {
        {"0.", " 00", false, SHOWN_OK, "0"},
        {"100.", " 00", false, SHOWN_OK, "100"},
        {"0.01", " 00", false, SHOWN_OK, "0.01"},
        {"5.", " 00", true, SHOWN_OK, "-5"},
        {"0.5", " 00", true, SHOWN_OK, "-0.5"},
        {"1234567890123.", " 00", false, SHOWN_OK, "1234567890123"},
        {"0.3333333333333", " 00", false, SHOWN_OK, "0.3333333333333"},
        {"1234567890123.4", " 00", false, SHOWN_OK, "1234567890123.4"},
        {"1.2345678901234", " 13", false, SHOWN_OK, "1.2345678901234E13"},
        {"1.", "-13", false, SHOWN_OK, "1E-13"},
        {"1.5", "-20", true, SHOWN_OK, "-1.5E-20"},
        {"9.9999999999991", " 99", false, SHOWN_OK, "9.9999999999991E99"},
        // Typing: the point shows as typed, the exponent while it is typed.
        {"12.", " 00", false, ST_TYPED | ST_POINT | (RES_OK << 1), "12"},
        {"12.5", " 00", false, ST_TYPED | ST_POINT | (RES_OK << 1), "12.5"},
        {"5.", " 00", false, ST_TYPED | ST_EXP_ENTRY | (RES_OK << 1), "5E00"},
        {"5.", " 07", false, ST_TYPED | ST_EXP_ENTRY | (RES_OK << 1), "5E07"},
        // After a failure the display keeps its text; the line says why.
        {"0.", " 00", false, ST_SHOWN | ST_ZERO | (RES_ERROR << 1), "Error"},
        {"7.", " 00", false, ST_SHOWN | ST_ZERO | (RES_FULL << 1), "Full"},
        {"7.", " 00", false, ST_SHOWN | ST_ZERO | (3u << 1), "Error"},
    };
    for (const auto &c : cases) {
        TQCAL_Context ctx = Context(c.text, c.exponent, c.negative);
        EXPECT_EQ(OneLine(ReadScreen(ctx, c.status)), c.expected)
            << "[" << c.text << "] " << c.exponent;
    }
}

TEST(ReadScreen, ExponentShownWhileTypedOrWhenNotZero) {
    // The dispatcher sets ST_EXP_ENTRY after formatting an exponent, and the
    // tidy-up clears it: the text is what says an exponent is shown.
    EXPECT_TRUE(ReadScreen(Context("1.", " 20"), SHOWN_OK).exponentShown);
    EXPECT_TRUE(ReadScreen(Context("1.", "-13"), SHOWN_OK).exponentShown);
    EXPECT_FALSE(ReadScreen(Context("1.", " 00"), SHOWN_OK).exponentShown);
    EXPECT_TRUE(ReadScreen(Context("1.", " 00"), SHOWN_OK | ST_EXP_ENTRY).exponentShown);
}

TEST(ReadScreen, NeverReadsPastTheDisplayArea) {
    TQCAL_Context ctx = Context("1.");
    for (auto &cell : ctx.display) {
        cell = u'8';  // no terminator anywhere
    }
    for (auto &cell : ctx.exponent) {
        cell = u'1';
    }
    ctx.display[3] = 0x2212;  // the engine writes ASCII only; anything else shows
    auto screen = ReadScreen(ctx, SHOWN_OK);
    EXPECT_EQ(screen.text, "888?8888888888888");
    EXPECT_EQ(screen.exponentDigits, "111");
}

TEST(PanelRows, TheDisplayRow) {
    const DisplayCase cases[] = {
        {"1.2345678901234", "-13", true, SHOWN_OK, " -1.2345678901234 -13     "},
        {"0.01", " 00", false, SHOWN_OK, "             0.01         "},
        {"5.", " 00", true, SHOWN_OK, "              -5.         "},
        {"5.", " 20", false, SHOWN_OK, "               5.  20     "},
        // After a failure the display reads the outcome, not the old number.
        {"12.", " 20", true, ST_SHOWN | ST_ZERO | (RES_ERROR << 1), "            Error         "},
        {"12.", " 00", false, ST_SHOWN | ST_ZERO | (RES_FULL << 1), "             Full         "},
    };
    for (const auto &c : cases) {
        auto rows = tqhost::PanelRows(ReadScreen(Context(c.text, c.exponent, c.negative), c.status),
                                      TQCAL_MODE_ALGEBRAIC);
        EXPECT_EQ(rows[1], c.expected) << c.text;
        // The display's last cell stays put whatever the length of the text.
        EXPECT_EQ(rows[1].find_last_not_of(' ', 17), 16u) << c.text;
    }
}

TEST(PanelRows, Indicators) {
    TQCAL_Context ctx = Context("3.");
    ctx.parenDepth = 12;
    auto rows = tqhost::PanelRows(ReadScreen(ctx, ST_MEMORY | ST_CONST | ST_PCT_BASE | SHOWN_OK),
                                  TQCAL_MODE_EQUAL);
    EXPECT_EQ(rows[0], "MEM      K % (12       EQU");
    ctx.parenDepth = 0;
    rows = tqhost::PanelRows(ReadScreen(ctx, SHOWN_OK), TQCAL_MODE_ALGEBRAIC);
    EXPECT_EQ(rows[0], "                       ALG");
    EXPECT_EQ(rows[0].size(), static_cast<size_t>(tqhost::PANEL_WIDTH));
}

TEST(JsonState, CarriesTheObservableState) {
    TQCAL_Context ctx = Context("0.01");
    ctx.value = 0.01;
    ctx.memory = -2.5;
    ctx.parenDepth = 1;
    std::string json =
        tqhost::JsonText(tqhost::JsonState(ctx, SHOWN_OK | ST_MEMORY, TQCAL_MODE_EQUAL, ""));
    EXPECT_EQ(
        json,
        "{\"screen\":\"0.01\",\"display\":\"0.01\",\"exponent\":\" 00\",\"exponentShown\":false,"
        "\"negative\":false,\"heldValue\":0.01,\"shownValue\":0.01,\"memory\":-2.5,\"result\":\"ok\",\"status\":" +
            std::to_string(SHOWN_OK | ST_MEMORY) +
            ",\"bits\":[\"memory\",\"shown\",\"zero\"],\"parenDepth\":1,\"mode\":\"equal\"}");
    json = tqhost::JsonText(
        tqhost::JsonState(Context("1.", " 20", true), SHOWN_OK, TQCAL_MODE_ALGEBRAIC, "+/-"));
    EXPECT_EQ(json.rfind("{\"key\":\"+/-\",\"screen\":\"-1E20\"", 0), 0u) << json;
}

TEST(JsonState, NumbersAndStrings) {
    EXPECT_EQ(tqhost::JsonNumber(1e20), "1e+20");
    EXPECT_EQ(tqhost::JsonNumber(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(tqhost::JsonNumber(INFINITY), "null");
    EXPECT_EQ(tqhost::JsonNumber(NAN), "null");
    EXPECT_EQ(tqhost::JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

}  // namespace
