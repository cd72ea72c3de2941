// The edit buffer: typing fills the field from the right, deleting walks it
// back, and a typed point is removed together with the digit before it.
#include "entry/edit_buffer.h"
#include "entry/edit_keys.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tqcal;

std::string Display(const Context &ctx) {
    std::string s;
    for (int i = 0; i < DISPLAY_AREA && ctx.display[i] != 0; ++i) s += char(ctx.display[i]);
    return s;
}

std::string Field(const std::string &text) {
    return text.size() >= 14 ? text : std::string(14 - text.size(), ' ') + text;
}

struct Calc {
    Context ctx;
    Status status = TQCAL_STATUS_INITIAL | ST_ZERO;  // fresh: both phase bits
};

Calc Fresh() {
    Calc c;
    std::memset(&c.ctx, 0x5A, sizeof c.ctx);
    TQCAL_Status unused;
    tqcal_reset(&c.ctx, &unused);
    return c;
}

void Type(Calc &c, const char *keys) {
    for (const char *k = keys; *k; ++k) {
        EEditInfo(*k == '.' ? KEY_POINT : *k - '0', c.ctx, c.status);
    }
}

TEST(EditBuffer, ThirteenDigitsFillTheField) {
    Calc c = Fresh();
    Type(c, "1234567890123");
    EXPECT_EQ(Display(c.ctx), "1234567890123.");
    EXPECT_EQ(ApendChar(c.ctx, c.status, u'4'), 0);
    EXPECT_EQ(Display(c.ctx), "1234567890123.");

    Calc p = Fresh();
    Type(p, ".1");
    EXPECT_EQ(Display(p.ctx), Field("0.1"));
    Type(p, "2345678901299");
    EXPECT_EQ(Display(p.ctx), "0.123456789012");
}

// Each row types keys, then deletes once per expected text.
TEST(EditBuffer, DeletingWalksBackThroughATypedPoint) {
    const struct {
        const char *typed;
        const char *typedText;
        std::vector<const char *> after;  // one text per delete
        bool pointAfterFirst;
    } rows[] = {
        {"12.3", "12.3", {"12.", "1.", "0.", "0."}, true},
        {"1234567890123", "1234567890123.", {"123456789012."}, false},
        {"123456789012.3", "123456789012.3", {"123456789012.", "12345678901."}, true},
    };
    for (const auto &r : rows) {
        Calc c = Fresh();
        Type(c, r.typed);
        EXPECT_EQ(Display(c.ctx), Field(r.typedText)) << r.typed;
        for (size_t i = 0; i < r.after.size(); ++i) {
            EXPECT_EQ(DeleteChar(c.ctx, c.status), 1);
            EXPECT_EQ(Display(c.ctx), Field(r.after[i])) << r.typed << " delete " << i;
            if (i == 0) {
                EXPECT_EQ((c.status & ST_POINT) != 0, r.pointAfterFirst) << r.typed;
            }
        }
        EXPECT_FALSE(c.status & ST_POINT) << r.typed;
        // Only an emptied entry turns back into the placeholder.
        const bool emptied = std::string(r.after.back()) == "0.";
        EXPECT_EQ(c.status & EDIT_PHASE, emptied ? uint32_t{ST_ZERO} : 0u) << r.typed;
    }
}

TEST(EditBuffer, PlaceholderIsReplacedOnlyWhileThePhaseIsSet) {
    Calc c = Fresh();
    c.status = ST_SHOWN;
    EXPECT_EQ(ApendChar(c.ctx, c.status, u'7'), 1);
    EXPECT_EQ(Display(c.ctx), Field("7."));
    EXPECT_EQ(c.status, uint32_t{ST_SHOWN | ST_ZERO});
    ApendChar(c.ctx, c.status, u'8');
    EXPECT_EQ(Display(c.ctx), Field("8."));

    Calc z = Fresh();
    z.status = 0;
    ApendChar(z.ctx, z.status, u'7');
    EXPECT_EQ(Display(z.ctx), Field("07."));
}

TEST(EditBuffer, OddFieldsAreHandledInPlace) {
    Calc c = Fresh();
    c.status = 0;
    for (int i = 0; i < 14; ++i) c.ctx.display[i] = u' ';
    EXPECT_EQ(ApendChar(c.ctx, c.status, u'1'), 0);  // no digit to extend
    EXPECT_EQ(Display(c.ctx), std::string(14, ' '));

    // A lone minus left by a host counts as an empty entry.
    c.ctx.display[11] = u'-';
    c.ctx.display[12] = u'5';
    c.ctx.display[13] = u'.';
    DeleteChar(c.ctx, c.status);
    EXPECT_EQ(Display(c.ctx), Field("0."));
    EXPECT_EQ(c.status, uint32_t{ST_ZERO});

    Calc shown = Fresh();
    Type(shown, "42");
    shown.status |= ST_SHOWN;
    EXPECT_EQ(DeleteChar(shown.ctx, shown.status), 1);
    EXPECT_EQ(Display(shown.ctx), Field("42."));
}

TEST(EditBuffer, ResetRewritesEveryCell) {
    Context ctx;
    std::memset(&ctx, 0x5A, sizeof ctx);
    ResetEditValue(ctx);
    EXPECT_EQ(Display(ctx), Field("0."));
    EXPECT_EQ(ctx.display[15], u' ');
    EXPECT_EQ(ctx.display[16], u' ');
    EXPECT_EQ(std::u16string(ctx.exponent, ctx.exponent + 4), std::u16string(u" 00\0", 4));
    EXPECT_EQ(ctx.negative, 0);
}

// Host-written texts can hold anything: blanks between digits, a point
// anywhere, no digit at all. Appending must shift exactly the cells from
// the first non-blank one to the target cell, whatever stands where; the
// plain cell-by-cell walk below is the rule, over many drawn texts.
TEST(EditBuffer, AppendingToAnyTextShiftsFromTheFirstNonBlankCell) {
    std::mt19937 rng(77);
    const WChar alphabet[] = {u' ', u' ', u' ', u' ', u'1', u'9', u'.', u'-', 0x2007, 0x0120};
    for (int round = 0; round < 20000; ++round) {
        Calc c = Fresh();
        const int blanks = static_cast<int>(rng() % 15);
        for (int i = 0; i < 14; ++i) {
            c.ctx.display[i] = i < blanks ? u' ' : alphabet[rng() % std::size(alphabet)];
        }
        c.status =
            (rng() % 2 ? uint32_t{ST_POINT} : 0u) | (rng() % 4 == 0 ? uint32_t{ST_SHOWN} : 0u);
        Context expected = c.ctx;
        Status expectedStatus = c.status;
        int expectedResult = 1;
        if ((expectedStatus & EDIT_PHASE) != 0) {
            expected.display[12] = u'4';
            expectedStatus |= ST_ZERO;
        } else if (expected.display[0] != u' ') {
            expectedResult = 0;
        } else {
            const int target = (expectedStatus & ST_POINT) ? 13 : 12;
            int first = 0;
            while (first < 14 && expected.display[first] == u' ') ++first;
            if (first == 14) {
                expectedResult = 0;
            } else {
                for (int i = first; i <= target; ++i) expected.display[i - 1] = expected.display[i];
                expected.display[target] = u'4';
            }
        }
        ASSERT_EQ(ApendChar(c.ctx, c.status, u'4'), expectedResult) << "round " << round;
        ASSERT_EQ(std::memcmp(&c.ctx, &expected, sizeof expected), 0) << "round " << round;
        ASSERT_EQ(c.status, expectedStatus) << "round " << round;
    }
}

}  // namespace
