#pragma once
// CIF syntax, through gemmi's grammar: the data blocks of a CIF text as tags and values, one block
// at a time. Its source is compiled as C++17, as gemmi's document types (a block holding items
// holding blocks) do not build with clang and libstdc++ in C++20 mode; this header is plain C++17
// for that reason.
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

struct CifItem {
    std::string tag;        // as written
    std::string value;      // without quotes or text-field markers, when the tag has one value
    bool absent = false;    // "?", "." or an empty loop
    std::size_t rows = 1;   // how many values the tag has: 1, or the rows of its loop
    int line = 0;           // of the tag, or of its loop
};

struct CifBlock {
    std::string name;             // without "data_"; empty for global_
    int line = 0;                 // of its heading
    std::vector<CifItem> items;   // in file order, a loop's columns in theirs
};

// A syntax error, or a block that breaks a rule of CIF, with its file, block and line.
class CifSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the blocks of a CIF text (a leading UTF-8 byte-order mark is skipped) and hands each to
// `take` as soon as it ends, with only the items whose tags are among `wanted` (lower case; the
// first of each), so that no text, whatever its loops and items, makes the reader hold much more
// than the text itself. `name` names the file in errors. Also refused: a tag without a value, a
// tag twice in a block, two blocks of one name. Throws CifSyntaxError: a syntax error first, then
// the first broken rule in block order, then the first error `take` threw (as a runtime_error),
// after which no more blocks are taken.
void parseCifBlocks(const std::string& text, const std::string& name, const std::vector<std::string>& wanted,
                    const std::function<void(const CifBlock&)>& take);

// The crystal system of a Hermann-Mauguin symbol in gemmi's space-group table, 0 triclinic,
// 1 monoclinic, 2 orthorhombic, 3 tetragonal, 4 trigonal, 5 hexagonal, 6 cubic; -1 when the
// table has no such symbol.
int crystalSystemOfSymbol(const std::string& symbol);
