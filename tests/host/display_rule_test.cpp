// The rule docs/host-program.md gives for how the display is made from the value the
// calculator holds, held against the calculator on random calculations.
// The rule is computed here on the exact decimal expansion of the double,
// with big-integer arithmetic, and shares nothing with the engine's
// formatter, which works in doubles.
#include "batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A non-negative integer in base 10^9, least significant limb first.
struct Big {
    std::vector<uint64_t> limbs;

    static constexpr uint64_t BASE = 1000000000;

    explicit Big(uint64_t v) {
        do {
            limbs.push_back(v % BASE);
            v /= BASE;
        } while (v != 0);
    }
    void Multiply(uint64_t factor) {  // factor below 2^32
        uint64_t carry = 0;
        for (uint64_t &limb : limbs) {
            const uint64_t product = limb * factor + carry;
            limb = product % BASE;
            carry = product / BASE;
        }
        while (carry != 0) {
            limbs.push_back(carry % BASE);
            carry /= BASE;
        }
    }
    std::string Digits() const {
        std::string text = std::to_string(limbs.back());
        char limb[16];
        for (size_t i = limbs.size() - 1; i-- > 0;) {
            std::snprintf(limb, sizeof limb, "%09llu", static_cast<unsigned long long>(limbs[i]));
            text += limb;
        }
        return text;
    }
};

// mantissa * 2^exponent exactly, as decimal digits and the decade of the
// first: 0.0125 is {"125", -2}.
struct Decimal {
    std::string digits;
    int lead;
};

Decimal Exactly(uint64_t mantissa, int exponent) {
    Big big(mantissa);
    int scale = 0;  // the value is big / 10^scale
    for (; exponent > 0; exponent -= std::min(exponent, 29)) {
        big.Multiply(uint64_t{1} << std::min(exponent, 29));
    }
    for (; exponent < 0; exponent += std::min(-exponent, 13)) {
        const int k = std::min(-exponent, 13);
        uint64_t five = 1;
        for (int i = 0; i < k; ++i) {
            five *= 5;
        }
        big.Multiply(five);
        scale += k;
    }
    std::string digits = big.Digits();
    const int lead = static_cast<int>(digits.size()) - 1 - scale;
    digits.erase(digits.find_last_not_of('0') + 1);
    return {digits, lead};
}

// The digit of the decade `place`, 0 beyond the digits.
int DigitAt(const Decimal &d, int place) {
    const int index = d.lead - place;
    return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] - '0' : 0;
}

// The documented rule: what the screen shows for a magnitude of value (given
// as mantissa * 2^exponent) and a sign, as the one-line form prints it.
std::string ShownByTheRule(uint64_t mantissa, int exponent, bool negative) {
    // Below 9.999999999999E-100 the display shows 0.
    if (std::ldexp(static_cast<double>(mantissa), exponent) < 9.999999999999e-100) {
        return "0";
    }
    const Decimal v = Exactly(mantissa, exponent);
    // Just below a power of ten, it shows that power: the first 13 digits 9
    // and the 14th 5 or more (14 nines below 1).
    int n = v.lead;
    bool power = true;
    for (int i = 0; i < 14 && power; ++i) {
        const int d = DigitAt(v, n - i);
        power = i < 13 ? d == 9 : n >= 0 ? d >= 5 : d == 9;
    }
    const bool exponentForm = [&] {
        int m = power ? n + 1 : n;
        return m >= 13 || m <= -13;
    }();
    std::string digits;  // the 14 digits shown, from the decade `top` down
    int top = 0;
    bool allPlaces = false;  // the fraction's trailing zeros are shown
    if (power) {
        n += 1;
        top = exponentForm ? n : std::max(n, 0);
        digits = std::string(14, '0');
        digits[top - n] = '1';
    } else {
        // 3 is added in the decade below the last that can show (the 15th
        // digit from `top`), and the sum is cut to 14 digits.
        top = exponentForm ? n : std::max(n, 0);
        std::vector<int> sum(15);
        for (int i = 0; i < 15; ++i) {
            sum[i] = DigitAt(v, top - i);
        }
        sum[14] += 3;
        for (int i = 14; i > 0 && sum[i] > 9; --i) {
            sum[i] -= 10;
            sum[i - 1] += 1;
        }
        for (int i = 0; i < 14; ++i) {
            digits += static_cast<char>('0' + sum[i]);
        }
        // What is cut, as a fraction of the last digit's unit: at least
        // 0.99 (the lifted 15th digit 9 and the 16th 9) keeps every digit
        // place, zeros included.
        allPlaces = sum[14] == 9 && DigitAt(v, top - 15) == 9;
    }
    // Integer digits: those of decades top..0 (a single 0 below 1).
    const int integerCount = exponentForm ? 1 : top + 1;
    std::string integer = digits.substr(0, integerCount);
    std::string fraction = digits.substr(integerCount);
    const bool fractionZero = fraction.find_first_not_of('0') == std::string::npos;
    // A number with one digit before the point shows no fraction of zeros.
    if (!allPlaces || (integerCount == 1 && fractionZero)) {
        fraction.erase(fraction.find_last_not_of('0') + 1);
    }
    std::string line = (negative ? "-" : "") + integer + (fraction.empty() ? "" : "." + fraction);
    if (exponentForm) {
        char e[16];
        std::snprintf(e, sizeof e, "E%s%02d", n < 0 ? "-" : "", n < 0 ? -n : n);
        line += e;
    }
    return line;
}

std::string ShownByTheRule(double value) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    return ShownByTheRule(mantissa, exponent - 53, value < 0);
}

// The rule for value moved by `ulps` units in its last place (a quarter
// unit at a time), where the formatter's rounding may put a value that lies
// this close to one of the rule's marks.
std::string ShownByTheRuleNear(double value, int quarterUlps) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    return ShownByTheRule((mantissa << 2) + quarterUlps, exponent - 55, value < 0);
}

// The documented examples, and the places where the rule turns.
TEST(DisplayRule, TheReadmeExamples) {
    const struct {
        double value;
        const char *shown;
    } cases[] = {
        {8727.0 / 522.0, "16.718390804597"},  // 16.7183908045976998...: 0.6998 of a unit cut
        {1913.0 / 661.0,
         "2.8940998487140"},  // 2.89409984871406944...: from 0.69 to 0.7, the 0 shows
        {2.718281828459045, "2.718281828459"},
        {2.0 / 3.0, "0.6666666666666"},
        {8.0 / 9.0, "0.8888888888889"},
        {0.1 + 0.2, "0.3"},
        {-0.5, "-0.5"},
        {1e-13 * 0.9999999999999999, "1E-13"},
        {1234567890123.0 * 10.0, "1.234567890123E13"},
        {99999.999999996, "100000"},           // 13 nines and a 6: the power above
        {99999.999999995, "99999.999999995"},  // 99999.99999999499...: 13 nines and a 4
        {9.9999999999991e99, "9.9999999999991E99"},
        {1e-5, "0.00001"},
        {12.000000000000695, "12.000000000000"},  // 0.6945 of a unit cut: every place
        {1.5000000000000695, "1.5000000000000"},
        {2.0000000000000697, "2"},  // one digit before the point, and only zeros
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ShownByTheRule(c.value), c.shown) << c.value;
    }
    // 1.234567890123 + 699 / 1 EXP 16 = holds 1.23456789012306988...: with
    // the 3 added, 1.1E-16 below the next 14 digits, about half a unit in the
    // last place, which the calculator's rounded sum reaches.
    EXPECT_EQ(ShownByTheRule(1.2345678901230699), "1.2345678901230");
    EXPECT_EQ(ShownByTheRuleNear(1.2345678901230699, 3), "1.2345678901231");
}

// Random calculations as a person types them, one line each.
std::string RandomLine(std::mt19937_64 &random) {
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<uint64_t>(n)); };
    auto number = [&] {
        const int length = 1 + pick(13);
        std::string text;
        for (int i = 0; i < length; ++i) {
            text += static_cast<char>('0' + (i == 0 ? 1 + pick(9) : pick(10)));
        }
        if (pick(2) == 0) {
            text.insert(static_cast<size_t>(pick(length + 1)), ".");
        }
        if (pick(6) == 0) {
            text += " EXP " + std::to_string(pick(40));
        }
        return text;
    };
    static const char *const FUNCTIONS[] = {"sqrt", "sin", "cos", "tan", "ln",
                                            "log",  "e^x", "1/x", "x^2", "atan"};
    static const char *const OPERATORS[] = {"+", "-", "*", "/", "^"};
    std::string line = number();
    for (int terms = 1 + pick(3); terms > 0; --terms) {
        line += std::string(" ") + OPERATORS[pick(pick(5) == 0 ? 5 : 4)] + " " + number();
        if (pick(5) == 0) {
            line += std::string(" ") + FUNCTIONS[pick(10)];
        }
    }
    return line + " =";
}

// "name":value from a --json line, the value's text.
std::string Field(const std::string &json, const std::string &name) {
    const std::string key = "\"" + name + "\":";
    size_t start = json.find(key);
    if (start == std::string::npos) {
        return "";
    }
    start += key.size();
    if (json[start] == '"') {
        return json.substr(start + 1, json.find('"', start + 1) - start - 1);
    }
    return json.substr(start, json.find_first_of(",}", start) - start);
}

// How far from a mark the formatter's rounding reaches, in units in the
// last place of the value: the lift and the digits are computed in doubles,
// and in exponent form the value is first divided by its power of ten, which
// is itself up to 4.5 units off.
constexpr int NEAR_ULPS = 8;

TEST(DisplayRule, HoldsOnARandomHundredThousandCalculations) {
    constexpr int LINE_COUNT = 100000;
    std::mt19937_64 random(20261208);
    std::string input;
    std::vector<std::string> lines;
    for (int i = 0; i < LINE_COUNT; ++i) {
        lines.push_back(RandomLine(random));
        input += lines.back() + "\n";
    }
    tqhost::Options options;
    options.json = true;
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    tqhost::RunBatch(options, in, out, err);

    std::istringstream answers(out.str());
    std::string json;
    int checked = 0;
    int nearAMark = 0;
    int farthest = 0;  // quarter units in the last place
    for (int i = 0; std::getline(answers, json); ++i) {
        const std::string screen = Field(json, "screen");
        if (screen == "Error" || screen == "Full") {
            continue;
        }
        const std::string held = Field(json, "heldValue");
        double value = 0;
        ASSERT_EQ(std::from_chars(held.data(), held.data() + held.size(), value).ec, std::errc{})
            << json;
        ++checked;
        if (ShownByTheRule(value) == screen) {
            continue;
        }
        // The formatter rounds in doubles: a value within a few units in
        // its last place of a mark may come out on the other side.
        bool near = false;
        int q = 1;
        for (; q <= 4 * NEAR_ULPS && !near; ++q) {
            near =
                ShownByTheRuleNear(value, q) == screen || ShownByTheRuleNear(value, -q) == screen;
        }
        farthest = std::max(farthest, q - 1);
        EXPECT_TRUE(near) << lines[i] << ": the calculator shows " << screen << ", the rule "
                          << ShownByTheRule(value) << " (held value " << held << ")";
        nearAMark += near ? 1 : 0;
    }
    EXPECT_GT(checked, LINE_COUNT * 9 / 10);
    EXPECT_LT(nearAMark, checked / 200) << "lines near a mark";
    std::printf(
        "%d calculations: the rule as written for %d, within %.2f units in the last place of a "
        "mark for %d\n",
        checked, checked - nearAMark, farthest / 4.0, nearAMark);
}

}  // namespace
