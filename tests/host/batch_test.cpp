// The batch runner: key sequences as a person types them and the screen
// they see at the end, the other output forms, and bad input.
#include "batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

struct BatchRun {
    int exit;
    std::string out;
    std::string err;
};

BatchRun RunWith(const std::vector<std::string> &args, const std::string &input = "") {
    tqhost::Options options;
    std::string error;
    EXPECT_TRUE(tqhost::ParseArguments(args, options, error)) << error;
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    int exit = tqhost::RunBatch(options, in, out, err);
    return {exit, out.str(), err.str()};
}

// A sequence that ends on Error or Full has a key that failed; one that
// recovers afterwards is tested on its own below.
int ExitFor(const std::string &screen) {
    return screen == "Error" || screen == "Full" ? tqhost::EXIT_KEY_FAILED : tqhost::EXIT_OK;
}

struct SequenceCase {
    const char *keys;
    const char *screen;
    const char *mode = "algebraic";
};

// Sequences as a person types them, and the screen they then see.
TEST(BatchScreens, RealisticSequences) {
    const SequenceCase cases[] = {
        {"", "0"},
        {"100 - 99.99 =", "0.01"},
        {"0.1 + 0.2 =", "0.3"},
        {"2 + 3 * 4 =", "14"},
        {"2 + 3 * 4 =", "20", "equal"},
        {"2 + 3 * 4 - 5 / 5 =", "3", "equal"},
        {"1 / 3 =", "0.3333333333333"},
        {"2 / 3 =", "0.6666666666666"},
        {"0 - 5 =", "-5"},
        {"6 × 7 − 2 =", "40"},
        {"1 / 0 =", "Error"},
        {"2 * ( 3 + 4 )", "7"},
        {"( ( 1 + 2 ) * 3 ) =", "9"},
        {"1 + + - 2 =", "-1"},
        {"1 + 2 CE 3 =", "4"},
        {"50 + 10 % =", "50.1"},
        {"#2 #12 #3 #11 #45", "5"},
        {"12345678901234", "1234567890123"},  // the 14th digit does not fit
        {"0.000000000001", "0.000000000001"},
        {"1.5 .5", "1.55"},  // a second point is ignored
        {"12 +/- 3", "-123"},
        {"1 2 +/- BS", "-1"},
        {"5 EXP 1 2 3", "5E23"},
        {"5 EXP 2 0 +/-", "-5E20"},
        {"9999999999999 + 1 =", "1E13"},
        {"1234567890123 * 10 =", "1.234567890123E13"},
        {"0.000000000001 / 10 =", "1E-13"},
        {"5 EXP 1 !", "3.0414093201713E64"},
        {"1 EXP 99 * 10 =", "Error"},
        {"30 sin", "0.5"},
        {"0.5 asin", "30"},
        {"90 tan", "Error"},
        {"2 sqrt", "1.4142135623731"},
        {"1 e^x", "2.718281828459"},
        {"pi", "3.1415926535898"},
        {"2 ^ 3 ^ 2 =", "64"},
        {"27 root 3 =", "3"},
        {"2 * * = = =", "16"},
        {"10 - - = =", "-10"},
        {"200 * 10 pct +", "220"},
        {"200 * 10 pct +/- +", "180"},
        {"50 / 25 pct", "200"},
        {"2 + + pi pct", "3.2044245066616"},
        {"5 M+ 3 M- MRC", "2"},
        {"5 M+ 3 M- MRC MRC", "0"},
        {"2 + 3 M+ AC MRC", "5"},
        {"( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( 1 =", "1"},
        {"( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( (", "Full"},
        {"1 + 2 blank + 4 =", "7"},
    };
    for (const auto &c : cases) {
        BatchRun run = RunWith({"--keys", c.keys, "--mode", c.mode});
        EXPECT_EQ(run.exit, ExitFor(c.screen)) << c.keys << "\n" << run.err;
        EXPECT_EQ(run.out, std::string(c.screen) + "\n") << c.keys << " (" << c.mode << ")";
    }
}

TEST(BatchCalcString, EvaluatesTheWholeSequenceInOneCall) {
    const SequenceCase cases[] = {
        {"", "0"},
        {"1 + 2 * 3", "7"},
        {"0 - 5 =", "-5"},
        {"1 / 0 =", "Error"},
        {"5 EXP 20", "5E20"},
        {"2 + + = =", "8"},
        {"#45 #100 7", "7"},
        {"( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( 1", "Error"},
    };
    for (const auto &c : cases) {
        BatchRun run = RunWith({"--calc-string", "--keys", c.keys});
        EXPECT_EQ(run.exit, ExitFor(c.screen)) << c.keys << run.err;
        EXPECT_EQ(run.out, std::string(c.screen) + "\n") << c.keys;
    }
}

TEST(BatchCalcString, JsonCarriesTheValue) {
    BatchRun run = RunWith({"--calc-string", "--json", "--keys", "0 - 5"});
    EXPECT_EQ(
        run.out,
        "{\"screen\":\"-5\",\"ok\":true,\"display\":\"5.\",\"heldValue\":-5,\"shownValue\":-5,\"failedKey\":null}\n");
    run = RunWith({"--calc-string", "--json", "--keys", "1 / 0"});
    EXPECT_EQ(
        run.out,
        "{\"screen\":\"Error\",\"ok\":false,\"display\":\"\",\"heldValue\":10000000000001,\"shownValue\":null,"
        "\"failedKey\":{\"number\":4,\"key\":\"=\",\"column\":null,\"result\":\"error\"}}\n");
}

TEST(BatchCalcString, DirectCodesCannotBeGiven) {
    for (const char *keys : {"200 + 10 pct", "1 + 2 #253", "5 MSalt"}) {
        BatchRun run = RunWith({"--calc-string", "--keys", keys});
        EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT) << keys;
        EXPECT_EQ(run.out, "") << keys;
        EXPECT_NE(run.err.find("cannot be given the codes 251 to 253"), std::string::npos)
            << run.err;
    }
}

TEST(BatchCalcString, CodesNoByteHoldsCannotBeGiven) {
    for (const char *keys : {"5 #1000", "#-1 5"}) {
        BatchRun run = RunWith({"--calc-string", "--keys", keys});
        EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT) << keys;
        EXPECT_NE(run.err.find("one byte a key"), std::string::npos) << run.err;
    }
    // Pressed key by key, such codes are no keys: they change nothing.
    BatchRun run = RunWith({"--keys", "#-1 5 #1000 ="});
    EXPECT_EQ(run.exit, tqhost::EXIT_OK);
    EXPECT_EQ(run.out, "5\n");
}

TEST(BatchInput, OneSequencePerLineEachOnAFreshCalculator) {
    BatchRun run = RunWith({}, "2 * * = =\n= \n\n100 - 99.99 =\r\n1 / 0 =");
    EXPECT_EQ(run.exit, tqhost::EXIT_KEY_FAILED);
    EXPECT_EQ(run.out, "8\n0\n0\n0.01\nError\n");
    EXPECT_EQ(run.err, "tqcal: line 5: key 4 \"=\" at column 7 ended in Error\n");
    run = RunWith({"--mode", "equal"}, "2 + 3 * 4 =\n");
    EXPECT_EQ(run.out, "20\n");
    run = RunWith({}, "");
    EXPECT_EQ(run.out, "");
}

// A bad line is reported with its number, keeps its place in the output
// with an empty line, and the lines around it are still evaluated; the exit
// status says there was bad input, before any key that failed.
TEST(BatchInput, BadLinesAreReportedAndTheOthersStillEvaluated) {
    BatchRun run = RunWith({}, "1 + 1 =\n2 + foo\n1 / 0 =\n4..5\n");
    EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT);
    EXPECT_EQ(run.out, "2\n\nError\n\n");
    EXPECT_EQ(run.err,
              "tqcal: line 2: unknown key \"foo\" at column 5\n"
              "  2 + foo\n"
              "      ^^^\n"
              "tqcal: line 3: key 4 \"=\" at column 7 ended in Error\n"
              "tqcal: line 4: bad number \"4..5\" at column 1: a number has at most one point\n"
              "  4..5\n"
              "  ^^^^\n");
    // --keys is one sequence: bad keys print nothing.
    run = RunWith({"--keys", "2 + foo"});
    EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT);
    EXPECT_EQ(run.out, "");
}

// Every output form keeps each input line's place: a bad line, or one over
// the length limit, answers with one line of its own (empty, or with --json
// an object naming the error) between what the lines around it print.
TEST(BatchInput, EveryOutputFormKeepsABadLinesPlace) {
    const struct {
        std::string line;
        std::string error;
    } bad[] = {
        {"foo", "unknown key \\\"foo\\\" at column 1"},
        {std::string(tqhost::LINE_LIMIT + 1, '1'), "the line is longer than 1048576 bytes"},
    };
    const std::vector<std::string> forms[] = {
        {},
        {"--json"},
        {"--trace"},
        {"--trace", "--json"},
        {"--calc-string"},
        {"--calc-string", "--json"},
    };
    for (const auto &form : forms) {
        const bool json = std::find(form.begin(), form.end(), "--json") != form.end();
        const std::string before = RunWith(form, "1 + 1 =\n").out;
        const std::string after = RunWith(form, "2 * 3 =\n").out;
        for (const auto &b : bad) {
            const std::string held = json ? "{\"error\":\"" + b.error + "\"}\n" : "\n";
            BatchRun run = RunWith(form, "1 + 1 =\n" + b.line + "\n2 * 3 =\n");
            EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT);
            EXPECT_EQ(run.out, before + held + after) << form.size() << " options, json " << json;
        }
    }
}

// Each line's result is out (flushed) before the next line is read.
TEST(BatchInput, EachResultIsFlushedBeforeTheNextLineIsRead) {
    struct Watch : std::streambuf {
        std::string written;
        std::string flushed;
        int overflow(int c) override {
            written += static_cast<char>(c);
            return c;
        }
        int sync() override {
            flushed = written;
            return 0;
        }
    } watch;
    // Input that records, at every read, what had been flushed by then.
    struct Lines : std::streambuf {
        const Watch *watch;
        std::vector<std::string> lines;
        std::vector<std::string> flushedBefore;
        std::string current;
        int_type underflow() override {
            if (lines.empty()) {
                return traits_type::eof();
            }
            flushedBefore.push_back(watch->flushed);
            current = lines.front();
            lines.erase(lines.begin());
            setg(current.data(), current.data(), current.data() + current.size());
            return traits_type::to_int_type(current[0]);
        }
    } input;
    input.watch = &watch;
    input.lines = {"1 + 1 =\n", "2 * 3 =\n", "foo\n"};
    tqhost::Options options;
    std::ostream out(&watch);
    std::istream in(&input);
    std::ostringstream err;
    EXPECT_EQ(tqhost::RunBatch(options, in, out, err), tqhost::EXIT_BAD_INPUT);
    EXPECT_EQ(input.flushedBefore, (std::vector<std::string>{"", "2\n", "2\n6\n"}));
    EXPECT_EQ(watch.flushed, "2\n6\n\n");
}

// A write that fails stops the run at once with status 1 and a message.
TEST(BatchOutput, AFailedWriteIsReported) {
    struct Full : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } full;
    std::ostream out(&full);
    std::istringstream in("1 + 1 =\n2 + 2 =\n");
    std::ostringstream err;
    tqhost::Options options;
    EXPECT_EQ(tqhost::RunBatch(options, in, out, err), tqhost::EXIT_IO_FAILED);
    EXPECT_EQ(err.str().rfind("tqcal: writing the output failed", 0), 0u) << err.str();
    EXPECT_EQ(err.str().find("failed", 35), std::string::npos) << "reported once: " << err.str();
}

TEST(BatchTrace, OneLinePerKeyAfterTheFreshState) {
    BatchRun run = RunWith({"--trace", "--keys", "12 + #99 ( 3 ="});
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out,
              "start  0                    ok    0x0102 shown\n"
              "1      1                    ok    0x0003 typed\n"
              "2      12                   ok    0x0003 typed\n"
              "+      12                   ok    0x0302 shown zero\n"
              "#99    12                   ok    0x0302 shown zero  (not a key)\n"
              "(      0                    ok    0x0302 shown zero parens=1\n"
              "3      3                    ok    0x0003 typed parens=1\n"
              "=      15                   ok    0x0302 shown zero\n");
}

TEST(BatchTrace, JsonTraceHasOneObjectPerKey) {
    BatchRun run = RunWith({"--trace", "--json", "--keys", "1 EXP +"});
    std::istringstream lines(run.out);
    std::vector<std::string> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(line.substr(0, line.find(",\"display\"")));
    }
    EXPECT_EQ(objects,
              (std::vector<std::string>{
                  "{\"key\":\"start\",\"screen\":\"0\"", "{\"key\":\"1\",\"screen\":\"1\"",
                  "{\"key\":\"EXP\",\"screen\":\"1E00\"", "{\"key\":\"+\",\"screen\":\"1\""}));
}

TEST(BatchJson, FinalStateForTools) {
    BatchRun run = RunWith({"--json", "--keys", "5 M+ 0 - 5 ="});
    EXPECT_EQ(
        run.out,
        "{\"screen\":\"-5\",\"display\":\"5.\",\"exponent\":\" 00\",\"exponentShown\":false,"
        "\"negative\":true,\"heldValue\":-5,\"shownValue\":-5,\"memory\":5,\"result\":\"ok\",\"status\":778,"
        "\"bits\":[\"memory\",\"shown\",\"zero\"],\"parenDepth\":0,\"mode\":\"algebraic\","
        "\"failedKey\":null}\n");
    // While a number is typed the screen shows it, and the held value is
    // still what the last operation key left.
    const struct {
        const char *keys;
        const char *values;
    } typing[] = {
        {"5 +/- 3", "\"heldValue\":-5,\"shownValue\":-53,"},
        {"53", "\"heldValue\":0,\"shownValue\":53,"},
        {"5 EXP 3", "\"heldValue\":0,\"shownValue\":5000,"},
        {"1 / 0 =", "\"heldValue\":0,\"shownValue\":null,"},
        {"0.000001 * 0.0000001 =", "\"heldValue\":9.999999999999999e-14,\"shownValue\":1e-13,"},
    };
    for (const auto &c : typing) {
        run = RunWith({"--json", "--keys", c.keys});
        EXPECT_NE(run.out.find(c.values), std::string::npos) << c.keys << ": " << run.out;
    }
    run = RunWith({"--json", "--keys", "1 / 0 + 5 ="});
    EXPECT_NE(
        run.out.find(
            ",\"failedKey\":{\"number\":4,\"key\":\"+\",\"column\":7,\"result\":\"error\"}}\n"),
        std::string::npos)
        << run.out;
}

struct FailureCase {
    std::vector<std::string> args;
    const char *screen;
    const char *err;
};

// The screen is printed as always; standard error names the first key that
// ended in Error or Full, and the exit status says so.
TEST(BatchFailures, TheFirstKeyThatFailedIsNamed) {
    const FailureCase cases[] = {
        {{"--keys", "1 / 0 + 5 ="},
         "0.2",
         "tqcal: --keys: key 4 \"+\" at column 7 ended in Error\n"},
        {{"--keys", "1 / 0 = 1 / 0 ="},
         "Error",
         "tqcal: --keys: key 4 \"=\" at column 7 ended in Error\n"},
        {{"--keys", "90 tan 5 + 1 ="},
         "6",
         "tqcal: --keys: key 3 \"tan\" at column 4 ended in Error\n"},
        {{"--keys", "1 EXP 99 * 10 ="},
         "Error",
         "tqcal: --keys: key 8 \"=\" at column 15 ended in Error\n"},
        {{"--keys", "#1 #15 #0 #11"},
         "Error",
         "tqcal: --keys: key 4 \"#11\" at column 11 ended in Error\n"},
        {{"--keys", "((((((((((((((((((1"},
         "1",
         "tqcal: --keys: key 18 \"(\" at column 18 ended in Full\n"},
        {{"--mode", "equal", "--keys", "2 - 2 = 1/x"},
         "Error",
         "tqcal: --keys: key 5 \"1/x\" at column 9 ended in Error\n"},
        {{"--trace", "--keys", "1/0="},
         nullptr,
         "tqcal: --keys: key 4 \"=\" at column 4 ended in Error\n"},
        {{"--calc-string", "--keys", "((((((((((((((((((1"},
         "Error",
         "tqcal: --keys: key 18 \"(\" at column 18 ended in Full\n"},
        {{"--calc-string", "--keys", "1 / 0"},
         "Error",
         "tqcal: --keys: the closing \"=\" ended in Error\n"},
    };
    for (const auto &c : cases) {
        BatchRun run = RunWith(c.args);
        std::string what = c.args.back();
        EXPECT_EQ(run.exit, tqhost::EXIT_KEY_FAILED) << what;
        if (c.screen != nullptr) {
            EXPECT_EQ(run.out, std::string(c.screen) + "\n") << what;
        }
        EXPECT_EQ(run.err, c.err) << what;
    }

    BatchRun run = RunWith({}, "1/0=\n2+2=\n1 + " + std::string(17, '(') + "\n");
    EXPECT_EQ(run.exit, tqhost::EXIT_KEY_FAILED);
    EXPECT_EQ(run.out, "Error\n4\nFull\n");
    EXPECT_EQ(run.err,
              "tqcal: line 1: key 4 \"=\" at column 4 ended in Error\n"
              "tqcal: line 3: key 19 \"(\" at column 21 ended in Full\n");
}

TEST(BatchNotAKey, RawCodesThatAreNoKeysAreNamedButDoNoHarm) {
    BatchRun run = RunWith({"--keys", "2 #99 #100 + 3 = #255"});
    EXPECT_EQ(run.exit, tqhost::EXIT_OK);
    EXPECT_EQ(run.out, "5\n");
    EXPECT_EQ(
        run.err,
        "tqcal: --keys: key 2 \"#99\" at column 3 is not a key and was skipped (2 more like it)\n");

    run = RunWith({"--calc-string", "--keys", "#45 7"});
    EXPECT_EQ(run.out, "7\n");
    EXPECT_EQ(run.err, "tqcal: --keys: key 1 \"#45\" at column 1 is not a key and was skipped\n");

    // The codes the host sends straight to the dispatcher are keys.
    run = RunWith({"--keys", "7 #251 #250 #253 #252"});
    EXPECT_EQ(run.out, "7\n");
    EXPECT_EQ(run.err, "tqcal: --keys: key 3 \"#250\" at column 8 is not a key and was skipped\n");

    // The trace says it on the key's own line instead.
    run = RunWith({"--trace", "--keys", "#99"});
    EXPECT_EQ(run.err, "");
}

struct ArgumentCase {
    std::vector<std::string> args;
    const char *error;  // nullptr: accepted
};

TEST(Arguments, OptionsAndTheirMistakes) {
    const ArgumentCase cases[] = {
        {{"-k", "1", "--mode", "eq", "--trace", "--json"}, nullptr},
        {{"--calc-string", "--mode", "algebraic", "--keys", "1"}, nullptr},
        {{"--keys"}, "--keys needs a value"},
        {{"--keys", "1", "--keys", "2"}, "--keys given twice"},
        {{"--mode", "rpn"}, "--mode is algebraic or equal, not \"rpn\""},
        {{"--mode", "EQUAL"}, nullptr},
        {{"--mode=Alg"}, nullptr},
        {{"--mode", "equals"}, "--mode is algebraic or equal, not \"equals\""},
        {{"--mode"}, "--mode needs a value"},
        {{"--verbose"}, "unknown option \"--verbose\""},
        {{"--\a\x1b[2J"}, "unknown option \"--\\x07\\x1B[2J\""},
        {{"--mode", std::string(50, 'x')},
         "--mode is algebraic or equal, not \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\xE2\x80\xA6\""},
        {{"--version", "--keys", "1"}, nullptr},
        {{"1 + 1"}, "unexpected argument \"1 + 1\" (a key sequence goes after --keys)"},
        {{"--calc-string", "--trace"},
         "--trace cannot be used with --calc-string, which evaluates the whole sequence in one call"},
        {{"--calc-string", "--mode", "equal"}, "--calc-string always evaluates in algebraic mode"},
    };
    for (const auto &c : cases) {
        tqhost::Options options;
        std::string error;
        bool ok = tqhost::ParseArguments(c.args, options, error);
        std::string joined;
        for (const auto &arg : c.args) {
            joined += "[" + arg + "]";
        }
        if (c.error == nullptr) {
            EXPECT_TRUE(ok) << joined << ": " << error;
        } else {
            EXPECT_FALSE(ok) << joined;
            EXPECT_EQ(error, c.error) << joined;
        }
    }
    tqhost::Options options;
    std::string error;
    ASSERT_TRUE(tqhost::ParseArguments({"--keys=2 + 2", "--mode=equal", "--json"}, options, error));
    EXPECT_EQ(options.keys, "2 + 2");
    EXPECT_EQ(options.mode, 0);
    EXPECT_TRUE(options.json);
    EXPECT_FALSE(options.trace);
}

}  // namespace

namespace {

// A byte order mark at the start of the input says only that the text is
// UTF-8; anywhere else it is a character that is no key.
TEST(BatchInput, AByteOrderMarkStartingTheInputIsSkipped) {
    BatchRun run = RunWith({},
                           "\xEF\xBB\xBF"
                           "1 + 2 =\n3 =\n");
    EXPECT_EQ(run.exit, tqhost::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "3\n3\n");
    run = RunWith({},
                  "1 =\n\xEF\xBB\xBF"
                  "2 =\n");
    EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT);
    EXPECT_EQ(run.out, "1\n\n");
    EXPECT_EQ(run.err.rfind("tqcal: line 2: unknown key", 0), 0u) << run.err;
}

// A line of up to LINE_LIMIT bytes is evaluated; a longer one is one error
// on its line, and the lines after it are answered.
TEST(BatchInput, ALineOverTheLimitIsOneErrorInItsPlace) {
    const std::string longest(tqhost::LINE_LIMIT, '1');
    const std::string tooLong = longest + "1";
    BatchRun run = RunWith({}, "1 + 1 =\n" + tooLong + "\n" + longest + "\r\n2 * 3 =");
    EXPECT_EQ(run.exit, tqhost::EXIT_BAD_INPUT);
    EXPECT_EQ(run.out, "2\n\n1111111111111\n6\n");
    EXPECT_EQ(run.err, "tqcal: line 2: longer than 1048576 bytes (1 MiB); not evaluated\n");
}

}  // namespace
