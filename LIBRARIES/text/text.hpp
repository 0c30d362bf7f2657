#pragma once
// Small text helpers: blanks at the ends, ASCII case, UTF-8 characters. Nothing of the program;
// none of them depends on the locale.
#include <charconv>
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

// s with every byte that does not belong to a well-formed UTF-8 character (a stray byte of another
// encoding, an overlong form, a surrogate) replaced by U+FFFD, so that a text promised as UTF-8 is.
std::string validUtf8(std::string_view s);
// The same, and on one line: control characters (a newline in a file name) are U+FFFD too.
std::string oneLine(std::string_view s);

// A number in the given form and precision, without the locale; where that form does not fit in
// the buffer it is written to (a fixed form of 1e300, or of 1e-70 to 80 decimals), the exponent
// form with the same number of significant digits as far as they go.
std::string numberText(double value, std::chars_format format, int precision);
// A number to `significant` digits in the general form for a table, "-" where it is not finite.
std::string significantText(double value, int significant = 6);

// s padded with spaces to `width` characters (UTF-8 characters, not bytes): on the left, so that
// it stands at the right of its column, or on the right; a longer s is left as it is.
std::string alignedRight(const std::string& s, std::size_t width);
std::string alignedLeft(const std::string& s, std::size_t width);
