// The tqcal program as a shell runs it: options, exit statuses, and which
// output goes where.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Result {
    int exit;
    std::string out;
    std::string err;
};

// Runs "tqcal ARGS" through the shell (ARGS quoted by the caller), with
// standard input from input_command's output.
Result RunProgram(const std::string &args, const std::string &input_command = "true") {
    char errPath[] = "/tmp/tqcal-program-test-XXXXXX";
    int fd = mkstemp(errPath);
    EXPECT_GE(fd, 0);
    std::string command = input_command + " | '" TQCAL_PROGRAM "' " + args + " 2>" + errPath;
    FILE *pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    Result result{};
    std::array<char, 4096> buffer{};
    size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.out.append(buffer.data(), got);
    }
    int status = pclose(pipe);
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    result.err = text.str();
    std::remove(errPath);
    return result;
}

TEST(Program, KeysOnTheCommandLine) {
    Result run = RunProgram("--keys '100 - 99.99 ='");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "0.01\n");
    EXPECT_EQ(run.err, "");
}

TEST(Program, KeySequencesOnStandardInput) {
    Result run = RunProgram("--mode equal", "printf '2+3*4=\\n\\n'");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "20\n0\n");
}

TEST(Program, AKeyThatFailedGivesStatusThreeAfterTheScreen) {
    Result run = RunProgram("--keys '1 / 0 + 5 ='");
    EXPECT_EQ(run.exit, 3);
    EXPECT_EQ(run.out, "0.2\n");
    EXPECT_EQ(run.err, "tqcal: --keys: key 4 \"+\" at column 7 ended in Error\n");
}

TEST(Program, InputIsQuotedSafelyInMessages) {
    // A bell and an escape sequence in the input come back as text.
    Result run = RunProgram("", "printf '1 + \\007\\033[2J =\\n'");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.err, "tqcal: line 1: unknown key \"\\x07\" at column 5\n  1 + \\x07\\x1B[2J =\n      ^^^^\n");
}

TEST(Program, Version) {
    Result run = RunProgram("--version");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "tqcal " TQCAL_VERSION "\n");
}

TEST(Program, BadKeysExitWithStatusTwoAndNoOutput) {
    Result run = RunProgram("--keys '2 + foo ='");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tqcal: --keys: unknown key \"foo\" at column 5\n  2 + foo =\n      ^^^\n");

    run = RunProgram("", "printf '1+1=\\n1+x\\n'");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("line 2: unknown key \"x\" at column 3"), std::string::npos) << run.err;
}

TEST(Program, BadOptionsPointToHelp) {
    Result run = RunProgram("--frobnicate");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tqcal: unknown option \"--frobnicate\"\n(tqcal --help lists the options and keys)\n");
}

TEST(Program, Help) {
    Result run = RunProgram("--help");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out.rfind("Usage: tqcal", 0), 0u);
    EXPECT_NE(run.out.find("--calc-string"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

}  // namespace
