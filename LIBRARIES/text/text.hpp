#pragma once
// Small text helpers: blanks at the ends, ASCII case, UTF-8 characters. Nothing of the program;
// none of them depends on the locale.
#include <cstddef>
#include <string>
#include <string_view>

// s without the characters of `blanks` at either end, or only at its end.
std::string_view trimmed(std::string_view s, std::string_view blanks = " \t");
std::string_view trimmedRight(std::string_view s, std::string_view blanks = " ");

// ASCII letters in lower or upper case; other bytes, UTF-8 included, as they are.
std::string lowered(std::string_view s);
std::string uppercased(std::string_view s);

// A byte that continues a UTF-8 sequence rather than starting a character.
constexpr bool continuesACharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

// Characters of a UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t characterCount(std::string_view s);

// The byte where the character `count` characters after the one starting at byte `from` starts,
// or the end of the text.
std::size_t byteOfCharacter(std::string_view s, std::size_t from, std::size_t count);

// The longest start of s of at most `length` bytes that does not split a UTF-8 character.
std::string_view cutToBytes(std::string_view s, std::size_t length);
