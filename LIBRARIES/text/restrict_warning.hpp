#pragma once
// GCC 12 at -O2 and above reports an overlapping copy inside std::string where a string is built
// by inserting at its front (operator+ with a literal or a temporary string on its left, insert,
// assign): after inlining it cannot tell that the two ranges never overlap, and no copy there
// does (a -Wrestrict false positive of GCC 12). Code that builds strings so goes between these
// two, which silence that one warning there and nowhere else; clang has no such warning.
#if defined(__GNUC__) && !defined(__clang__)
#define BEGIN_GCC_RESTRICT_FALSE_POSITIVE _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wrestrict\"")
#define END_GCC_RESTRICT_FALSE_POSITIVE _Pragma("GCC diagnostic pop")
#else
#define BEGIN_GCC_RESTRICT_FALSE_POSITIVE
#define END_GCC_RESTRICT_FALSE_POSITIVE
#endif
