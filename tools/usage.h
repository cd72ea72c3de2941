// The command line of a tool that takes no arguments but --help: one place
// for what "--help", "-h" and anything else mean, so that every such tool
// answers alike.
#ifndef TQCAL_TOOLS_USAGE_H
#define TQCAL_TOOLS_USAGE_H

#include <cstdio>
#include <cstring>

namespace tqcal_tools {

// With no arguments returns -1: the tool goes on. Otherwise prints text to
// standard output and returns the exit status: 0 for --help or -h, 2 for
// anything else.
inline int AnswerUsage(int argc, char **argv, const char *text) {
    if (argc <= 1) return -1;
    std::fputs(text, stdout);
    return std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ? 0 : 2;
}

}  // namespace tqcal_tools

#endif
