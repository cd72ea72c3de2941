/*
 * charconv_double.h - std::from_chars for double, for the C++ library that
 * ships with Emscripten 3.1, which declares the integer overloads only.
 *
 * The web build includes this ahead of every engine source (-include), so the
 * engine compiles unchanged. The conversion is the C library's strtod, which
 * rounds correctly however many digits it is given, as from_chars must. As in
 * the native library, a result too large or too small for a double is
 * reported as result_out_of_range and leaves value alone.
 */
#ifndef TQCAL_WEB_CHARCONV_DOUBLE_H
#define TQCAL_WEB_CHARCONV_DOUBLE_H

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

// The C++ library gained its own from_chars for double in version 17.
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 170000

namespace std {

inline from_chars_result from_chars(const char *first, const char *last, double &value,
                                    chars_format = chars_format::general) {
    // strtod wants a terminated text; the engine hands over a few hundred
    // characters at most.
    char text[1024];
    const size_t length = static_cast<size_t>(last - first);
    if (length >= sizeof text) return {first, errc::invalid_argument};
    memcpy(text, first, length);
    text[length] = '\0';

    // strtod also takes what from_chars refuses: blanks, a '+' and hex.
    const char c = length > 0 ? text[0] : '\0';
    const char next = length > 1 ? text[1] : '\0';
    const bool digitStart = (c >= '0' && c <= '9') || c == '.' || c == '-';
    const bool hex = c == '0' && (next == 'x' || next == 'X');
    if (!digitStart || hex) return {first, errc::invalid_argument};

    char *end = nullptr;
    const int saved = errno;
    errno = 0;
    const double parsed = strtod(text, &end);
    const bool range = errno == ERANGE;
    errno = saved;
    if (end == text) return {first, errc::invalid_argument};
    const char *ptr = first + (end - text);
    if (range && (parsed == 0.0 || isinf(parsed))) return {ptr, errc::result_out_of_range};
    value = parsed;
    return {ptr, errc{}};
}

}  // namespace std

#endif
#endif
