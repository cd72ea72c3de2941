// Lines of a batch run's input, read one at a time with a bound on what is
// kept, so that one line cannot take the machine's memory.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace tqhost {

enum class LineRead { LINE, TOO_LONG, END_OF_INPUT };

// The next line of in into line, without its newline (LF or CR LF). A line
// longer than limit bytes is read to its end but not kept: TOO_LONG.
// END_OF_INPUT when the input has ended (or failed) before any byte of a line.
LineRead ReadLine(std::istream &in, std::string &line, size_t limit);

}  // namespace tqhost
