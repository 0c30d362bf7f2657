// A replaced file while it is written: no name of its own in the folder, so that a run killed
// then leaves nothing behind; put in place whole when complete; never in place of a link to
// nothing or of a file that may not be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>

#include "../support.hpp"
#include "export/replaced_file.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

bool hasUnnamedFiles(const fs::path& folder) {
    const int probe = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) return false;
    ::close(probe);
    return true;
}

// Mended fault: SIGKILL during --json left .run.json.XXXXXX (26 MB) beside run.json.
TEST(ReplacedFile, AKilledWriterLeavesNoFileBehind) {
    TempFolder dir("replaced-killed");
    if (!hasUnnamedFiles(dir.path())) GTEST_SKIP() << "the file system of " << dir.path() << " has no unnamed files";
    writeFile(dir / "run.json", "earlier");
    const std::string chunk(1 << 16, 'x');
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReplacedFile file;
        if (!file.open(dir / "run.json")) ::_exit(2);
        for (int k = 0; k < 64; ++k) file.write(chunk);
        ::raise(SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"run.json"});
    EXPECT_EQ(slurp(dir / "run.json"), "earlier");
}

TEST(ReplacedFile, IsInPlaceWholeOnlyWhenCommitted) {
    TempFolder dir("replaced-commit");
    writeFile(dir / "run.json", "earlier");
    const std::string text(3 << 16, 'y');  // more than one buffer
    {
        ReplacedFile file;
        ASSERT_TRUE(file.open(dir / "run.json"));
        file.write(text);
        if (hasUnnamedFiles(dir.path())) {
            EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"run.json"});
        }
        EXPECT_EQ(slurp(dir / "run.json"), "earlier");
    }  // dropped without a commit
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"run.json"});
    EXPECT_EQ(slurp(dir / "run.json"), "earlier");

    ReplacedFile file;
    ASSERT_TRUE(file.open(dir / "run.json"));
    file.write(text);
    ASSERT_TRUE(file.commit()) << file.failure();
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"run.json"});
    EXPECT_TRUE(slurp(dir / "run.json") == text);
}

}  // namespace

namespace {

// Runs `body` in a child process as a user whom permission bits stop: the process's own, or, as
// root (whom they do not stop), nobody. Its exit status; -1 when it could not run so.
int asUnprivilegedUser(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                 ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 125) return -1;
    return WEXITSTATUS(status);
}

// Mended fault: names of 248 to 255 bytes could not be replaced: the hidden name beside them was
// eight bytes longer than the file system allows.
TEST(ReplacedFile, HiddenNamesAreNoLongerThanTheNamesTheyStandFor) {
    for (std::size_t length = 1; length <= 255; ++length) {
        const std::string name(length, 'n');
        const std::string hidden = hiddenTemporaryName(name);
        EXPECT_LE(hidden.size(), std::max<std::size_t>(length, 16)) << length;
        EXPECT_TRUE(hidden.starts_with(".n")) << hidden;
        EXPECT_TRUE(hidden.ends_with(".XXXXXX")) << hidden;
    }
    EXPECT_EQ(hiddenTemporaryName("run.json"), ".run.json.XXXXXX");
}

TEST(ReplacedFile, ANameAsLongAsTheFileSystemAllowsIsReplaced) {
    TempFolder dir("replaced-long");
    for (const std::size_t length : {248u, 251u, 255u}) {
        const std::string name = std::string(length - 5, 'n') + ".json";
        writeFile(dir / name, "earlier");
        ReplacedFile file;
        ASSERT_TRUE(file.open(dir / name)) << file.failure();
        file.write("new");
        EXPECT_TRUE(file.commit()) << length << ": " << file.failure();
        EXPECT_EQ(slurp(dir / name), "new") << length;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{name}) << length;
        fs::remove(dir / name);
    }
}

// Mended fault: a symbolic link to nothing given as an output was replaced by a file, and a
// read-only file was replaced as if it could be written.
TEST(ReplacedFile, RefusesALinkToNothingAndAFileItMayNotWrite) {
    TempFolder dir("replaced-refused");
    fs::create_symlink("missing.json", dir / "dangling.json");
    fs::create_symlink("loop.json", dir / "loop.json");
    const struct {
        const char* name;
        const char* reason;
    } links[] = {{"dangling.json", "a symbolic link to missing.json, which does not exist"},
                 {"loop.json", "Too many levels of symbolic links"}};
    for (const auto& link : links) {
        EXPECT_EQ(unwritableReason(dir / link.name), link.reason);
        ReplacedFile file;
        EXPECT_FALSE(file.open(dir / link.name));
        EXPECT_EQ(file.failure(), "cannot write " + (dir / link.name).string() + ": " + link.reason);
        EXPECT_TRUE(fs::is_symlink(dir / link.name)) << link.name;
    }
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"dangling.json", "loop.json"}));
    // What may be written: a new name, a file, a link to one.
    writeFile(dir / "open.json", "earlier");
    fs::create_symlink("open.json", dir / "link.json");
    for (const char* name : {"new.json", "open.json", "link.json"}) EXPECT_EQ(unwritableReason(dir / name), "") << name;

    // A file its user may not write, in a folder they may: refused with the system's reason,
    // however easily its folder would let it be replaced.
    fs::create_directories(dir / "own");
    writeFile(dir / "own" / "kept.json", "earlier");
    ASSERT_EQ(::chmod((dir / "own" / "kept.json").c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "own").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown((dir / "own" / "kept.json").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    }
    const int refused = asUnprivilegedUser([&] {
        ReplacedFile file;
        if (file.open(dir / "own" / "kept.json")) return 1;
        return file.failure() == "cannot write " + (dir / "own" / "kept.json").string() + ": Permission denied" ? 0 : 2;
    });
    if (refused < 0) GTEST_SKIP() << "no user whom permission bits stop";
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(slurp(dir / "own" / "kept.json"), "earlier");
    EXPECT_EQ(namesIn(dir / "own"), std::set<std::string>{"kept.json"});
}

// The halves of a commit that a set of files uses: put in place with the earlier file kept
// aside, which restore puts back.
TEST(ReplacedFile, ASwapIntoPlaceCanBeUndone) {
    TempFolder dir("replaced-swap");
    writeFile(dir / "old.txt", "earlier");
    {
        ReplacedFile replacing;
        ReplacedFile fresh;
        ASSERT_TRUE(replacing.open(dir / "old.txt"));
        ASSERT_TRUE(fresh.open(dir / "new.txt"));
        replacing.write("replacing");
        fresh.write("fresh");
        ASSERT_TRUE(replacing.finish() && fresh.finish());
        ASSERT_TRUE(replacing.swapIntoPlace() && fresh.swapIntoPlace());
        EXPECT_EQ(slurp(dir / "old.txt"), "replacing");
        EXPECT_EQ(slurp(dir / "new.txt"), "fresh");
        fresh.restore();
        replacing.restore();
        EXPECT_EQ(slurp(dir / "old.txt"), "earlier");
        EXPECT_FALSE(fs::exists(dir / "new.txt"));
    }
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"old.txt"});
    {
        ReplacedFile replacing;
        ASSERT_TRUE(replacing.open(dir / "old.txt"));
        replacing.write("replacing");
        ASSERT_TRUE(replacing.finish() && replacing.swapIntoPlace());
    }  // kept: the earlier file goes
    EXPECT_EQ(slurp(dir / "old.txt"), "replacing");
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"old.txt"});
}

}  // namespace
