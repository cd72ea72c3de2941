#include "line_reader.h"

#include <istream>

namespace tqhost {

LineRead ReadLine(std::istream &in, std::string &line, size_t limit) {
    line.clear();
    std::streambuf *buffer = in.rdbuf();
    bool any = false;
    bool tooLong = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        // One byte more than the limit, for the CR of a CR LF.
        if (line.size() <= limit) {
            line.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    tooLong = tooLong || line.size() > limit;
    return !any ? LineRead::END_OF_INPUT : tooLong ? LineRead::TOO_LONG : LineRead::LINE;
}

}  // namespace tqhost
