// The batch key runner behind --keys and piped input, and the exit statuses
// of tqcal.
#pragma once

#include "options.h"

#include <cstddef>
#include <iosfwd>

namespace tqhost {

// Exit statuses. A run that meets several reports the first that applies
// in this order: the terminal or the output failed, bad input, a key failed.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_IO_FAILED = 1;  // the terminal, the input or the output failed
inline constexpr int EXIT_BAD_INPUT = 2;  // bad options, or a sequence with bad keys
inline constexpr int EXIT_KEY_FAILED =
    3;  // a key ended in Error or Full; the screen is still printed

// The longest line of standard input that is evaluated: a longer one is
// reported and skipped, so that one line cannot take the machine's memory.
inline constexpr size_t LINE_LIMIT = size_t{1} << 20;

// Runs key sequences on fresh calculators: the --keys sequence, or else one
// sequence per line of in, each answered (and out flushed) before the next
// line is read, so that memory does not grow with the input. Bad keys are
// reported to err with their line and column and the other lines are still
// evaluated; the bad line's place in out holds an empty line (with --json an
// object naming the error), a bad --keys prints nothing. Each sequence prints
// its screen; the first key of a sequence that ended in Error or Full is
// named on err. Raw codes that are no keys (#45 to #250, #254 and above,
// negative ones) are named on err too, but leave the exit status alone. Returns EXIT_IO_FAILED
// as soon as a write fails (said on err), else EXIT_BAD_INPUT when any
// sequence was bad, else EXIT_KEY_FAILED when any key failed, else EXIT_OK.
int RunBatch(const Options &options, std::istream &in, std::ostream &out, std::ostream &err);

// Flushes out. When that or an earlier write failed, says so on err and
// returns false; the cause is what the failed write left in errno, so the
// caller sets errno to 0 before writing.
bool Written(std::ostream &out, std::ostream &err);

}  // namespace tqhost
