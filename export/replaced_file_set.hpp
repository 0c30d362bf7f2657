#pragma once
// Files that belong together (the plots of one run) put in place as one set: each is written as a
// ReplacedFile beside its target, and only when every one of them is complete are they all put in
// place; when one fails, none replaces its earlier file. Files written in place (a device, a named
// pipe) receive their data as they come and stand outside that promise.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/replaced_file.hpp"

class ReplacedFileSet {
public:
    // Opens `path` as one more file of the set and writes `text` into it; false, with the failure
    // naming the file, when it cannot. After a failure the set takes nothing more.
    bool write(const std::filesystem::path& path, std::string_view text);
    // The same for a text made a piece at a time: open the file, then append each piece, then
    // close it; only one file of the set is open so at a time.
    bool open(const std::filesystem::path& path);
    bool append(std::string_view text);
    bool close();
    // Completes every file, then puts them all in place. False when any step failed, and then no
    // file of the set has replaced its earlier one (where the file system can swap two names; one
    // that cannot replaces them one by one).
    bool commit();
    // The first failure ("cannot write plots/run_cell.png: No space left on device"); empty when none.
    const std::string& failure() const { return failure_; }

private:
    std::vector<std::unique_ptr<ReplacedFile>> files_;
    std::string failure_;
};
