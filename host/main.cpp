// tqcal: the calculator engine in a terminal, and a batch key runner.
#include "batch.h"
#include "options.h"
#include "terminal_ui.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    using namespace tqhost;
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!ParseArguments(args, options, error)) {
        std::cerr << "tqcal: " << error << "\n(tqcal --help lists the options and keys)\n";
        return EXIT_BAD_INPUT;
    }
    if (options.help || options.version) {
        errno = 0;
        std::cout << (options.help ? HelpText() : VersionText());
        return Written(std::cout, std::cerr) ? EXIT_OK : EXIT_IO_FAILED;
    }
    if (options.keys || !isatty(STDIN_FILENO)) {
        return RunBatch(options, std::cin, std::cout, std::cerr);
    }
    if (options.trace || options.json || options.calcString) {
        std::cerr
            << "tqcal: --trace, --json and --calc-string need --keys or key sequences on standard input\n";
        return EXIT_BAD_INPUT;
    }
    if (!isatty(STDOUT_FILENO)) {
        std::cerr
            << "tqcal: the calculator screen needs a terminal on standard output; use --keys\n";
        return EXIT_IO_FAILED;
    }
    return RunTerminal(options.mode);
}
