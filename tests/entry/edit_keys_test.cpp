// The number-entry keys: what each key returns, what it does to the texts and
// which status bits it leaves.
#include "entry/edit_keys.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace tqcal;

constexpr Status FRESH = TQCAL_STATUS_INITIAL | ST_ZERO;  // after a key

std::string Shown(const Context &ctx) {
    std::string s;
    for (int i = 0; i < FIELD_CELLS + 1 && ctx.display[i] != 0; ++i) s += char(ctx.display[i]);
    return s.substr(s.find_first_not_of(' '));
}

std::string Exponent(const Context &ctx) {
    return {char(ctx.exponent[0]), char(ctx.exponent[1]), char(ctx.exponent[2])};
}

struct Calc {
    Context ctx;
    Status status = FRESH;
};

Calc Fresh() {
    Calc c;
    TQCAL_Status unused;
    tqcal_reset(&c.ctx, &unused);
    return c;
}

int Press(Calc &c, int32_t key) { return EEditInfo(key, c.ctx, c.status); }

struct Step {
    int32_t key;
    int result;
    const char *display;
};

void Keys(Calc &c, std::initializer_list<Step> steps) {
    int i = 0;
    for (const Step &s : steps) {
        EXPECT_EQ(Press(c, s.key), s.result) << "step " << i << " key " << s.key;
        EXPECT_EQ(Shown(c.ctx), s.display) << "step " << i << " key " << s.key;
        ++i;
    }
}

TEST(EditKeys, LeadingZerosThenPointAndDigit) {
    Calc c = Fresh();
    Keys(c, {{KEY_0, 0, "0."},
             {KEY_0, 0, "0."},
             {KEY_7, 0, "7."},
             {KEY_POINT, 0, "7."},
             {KEY_5, 0, "7.5"},
             {KEY_POINT, 0, "7.5"}});
    EXPECT_EQ(c.status & (ST_TYPED | ST_POINT | EDIT_PHASE), uint32_t{ST_TYPED | ST_POINT});
}

TEST(EditKeys, ClearEntryDuringAnEntry) {
    Calc c = Fresh();
    Keys(c, {{KEY_4, 0, "4."}, {KEY_5, 0, "45."}, {KEY_POINT, 0, "45."}, {KEY_CE, 1, "0."}});
    EXPECT_EQ(c.status & (EDIT_PHASE | ST_POINT | ST_TYPED), EDIT_PHASE | ST_TYPED);
    Keys(c, {{KEY_7, 0, "7."}});
}

TEST(EditKeys, ExponentEntryKeepsTheLastTwoDigits) {
    Calc c = Fresh();
    Keys(c, {{KEY_5, 0, "5."}, {KEY_BACKSPACE, 1, "0."}});
    EXPECT_EQ(c.status & EDIT_PHASE, uint32_t{ST_ZERO});
    c.ctx.exponent[0] = u'-';  // only KEY_EXP rewrites the sign
    Keys(c, {{KEY_EXP, 0, "0."}, {KEY_0, 0, "0."}});
    EXPECT_EQ(Exponent(c.ctx), " 00");
    Keys(c, {{KEY_5, 0, "0."}});
    EXPECT_EQ(Exponent(c.ctx), " 05");
    Keys(c, {{KEY_7, 0, "0."}, {KEY_EXP, 0, "0."}});
    EXPECT_EQ(Exponent(c.ctx), " 57");

    Calc d = Fresh();
    Keys(d, {{KEY_5, 0, "5."},
             {KEY_EXP, 0, "5."},
             {KEY_1, 0, "5."},
             {KEY_2, 0, "5."},
             {KEY_3, 0, "5."},
             {KEY_POINT, 0, "5."},
             {KEY_BACKSPACE, 1, "0."}});
    EXPECT_EQ(Exponent(d.ctx), " 23");
    EXPECT_TRUE(d.status & ST_EXP_ENTRY);
    Keys(d, {{KEY_CE, 1, "0."}});
    EXPECT_EQ(Exponent(d.ctx), " 00");
    EXPECT_FALSE(d.status & ST_EXP_ENTRY);
}

TEST(EditKeys, FullFieldDropsDigitsButNotExponentDigits) {
    Calc c = Fresh();
    for (int k : {1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2, 3, 4}) Press(c, k);
    const Status before = c.status;
    EXPECT_EQ(Press(c, KEY_9), 0);
    EXPECT_EQ(Shown(c.ctx), "1234567891234.");
    EXPECT_EQ(c.status, before);
    Keys(c, {{KEY_EXP, 0, "1234567891234."}, {KEY_4, 0, "1234567891234."}});
    EXPECT_EQ(Exponent(c.ctx), " 04");
}

TEST(EditKeys, ShownValueIsNotEdited) {
    Calc c = Fresh();
    c.ctx.display[0] = u'9';  // a 15-character result, say
    const Context before = c.ctx;
    for (int32_t key : {KEY_BACKSPACE, KEY_EXP, KEY_CE}) {
        c.status = FRESH | ST_CLEARED | ST_TYPED;
        EXPECT_EQ(Press(c, key), 0) << key;
        EXPECT_EQ(std::memcmp(&c.ctx, &before, sizeof before), 0) << key;
        EXPECT_EQ(c.status & ~uint32_t{ST_CLEARED}, FRESH | ST_TYPED) << key;
    }
    c.status = FRESH | ST_TYPED;
    EXPECT_EQ(Press(c, KEY_SIGN), 1);
    EXPECT_EQ(c.status, FRESH);

    Calc e = Fresh();
    Press(e, KEY_1);
    EXPECT_EQ(Press(e, KEY_SIGN), 1);
    EXPECT_TRUE(e.status & ST_TYPED);
    EXPECT_EQ(Shown(e.ctx), "1.");
}

TEST(EditKeys, NewEntryOverAResult) {
    Calc c = Fresh();
    c.status = FRESH | ST_CONST;
    SetResultState(c.status, RES_ERROR);
    for (int i = 0; i < 15; ++i) c.ctx.display[i] = u'8';
    Keys(c, {{KEY_3, 0, "3."}});
    EXPECT_FALSE(c.status & ST_CONST);
    EXPECT_EQ(ResultState(c.status), RES_OK);
    EXPECT_EQ(c.ctx.display[FIELD_CELLS], 0);

    // The point starts a new entry too, but leaves the result state and the
    // constant as they are.
    Calc p = Fresh();
    p.status = FRESH | ST_CONST;
    SetResultState(p.status, RES_ERROR);
    p.ctx.display[0] = u'8';
    Keys(p, {{KEY_POINT, 0, "0."}, {KEY_2, 0, "0.2"}});
    EXPECT_TRUE(p.status & ST_CONST);
    EXPECT_EQ(ResultState(p.status), RES_ERROR);
}

TEST(EditKeys, ClearEntryDuringACapacityError) {
    Calc c = Fresh();
    Keys(c, {{KEY_1, 0, "1."}, {KEY_2, 0, "12."}});
    c.status |= ST_EXP_ENTRY | ST_SHOWN | ST_CONST;
    SetResultState(c.status, RES_FULL);
    Keys(c, {{KEY_CE, 0, "12."}});
    EXPECT_EQ(ResultState(c.status), RES_OK);
    EXPECT_EQ(c.status & (ST_CLEARED | ST_EXP_ENTRY | EDIT_PHASE), uint32_t{ST_CLEARED});
    Keys(c, {{KEY_4, 0, "4."}});
    EXPECT_FALSE(c.status & (ST_CLEARED | ST_CONST));

    // A point also ends the capacity error.
    Calc p = Fresh();
    SetResultState(p.status, RES_FULL);
    Keys(p, {{KEY_POINT, 0, "0."}});
    EXPECT_EQ(ResultState(p.status), RES_OK);
}

TEST(EditKeys, OtherCodesPassOnOrAreRefused) {
    Calc c = Fresh();
    c.status = ST_CLEARED | ST_TYPED;
    const Context before = c.ctx;
    for (int32_t key = 11; key <= 44; ++key) {
        if (key == KEY_BACKSPACE || key == KEY_SIGN || key == KEY_CE || key == KEY_EXP) continue;
        EXPECT_EQ(Press(c, key), 1) << key;
    }
    for (int32_t key : {int32_t{KEY_FIRST_NON_KEY}, 250, 251, 253, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(Press(c, key), -1) << key;
    }
    EXPECT_EQ(c.status, uint32_t{ST_CLEARED | ST_TYPED});
    EXPECT_EQ(std::memcmp(&c.ctx, &before, sizeof before), 0);
}

}  // namespace
