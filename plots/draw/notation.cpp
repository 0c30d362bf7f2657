#include "plots/draw/notation.hpp"

#include <cctype>

std::string typesetNotation(std::string_view text) {
    struct Symbol {
        std::string_view plain;
        std::string_view typeset;
    };
    // Longer names first, so that "Kpp" is not taken for "Kp".
    static constexpr Symbol kSymbols[] = {
        {"eps0", "ε₀"}, {"ε0", "ε₀"}, {"Kpp", "K″"}, {"Kp", "K′"}, {"K0", "K₀"}, {"V0", "V₀"}, {"M0", "M₀"},
        {"x0", "x₀"},   {"a0", "a₀"}, {"a1", "a₁"},  {"a2", "a₂"}, {"nu", "ν"},  {"lambda", "λ"}};
    const auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_'; };
    const auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        if (at == 0 || !isLetter(text[at - 1])) {
            for (const Symbol& s : kSymbols) {
                if (text.substr(at, s.plain.size()) != s.plain) continue;
                const std::size_t end = at + s.plain.size();
                if (end < text.size() && isWordChar(text[end])) continue;
                out += s.typeset;
                at = end;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[at++];
    }
    return out;
}
