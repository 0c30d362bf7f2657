// Files put in place as one set: every one of them, or none.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <map>

#include "../support.hpp"
#include "export/replaced_file_set.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = entry.is_regular_file() ? slurp(entry.path()) : "<folder>";
    return files;
}

// An earlier set of three files, and a folder holding it.
struct EarlierSet {
    explicit EarlierSet(const std::string& tag) : dir(tag) {
        for (const char* name : {"a.svg", "b.png", "c.csv"}) writeFile(dir / name, std::string("earlier ") + name);
        before = contentsOf(dir.path());
    }
    TempFolder dir;
    std::map<std::string, std::string> before;
};

TEST(ReplacedFileSet, PutsEveryFileInPlaceOnlyOnceAllAreComplete) {
    EarlierSet earlier("set-whole");
    ReplacedFileSet set;
    for (const char* name : {"a.svg", "b.png", "c.csv", "d.csv"}) ASSERT_TRUE(set.write(earlier.dir / name, std::string("new ") + name));
    EXPECT_EQ(contentsOf(earlier.dir.path()), earlier.before);  // nothing in place, nothing beside
    ASSERT_TRUE(set.commit()) << set.failure();
    EXPECT_EQ(contentsOf(earlier.dir.path()), (std::map<std::string, std::string>{
                                                  {"a.svg", "new a.svg"}, {"b.png", "new b.png"}, {"c.csv", "new c.csv"}, {"d.csv", "new d.csv"}}));
}

// A file that cannot be written, part-way through the set: the earlier files stay, and the
// failure names the file and the system's reason.
TEST(ReplacedFileSet, AFileThatCannotBeWrittenLeavesTheEarlierSet) {
    EarlierSet earlier("set-folder");
    fs::create_directories(earlier.dir / "c.svg");  // a folder where the third file would go
    earlier.before = contentsOf(earlier.dir.path());
    ReplacedFileSet set;
    EXPECT_TRUE(set.write(earlier.dir / "a.svg", "new"));
    EXPECT_TRUE(set.write(earlier.dir / "b.png", "new"));
    EXPECT_FALSE(set.write(earlier.dir / "c.svg", "new"));
    EXPECT_FALSE(set.write(earlier.dir / "c.csv", "new"));  // nothing more once one failed
    EXPECT_FALSE(set.commit());
    EXPECT_EQ(set.failure(), "cannot write " + (earlier.dir / "c.svg").string() + ": Is a directory");
    EXPECT_EQ(contentsOf(earlier.dir.path()), earlier.before);
}

// Writes beyond the process's file size limit (its signal ignored) fail as on a full disk.
TEST(ReplacedFileSet, AFullDiskPartWayLeavesTheEarlierSet) {
    EarlierSet earlier("set-full");
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    limit.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    ReplacedFileSet set;
    const bool small = set.write(earlier.dir / "a.svg", "new");
    const bool large = set.write(earlier.dir / "b.png", std::string(1 << 17, 'x'));
    const bool committed = set.commit();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(small);
    EXPECT_FALSE(large);
    EXPECT_FALSE(committed);
    EXPECT_EQ(set.failure(), "cannot write " + (earlier.dir / "b.png").string() + ": File too large");
    EXPECT_EQ(contentsOf(earlier.dir.path()), earlier.before);
}

// Sets or clears the immutable attribute, which stops even root from renaming over a file;
// false where the file system or the process's privileges have none.
bool setImmutable(const fs::path& path, bool on) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    int flags = 0;
    bool done = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(descriptor);
    return done;
}

// A file that cannot be put in place after the ones before it were: those give their names back.
TEST(ReplacedFileSet, APlacingThatFailsPartWayPutsTheEarlierFilesBack) {
    EarlierSet earlier("set-placing");
    ReplacedFileSet set;
    for (const char* name : {"a.svg", "new.csv", "b.png", "c.csv"}) ASSERT_TRUE(set.write(earlier.dir / name, "new"));
    if (!setImmutable(earlier.dir / "b.png", true)) GTEST_SKIP() << "no immutable files here";
    const bool committed = set.commit();
    setImmutable(earlier.dir / "b.png", false);
    EXPECT_FALSE(committed);
    EXPECT_TRUE(set.failure().starts_with("cannot replace " + (earlier.dir / "b.png").string() + ": ")) << set.failure();
    EXPECT_EQ(contentsOf(earlier.dir.path()), earlier.before);
}

}  // namespace
