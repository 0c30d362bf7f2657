// Where tenzio-batch reads its input from: files, pipes, named pipes and "-", the standard input;
// each input is opened and read once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "../support.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const fs::path kSource(TENZIO_SOURCE_DIR);
const fs::path kGypsum = kSource / "examples/cif/amcsd_gypsum_Comodi2008_monoclinic_P";

// The JSON of a run without its "input" line, which names the input as given.
std::string jsonWithoutInput(const fs::path& file) {
    std::istringstream in(slurp(file));
    std::string kept;
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("\"input\":")) kept += line + "\n";
    return kept;
}

// A keyword data file longer than one read of a file's start.
std::string longDataFile() {
    std::string text = "TITLE a series longer than 4 KB\nSYSTEM MONOCLINIC\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n";
    for (int i = 0; i < 120; ++i)
        text += std::to_string(100 + i) + " 5." + std::to_string(1000 + i) + " 6.2 7.3 90 " +
                std::to_string(95 + i / 100.0) + " 90\n";
    return text;
}

struct ReadOnce {
    const char* name;
    const char* input;    // "data" (a long keyword file) or "cif" (two gypsum files, the first as given)
    const char* command;  // how the first input reaches the program: FILE stands for it, REST for the others
};

void PrintTo(const ReadOnce& c, std::ostream* os) { *os << c.name; }

class InputsReadOnce : public ::testing::TestWithParam<ReadOnce> {};

// Mended faults: a pipe lost its first 4 KB (read to tell CIF from a keyword file, then opened
// again), "cat data.dat | tenzio-batch /dev/stdin" failed, and a named pipe given with another
// CIF file hung (opened three times).
TEST_P(InputsReadOnce, GiveTheSameRunAsTheFile) {
    const ReadOnce& c = GetParam();
    TempFolder dir(std::string("inputs-") + c.name);
    const bool cif = std::string(c.input) == "cif";
    fs::path first = dir / "series.dat";
    std::string rest;
    if (cif) {
        first = kGypsum / "04685.cif";
        rest = shellQuoted(kGypsum / "04686.cif") + " " + shellQuoted(kGypsum / "04687.cif");
    } else {
        writeFile(first, longDataFile());
    }
    const std::string batch = "timeout 20 " + std::string(TENZIO_BATCH);
    ASSERT_EQ(shell(batch + " " + shellQuoted(first) + " " + rest + " --json " + shellQuoted(dir / "file.json") + " 2>/dev/null"), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::string command = c.command;
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"FILE", shellQuoted(first)}, {"REST", rest},
                                   {"PIPE", shellQuoted(dir / "pipe")}, {"BATCH", batch}, {"OUT", shellQuoted(dir / "other.json")}}) {
        for (auto at = command.find(from); at != std::string::npos; at = command.find(from)) command.replace(at, from.size(), to);
    }
    EXPECT_EQ(shell(command + " 2>" + shellQuoted(dir / "errors")), 0) << command << "\n" << slurp(dir / "errors");
    EXPECT_EQ(jsonWithoutInput(dir / "other.json"), jsonWithoutInput(dir / "file.json"));
}

INSTANTIATE_TEST_SUITE_P(
    BatchInputs, InputsReadOnce,
    ::testing::Values(
        ReadOnce{"DataFromAPipe", "data", "cat FILE | BATCH /dev/stdin --json OUT"},
        ReadOnce{"DataFromStandardInput", "data", "cat FILE | BATCH - --json OUT"},
        ReadOnce{"DataFromANamedPipe", "data", "(cat FILE >PIPE &); BATCH PIPE --json OUT"},
        ReadOnce{"CifFromStandardInput", "cif", "cat FILE | BATCH - REST --json OUT"},
        ReadOnce{"CifFromANamedPipe", "cif", "(cat FILE >PIPE &); BATCH PIPE REST --json OUT"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// Mended fault: a.cif a.cif was read as a series with every point twice.
TEST(BatchInputs, OneCifFileTwiceIsAUsageErrorNamingIt) {
    TempFolder dir("inputs-twice");
    const fs::path a = kGypsum / "04685.cif";
    fs::create_symlink(a, dir / "link.cif");
    const struct {
        std::string arguments;
        std::string named;
    } cases[] = {{shellQuoted(a) + " " + shellQuoted(kGypsum / "04686.cif") + " " + shellQuoted(a), a.string()},
                 {shellQuoted(a) + " " + shellQuoted(dir / "link.cif"), (dir / "link.cif").string()}};
    for (const auto& c : cases) {
        EXPECT_EQ(shell(std::string(TENZIO_BATCH) + " " + c.arguments + " --json " + shellQuoted(dir / "r.json") + " 2>" +
                        shellQuoted(dir / "errors")),
                  2)
            << c.arguments;
        EXPECT_TRUE(slurp(dir / "errors").starts_with("tenzio-batch: " + c.named + " is an input file given before"))
            << slurp(dir / "errors");
        EXPECT_FALSE(fs::exists(dir / "r.json"));
    }
}

// Mended fault: a CIF whose comment header ran past 1 MB was read as a keyword data file.
TEST(BatchInputs, ACifIsTheFirstTokenAfterItsCommentsHoweverLong) {
    TempFolder dir("inputs-comments");
    std::string header;
    while (header.size() < (std::size_t{3} << 20)) header += "# a database's notice, line after line\n";
    writeFile(dir / "long.cif", header + slurp(kGypsum / "04685.cif"));
    const std::string rest = " " + shellQuoted(kGypsum / "04686.cif") + " --json ";
    ASSERT_EQ(shell(std::string(TENZIO_BATCH) + " " + shellQuoted(kGypsum / "04685.cif") + rest + shellQuoted(dir / "short.json") + " 2>/dev/null"),
              0);
    // As a file, and through a pipe, which must keep what it read to decide.
    for (const std::string& input : {std::string(TENZIO_BATCH) + " " + shellQuoted(dir / "long.cif"),
                                     "cat " + shellQuoted(dir / "long.cif") + " | " + std::string(TENZIO_BATCH) + " -"}) {
        EXPECT_EQ(shell(input + rest + shellQuoted(dir / "long.json") + " 2>/dev/null"), 0) << input;
        EXPECT_EQ(jsonWithoutInput(dir / "long.json"), jsonWithoutInput(dir / "short.json")) << input;
    }
}

// Memory is measured only without the sanitizers, which hold much more and refuse a limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A CIF of two points and, between them, a loop of single-character values: the worst case for
// a reader that keeps every value.
fs::path cifWithALongLoop(const TempFolder& dir, std::size_t megabytes) {
    const std::string cell = slurp(kGypsum / "04685.cif");
    std::string text = cell + "loop_\n_x\n_y\n";
    const std::string row = "a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b a b\n";
    while (text.size() < (megabytes << 20)) text += row;
    text += slurp(kGypsum / "04686.cif");
    writeFile(dir / "long.cif", text);
    return dir / "long.cif";
}

struct ChildRun {
    int exit = -1;
    long peakKilobytes = 0;
};

// tenzio-batch with these arguments in a child of its own, under a limit on its address space
// (0: none); its standard error in `errors`.
ChildRun runChild(const std::vector<std::string>& arguments, const fs::path& errors, rlim_t addressSpace = 0) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        if (addressSpace != 0) {
            const rlimit limit{addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(TENZIO_BATCH)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TENZIO_BATCH, argv.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (child > 0 && ::wait4(child, &status, 0, &usage) == child) {
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.peakKilobytes = usage.ru_maxrss;
    }
    return run;
}

// Mended fault: a 100 MB CIF of single-character loop values took 2.2 GB.
TEST(BatchInputs, ACifTakesAtMostFourTimesItsSizeAndFiftyMegabytes) {
    if (kSanitized) GTEST_SKIP() << "memory is not measured under the sanitizers";
    TempFolder dir("inputs-cif-memory");
    constexpr std::size_t kMegabytes = 24;
    const fs::path cif = cifWithALongLoop(dir, kMegabytes);
    const ChildRun run = runChild({cif.string(), (kGypsum / "04687.cif").string(), "--json", (dir / "r.json").string()},
                                  dir / "errors");
    ASSERT_EQ(run.exit, 0) << slurp(dir / "errors");
    EXPECT_LT(run.peakKilobytes, static_cast<long>((4 * kMegabytes + 50) << 10));
}

// Mended fault: out of memory, the program died of an uncaught std::bad_alloc (exit 134).
TEST(BatchInputs, NotEnoughMemoryIsAFailureWithItsReasonAndNothingWritten) {
    if (kSanitized) GTEST_SKIP() << "the sanitizers refuse a limit on the address space";
    TempFolder dir("inputs-no-memory");
    const fs::path cif = cifWithALongLoop(dir, 24);
    const ChildRun run = runChild({cif.string(), (kGypsum / "04687.cif").string(), "--json", (dir / "r.json").string(),
                                   "--print", (dir / "r.prt").string()},
                                  dir / "errors", rlim_t{20} << 20);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(slurp(dir / "errors"), "PROCESSING DATA\nerror reading file\ntenzio-batch: long.cif: not enough memory to read it\n");
    EXPECT_FALSE(fs::exists(dir / "r.json"));
    EXPECT_FALSE(fs::exists(dir / "r.prt"));
}

}  // namespace
