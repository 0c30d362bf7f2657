#include "LIBRARIES/text/text.hpp"

#include <cmath>

std::string_view trimmed(std::string_view s, std::string_view blanks) {
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::string_view trimmedRight(std::string_view s, std::string_view blanks) {
    const auto end = s.find_last_not_of(blanks);
    return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

std::string uppercased(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::size_t characterCount(std::string_view s) {
    std::size_t n = 0;
    for (const char c : s) n += continuesACharacter(c) ? 0 : 1;
    return n;
}

std::size_t byteOfCharacter(std::string_view s, std::size_t from, std::size_t count) {
    std::size_t at = from;
    for (std::size_t k = 0; k < count && at < s.size(); ++k) {
        ++at;
        while (at < s.size() && continuesACharacter(s[at])) ++at;
    }
    return at;
}

std::string_view cutToBytes(std::string_view s, std::size_t length) {
    if (s.size() <= length) return s;
    std::size_t end = length;
    while (end > 0 && continuesACharacter(s[end])) --end;
    return s.substr(0, end);
}

namespace {

// The length of the well-formed UTF-8 character at the start of s, or 0.
std::size_t characterLength(std::string_view s) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(0);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;  // no overlong form
        if (c == 0xED) high = 0x9F;  // no surrogate
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!continuesACharacter(s[k])) return 0;
    return length;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string replaced(std::string_view s, bool controls) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = characterLength(s.substr(i));
        const bool control = length == 1 && (static_cast<unsigned char>(s[i]) < 0x20 || s[i] == 0x7F);
        if (length == 0 || (controls && control)) {
            out += kReplacement;
            ++i;
        } else {
            out.append(s, i, length);
            i += length;
        }
    }
    return out;
}

}  // namespace

std::string validUtf8(std::string_view s) { return replaced(s, false); }

std::string oneLine(std::string_view s) { return replaced(s, true); }

std::string numberText(double value, std::chars_format format, int precision) {
    char buffer[128];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (r.ec != std::errc{}) {
        // Only a fixed form can outgrow the buffer; the exponent form of a double never does.
        const int significant = precision < 1 ? 1 : precision > 17 ? 17 : precision;
        r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, significant - 1);
    }
    return std::string(buffer, r.ptr);
}

std::string significantText(double value, int significant) {
    if (!std::isfinite(value)) return "-";
    return numberText(value, std::chars_format::general, significant);
}

std::string alignedRight(const std::string& s, std::size_t width) {
    const std::size_t w = characterCount(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

std::string alignedLeft(const std::string& s, std::size_t width) {
    const std::size_t w = characterCount(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}
