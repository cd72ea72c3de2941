// The tqcal program as a shell runs it: options, exit statuses, and which
// output goes where.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

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

// What a shell sees of one run: the arguments, the command whose output is
// standard input, the exit status, and standard output and error exactly
// (nullptr: not looked at).
struct ShellRun {
    const char *what;
    const char *args;
    const char *input;
    int exit;
    const char *out;
    const char *err;
};

constexpr ShellRun SHELL_RUNS[] = {
    {"keys on the command line", "--keys '100 - 99.99 ='", "true", 0, "0.01\n", ""},
    {"key sequences on standard input", "--mode equal", "printf '2+3*4=\\n\\n'", 0, "20\n0\n",
     nullptr},
    {"a key that failed: status 3 after the screen", "--keys '1 / 0 + 5 ='", "true", 3, "0.2\n",
     "tqcal: --keys: key 4 \"+\" at column 7 ended in Error\n"},
    // A bell and an escape sequence in the input come back as text.
    {"input quoted safely in messages", "", "printf '1 + \\007\\033[2J =\\n'", 2, nullptr,
     "tqcal: line 1: unknown key \"\\x07\" at column 5\n  1 + \\x07\\x1B[2J =\n      ^^^^\n"},
    {"version", "--version", "true", 0, "tqcal " TQCAL_VERSION "\n", nullptr},
    {"bad keys: status 2", "--keys '2 + foo ='", "true", 2, "",
     "tqcal: --keys: unknown key \"foo\" at column 5\n  2 + foo =\n      ^^^\n"},
    {"a bad option points to the help", "--frobnicate", "true", 2, "",
     "tqcal: unknown option \"--frobnicate\"\n(tqcal --help lists the options and keys)\n"},
};

TEST(Program, RunsAsAShellSeesThem) {
    for (const ShellRun &expected : SHELL_RUNS) {
        SCOPED_TRACE(expected.what);
        Result run = RunProgram(expected.args, expected.input);
        EXPECT_EQ(run.exit, expected.exit);
        if (expected.out) {
            EXPECT_EQ(run.out, expected.out);
        }
        if (expected.err) {
            EXPECT_EQ(run.err, expected.err);
        }
    }
}

TEST(Program, LinesAroundABadOneAreAnsweredInTheirPlaces) {
    Result run = RunProgram("", "printf 'foo\\n1 + 1 =\\nbar\\n'");
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "\n2\n\n");
    EXPECT_NE(run.err.find("line 3: unknown key \"bar\" at column 1"), std::string::npos)
        << run.err;
}

TEST(Program, AFullDiskIsNamed) {
    Result run = RunProgram("--keys '1 + 1 =' >/dev/full");
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.err, "tqcal: writing the output failed: No space left on device\n");
    run = RunProgram("--help >/dev/full");
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.err, "tqcal: writing the output failed: No space left on device\n");
}

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output, when that is a pipe
};

// tqcal with standard input from the descriptor input and standard output
// to the file output, or else into a pipe the caller reads; its messages go
// to the file errors, or are not looked at.
Child Spawn(int input, const char *output = nullptr, const char *errors = "/dev/null") {
    Child child;
    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (output != nullptr) {
        posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    } else {
        EXPECT_EQ(pipe(pipeEnds), 0);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    }
    char program[] = TQCAL_PROGRAM;
    char *argv[] = {program, nullptr};
    EXPECT_EQ(posix_spawn(&child.pid, program, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(input);
    if (output == nullptr) {
        close(pipeEnds[1]);
        child.out = pipeEnds[0];
    }
    return child;
}

// One line from fd, or what came before the end of the output.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

// A program at the other end of a FIFO that stays open gets each result
// before it writes its next line: the runner answers line by line, and does
// not wait for the end of the input.
TEST(Program, AnswersEachLineOfAFifoBeforeTheNextIsWritten) {
    char dir[] = "/tmp/tqcal-fifo-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string fifo = std::string(dir) + "/keys";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Both ends open before tqcal starts (opening one end alone waits for
    // the other); tqcal then reads an ordinary, blocking FIFO.
    int readEnd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    FILE *keys = std::fopen(fifo.c_str(), "we");  // not inherited: tqcal must see the end
    ASSERT_NE(keys, nullptr);
    fcntl(readEnd, F_SETFL, fcntl(readEnd, F_GETFL) & ~O_NONBLOCK);
    Child child = Spawn(readEnd);
    const std::pair<const char *, const char *> lines[] = {{"100 - 99.99 =", "0.01"},
                                                           {"foo", ""},
                                                           {"2 sqrt", "1.4142135623731"},
                                                           {"1 / 0 =", "Error"}};
    for (const auto &[line, screen] : lines) {
        std::fprintf(keys, "%s\n", line);
        std::fflush(keys);
        EXPECT_EQ(ReadLine(child.out), screen)
            << line;  // blocks if the answer waited for more input
    }
    std::fclose(keys);
    EXPECT_EQ(ReadLine(child.out), "");
    int status = 0;
    waitpid(child.pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    close(child.out);
    std::remove(fifo.c_str());
    rmdir(dir);
}

// The bound of the two constant-memory tests, in kilobytes as rusage counts.
constexpr long RESIDENT_BOUND_KB = 20 * 1024;

// Why a child's peak resident memory cannot be held to the bound here, or
// null. A sanitizer's shadow memory alone is larger. And the peak that wait4
// reports for a child starts at this process's resident memory when the
// child was forked, so once this process has been above the bound the
// child's own peak cannot be told from it: ctest runs each test in a fresh
// process, which stays far below; a run of the whole test program in one
// process may not.
const char *WhyPeakCannotBeMeasured() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return "a sanitizer's shadow memory alone is larger than the bound";
#else
    struct rusage self {};
    getrusage(RUSAGE_SELF, &self);
    return self.ru_maxrss >= RESIDENT_BOUND_KB
               ? "this process has been above the bound: run the test alone (ctest does)"
               : nullptr;
#endif
}

// Memory does not grow with the input: a million lines stay under 20 MB of
// resident memory (a runner that reads every line first needs hundreds).
TEST(Program, AMillionLinesInConstantMemory) {
    if (const char *why = WhyPeakCannotBeMeasured()) GTEST_SKIP() << why;
    char path[] = "/tmp/tqcal-million-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE *file = fdopen(fd, "w");
    for (int i = 0; i < 1000000; ++i) {
        std::fprintf(file, "%d + 2 * 3 =\n", i);
    }
    std::fclose(file);
    Child child = Spawn(open(path, O_RDONLY), "/dev/null");
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(wait4(child.pid, &status, 0, &usage), child.pid);
    std::remove(path);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(usage.ru_maxrss, RESIDENT_BOUND_KB) << "kilobytes resident at most";
    std::printf("a million lines: %ld kB resident at most\n", usage.ru_maxrss);
}

std::string FileText(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// One hostile line cannot take the machine's memory: a line of 20 MB (20
// million digits, which were 20 million keys) is one error on its line, the
// lines after it are answered, and the program stays under 20 MB resident.
TEST(Program, ATwentyMegabyteLineIsOneErrorInConstantMemory) {
    if (const char *why = WhyPeakCannotBeMeasured()) GTEST_SKIP() << why;
    char dir[] = "/tmp/tqcal-long-line-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string input = std::string(dir) + "/in", output = std::string(dir) + "/out",
                      errors = std::string(dir) + "/err";
    {
        // Written in pieces: the resident high-water mark of this process
        // is where the child's count starts.
        std::ofstream file(input, std::ios::binary);
        file << "1 + 2 =\n";
        const std::string piece(100000, '1');
        for (int i = 0; i < 200; ++i) {
            file << piece;
        }
        file << "\n3 * 3 =\n";
    }
    Child child = Spawn(open(input.c_str(), O_RDONLY), output.c_str(), errors.c_str());
    int status = 0;
    struct rusage usage {};
    ASSERT_EQ(wait4(child.pid, &status, 0, &usage), child.pid);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(FileText(output), "3\n\n9\n");
    EXPECT_EQ(FileText(errors),
              "tqcal: line 2: longer than 1048576 bytes (1 MiB); not evaluated\n");
    EXPECT_LT(usage.ru_maxrss, RESIDENT_BOUND_KB) << "kilobytes resident at most";
    std::printf("a 20 MB line: %ld kB resident at most\n", usage.ru_maxrss);
    for (const std::string &path : {input, output, errors}) {
        std::remove(path.c_str());
    }
    rmdir(dir);
}

TEST(Program, Help) {
    Result run = RunProgram("--help");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out.rfind("Usage: tqcal", 0), 0u);
    EXPECT_NE(run.out.find("--calc-string"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

}  // namespace
