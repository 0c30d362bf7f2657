#include "LIBRARIES/text/text.hpp"

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
