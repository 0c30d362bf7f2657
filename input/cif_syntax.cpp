#include "input/cif_syntax.hpp"

#include <gemmi/cif.hpp>
#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <new>
#include <tuple>

#include "LIBRARIES/text/text.hpp"

namespace cif = gemmi::cif;
namespace pegtl = tao::pegtl;

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Names (tags in a block, or block names in a file) that must not come twice, compared without
// case. Each is kept as its place in the text with a hash of it: eight bytes whatever its length.
class Names {
public:
    explicit Names(const std::string& text) : text_(text) {}

    void add(std::size_t offset) {
        std::uint32_t hash = 2166136261u;  // FNV-1a, on the lower-case name
        for (std::size_t i = offset; i < text_.size() && !isBlank(text_[i]); ++i)
            hash = (hash ^ static_cast<unsigned char>(lowerChar(text_[i]))) * 16777619u;
        entries_.push_back((static_cast<std::uint64_t>(hash) << 32) | static_cast<std::uint32_t>(offset));
    }

    // The offset of the earliest name that repeats one before it; npos when none does.
    std::size_t firstRepeat() {
        std::sort(entries_.begin(), entries_.end());
        std::size_t first = std::string::npos;
        for (std::size_t i = 0; i < entries_.size();) {
            std::size_t j = i + 1;
            while (j < entries_.size() && (entries_[j] >> 32) == (entries_[i] >> 32)) ++j;
            if (j - i > 1) first = std::min(first, repeatIn(i, j));
            i = j;
        }
        return first;
    }

    void clear() { entries_.clear(); }

private:
    std::size_t offsetOf(std::uint64_t entry) const { return static_cast<std::size_t>(entry & 0xFFFFFFFFu); }

    // Names of one hash: sorted by their text (then place), equal neighbours are repeats.
    std::size_t repeatIn(std::size_t begin, std::size_t end) {
        const auto nameAt = [&](std::size_t offset) {
            std::size_t stop = offset;
            while (stop < text_.size() && !isBlank(text_[stop])) ++stop;
            return lowered(text_.substr(offset, stop - offset));
        };
        std::vector<std::pair<std::string, std::size_t>> names;
        for (std::size_t k = begin; k < end; ++k) names.emplace_back(nameAt(offsetOf(entries_[k])), offsetOf(entries_[k]));
        std::sort(names.begin(), names.end());
        std::size_t first = std::string::npos;
        for (std::size_t k = 1; k < names.size(); ++k)
            if (names[k].first == names[k - 1].first) first = std::min(first, names[k].second);
        return first;
    }

    const std::string& text_;
    std::deque<std::uint64_t> entries_;
};

// What the parser's actions keep while they read.
struct Reader {
    Reader(const std::string& text_, std::size_t start_, const std::string& name_,
           const std::vector<std::string>& wanted_, const std::function<void(const CifBlock&)>& take_)
        : text(text_), start(start_), name(name_), wanted(wanted_), take(take_) {}

    const std::string& text;
    std::size_t start;  // where the CIF starts in the text (after a byte-order mark)
    const std::string& name;
    const std::vector<std::string>& wanted;
    const std::function<void(const CifBlock&)>& take;

    bool inBlock = false;
    bool inFrame = false;
    int blockIndex = -1;
    CifBlock block;
    Names tags{text};
    Names blockNames{text};
    // Where each block's heading name starts (global_ blocks too), in block order: four bytes a
    // block, to find the block of a repeated name.
    std::deque<std::uint32_t> blockStarts;

    // The open pair or loop.
    CifItem pair;
    bool pairWanted = false;
    bool pairHasValue = false;
    std::size_t pairOffset = 0;
    std::vector<CifItem> loopColumns;
    std::vector<bool> loopWanted;
    std::vector<std::size_t> loopOffsets;
    std::size_t loopValues = 0;
    int loopLine = 0;

    // The first broken rule, by block and place: (block, 0 for items / 1 for the name, offset).
    std::tuple<int, int, std::size_t> brokenAt{0, 0, 0};
    std::string broken;
    std::string takeError;

    std::size_t offsetOf(const char* p) const { return static_cast<std::size_t>(p - text.data()); }

    int lineAt(std::size_t offset) const {
        return 1 + static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(start),
                                                text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    }

    std::string nameAt(std::size_t offset) const {
        std::size_t stop = offset;
        while (stop < text.size() && !isBlank(text[stop])) ++stop;
        return text.substr(offset, stop - offset);
    }

    bool isWanted(const std::string& tag) const {
        const std::string key = lowered(tag);
        return std::find(wanted.begin(), wanted.end(), key) != wanted.end();
    }

    // Keeps the first broken rule; its message is formed only when it is the first so far.
    template <typename Message>
    void breakRule(int kind, std::size_t offset, const Message& message) {
        const auto at = std::make_tuple(blockIndex, kind, offset);
        if (!broken.empty() && !(at < brokenAt)) return;
        brokenAt = at;
        broken = message();
    }

    std::string itemAt(int line) const {
        return name + ", data_" + block.name + ", line " + std::to_string(line);
    }

    // A wanted tag is kept once; a repeat is found by the names' check.
    void keep(CifItem item) {
        const std::string key = lowered(item.tag);
        for (const CifItem& kept : block.items)
            if (lowered(kept.tag) == key) return;
        block.items.push_back(std::move(item));
    }

    void beginBlock(std::string blockName, int line) {
        endBlock();
        inBlock = true;
        inFrame = false;
        ++blockIndex;
        block = CifBlock{};
        block.name = std::move(blockName);
        block.line = line;
    }

    void endBlock() {
        if (!inBlock) return;
        inBlock = false;
        const std::size_t repeat = tags.firstRepeat();
        tags.clear();
        if (repeat != std::string::npos)
            breakRule(0, repeat, [&] { return itemAt(lineAt(repeat)) + ": " + nameAt(repeat) + " given twice"; });
        if (!broken.empty() || !takeError.empty()) return;
        try {
            take(block);
        } catch (const std::bad_alloc&) {
            throw;  // for the caller to say so
        } catch (const std::exception& e) {
            takeError = e.what();
        }
    }
};

template <typename Rule>
struct ReadAction : pegtl::nothing<Rule> {};

template <>
struct ReadAction<cif::rules::datablockname> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        std::string blockName = in.string();
        if (blockName.empty()) blockName = "#";  // as gemmi names it
        const int line = static_cast<int>(in.iterator().line);
        r.beginBlock(std::move(blockName), line);
        r.blockStarts.push_back(static_cast<std::uint32_t>(r.offsetOf(in.begin())));
        if (r.block.name != "#") r.blockNames.add(r.offsetOf(in.begin()));
    }
};

template <>
struct ReadAction<cif::rules::str_global> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        r.beginBlock(std::string(), 0);
        r.blockStarts.push_back(static_cast<std::uint32_t>(r.offsetOf(in.begin())));
    }
};

template <>
struct ReadAction<cif::rules::framename> {
    template <typename Input>
    static void apply(const Input&, Reader& r) {
        r.inFrame = true;  // save frames belong to dictionaries, not to measurements
    }
};

template <>
struct ReadAction<cif::rules::endframe> {
    template <typename Input>
    static void apply(const Input&, Reader& r) {
        r.inFrame = false;
    }
};

template <>
struct ReadAction<cif::rules::item_tag> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        r.pair = CifItem{};
        r.pair.tag = in.string();
        r.pair.line = static_cast<int>(in.iterator().line);
        r.pairOffset = r.offsetOf(in.begin());
        r.pairWanted = r.isWanted(r.pair.tag);
        r.pairHasValue = false;
    }
};

template <>
struct ReadAction<cif::rules::item_value> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        r.pairHasValue = true;
        if (!r.pairWanted) return;
        const std::string raw = in.string();
        r.pair.value = cif::as_string(raw);
        r.pair.absent = cif::is_null(raw);
    }
};

template <>
struct ReadAction<cif::rules::dataitem> {
    template <typename Input>
    static void apply(const Input&, Reader& r) {
        if (r.inFrame) return;
        r.tags.add(r.pairOffset);
        if (!r.pairHasValue)
            r.breakRule(0, r.pairOffset, [&] { return r.itemAt(r.pair.line) + ": " + r.pair.tag + " has no value"; });
        if (r.pairWanted) r.keep(std::move(r.pair));
    }
};

template <>
struct ReadAction<cif::rules::str_loop> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        r.loopColumns.clear();
        r.loopWanted.clear();
        r.loopOffsets.clear();
        r.loopValues = 0;
        r.loopLine = static_cast<int>(in.iterator().line);
    }
};

template <>
struct ReadAction<cif::rules::loop_tag> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        CifItem column;
        column.tag = in.string();
        column.line = r.loopLine;
        r.loopWanted.push_back(r.isWanted(column.tag));
        r.loopOffsets.push_back(r.offsetOf(in.begin()));
        r.loopColumns.push_back(std::move(column));
    }
};

template <>
struct ReadAction<cif::rules::loop_value> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        // Only the first row is kept, and only in wanted columns: a loop of one row gives each of
        // its tags one value.
        if (r.loopValues < r.loopColumns.size() && r.loopWanted[r.loopValues]) {
            const std::string raw = in.string();
            r.loopColumns[r.loopValues].value = cif::as_string(raw);
            r.loopColumns[r.loopValues].absent = cif::is_null(raw);
        }
        ++r.loopValues;
    }
};

template <>
struct ReadAction<cif::rules::loop> {
    template <typename Input>
    static void apply(const Input& in, Reader& r) {
        if (r.inFrame) return;
        if (r.loopColumns.empty() || r.loopValues % r.loopColumns.size() != 0)
            throw pegtl::parse_error("Wrong number of values in the loop", in);
        const std::size_t rows = r.loopValues / r.loopColumns.size();
        for (std::size_t k = 0; k < r.loopColumns.size(); ++k) {
            r.tags.add(r.loopOffsets[k]);
            if (!r.loopWanted[k]) continue;
            CifItem& column = r.loopColumns[k];
            column.rows = rows;
            if (rows != 1) {
                column.value.clear();
                column.absent = rows == 0;
            }
            r.keep(std::move(column));
        }
    }
};

}  // namespace

void parseCifBlocks(const std::string& text, const std::string& name, const std::vector<std::string>& wanted,
                    const std::function<void(const CifBlock&)>& take) {
    const std::size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    Reader reader(text, start, name, wanted, take);
    try {
        pegtl::memory_input<> in(text.data() + start, text.size() - start, name);
        pegtl::parse<cif::rules::file, ReadAction, cif::Errors>(in, reader);
    } catch (const pegtl::parse_error& e) {
        std::string where = name;
        if (!e.positions().empty()) where += ", line " + std::to_string(e.positions().front().line);
        // The parser's message for a token that fits no rule says little by itself.
        const std::string message(e.message());
        throw CifSyntaxError(where + ": " + (message == "parse error" ? "not CIF syntax" : message));
    }
    reader.endBlock();
    // Two blocks of one name: the later one is named.
    const std::size_t repeat = reader.blockNames.firstRepeat();
    if (repeat != std::string::npos) {
        const auto block = std::lower_bound(reader.blockStarts.begin(), reader.blockStarts.end(), repeat);
        const std::string blockName = reader.nameAt(repeat);
        reader.blockIndex = static_cast<int>(block - reader.blockStarts.begin());
        reader.breakRule(1, 0, [&] {
            return name + ", data_" + blockName + " (line " + std::to_string(reader.lineAt(repeat)) +
                   "): a second block named data_" + lowered(blockName);
        });
    }
    if (!reader.broken.empty()) throw CifSyntaxError(reader.broken);
    if (!reader.takeError.empty()) throw CifSyntaxError(reader.takeError);
}

int crystalSystemOfSymbol(const std::string& symbol) {
    const gemmi::SpaceGroup* group = gemmi::find_spacegroup_by_name(symbol);
    return group ? static_cast<int>(group->crystal_system()) : -1;
}
