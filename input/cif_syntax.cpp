#include "input/cif_syntax.hpp"

#include <gemmi/cif.hpp>
#include <gemmi/symmetry.hpp>

#include <set>

#include "LIBRARIES/text/text.hpp"

namespace cif = gemmi::cif;
namespace pegtl = tao::pegtl;

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// The parser's own actions, and one more: the line of each data_ heading, so that a block can
// be named by where it starts. It is kept as a comment item, which look-ups pass over.
template <typename Rule>
struct ReadAction : cif::Action<Rule> {};
template <>
struct ReadAction<cif::rules::datablockname> {
    template <typename Input>
    static void apply(const Input& in, cif::Document& out) {
        cif::Action<cif::rules::datablockname>::apply(in, out);
        cif::Block& block = out.blocks.back();
        block.items.emplace_back(cif::CommentArg{"data_ heading"});
        block.items.back().line_number = static_cast<int>(in.iterator().line);
    }
};

std::string blockAt(const std::string& file, const CifBlock& block) {
    return file + ", data_" + block.name + (block.line > 0 ? " (line " + std::to_string(block.line) + ")" : "");
}

std::string itemAt(const std::string& file, const CifBlock& block, int line) {
    return file + ", data_" + block.name + ", line " + std::to_string(line);
}

CifBlock blockOf(const cif::Block& in, const std::string& file) {
    CifBlock out;
    out.name = in.name;
    std::set<std::string> tags;
    const auto add = [&](CifItem item) {
        if (!tags.insert(lowered(item.tag)).second)
            throw CifSyntaxError(itemAt(file, out, item.line) + ": " + item.tag + " given twice");
        out.items.push_back(std::move(item));
    };
    for (const cif::Item& item : in.items) {
        switch (item.type) {
            case cif::ItemType::Comment:
                if (out.items.empty() && out.line == 0) out.line = item.line_number;
                break;
            case cif::ItemType::Pair: {
                if (item.pair[1].empty())
                    throw CifSyntaxError(itemAt(file, out, item.line_number) + ": " + item.pair[0] + " has no value");
                CifItem pair;
                pair.tag = item.pair[0];
                pair.value = cif::as_string(item.pair[1]);
                pair.absent = cif::is_null(item.pair[1]);
                pair.line = item.line_number;
                add(std::move(pair));
                break;
            }
            case cif::ItemType::Loop: {
                const cif::Loop& loop = item.loop;
                for (std::size_t column = 0; column < loop.tags.size(); ++column) {
                    CifItem entry;
                    entry.tag = loop.tags[column];
                    entry.rows = loop.length();
                    entry.line = item.line_number;
                    if (entry.rows == 1) {
                        entry.value = cif::as_string(loop.values[column]);
                        entry.absent = cif::is_null(loop.values[column]);
                    } else {
                        entry.absent = entry.rows == 0;
                    }
                    add(std::move(entry));
                }
                break;
            }
            default: break;  // save frames belong to dictionaries, not to measurements
        }
    }
    return out;
}

}  // namespace

std::vector<CifBlock> parseCifBlocks(const std::string& text, const std::string& name) {
    std::size_t start = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0;
    cif::Document doc;
    doc.source = name;
    try {
        pegtl::memory_input<> in(text.data() + start, text.size() - start, name);
        pegtl::parse<cif::rules::file, ReadAction, cif::Errors>(in, doc);
    } catch (const pegtl::parse_error& e) {
        std::string where = name;
        if (!e.positions().empty()) where += ", line " + std::to_string(e.positions().front().line);
        // The parser's message for a token that fits no rule says little by itself.
        const std::string message(e.message());
        throw CifSyntaxError(where + ": " + (message == "parse error" ? "not CIF syntax" : message));
    }
    std::vector<CifBlock> blocks;
    std::set<std::string> names;
    for (const cif::Block& block : doc.blocks) {
        blocks.push_back(blockOf(block, name));
        if (!block.name.empty() && !names.insert(lowered(block.name)).second)
            throw CifSyntaxError(blockAt(name, blocks.back()) + ": a second block named data_" + lowered(block.name));
    }
    return blocks;
}

int crystalSystemOfSymbol(const std::string& symbol) {
    const gemmi::SpaceGroup* group = gemmi::find_spacegroup_by_name(symbol);
    return group ? static_cast<int>(group->crystal_system()) : -1;
}
