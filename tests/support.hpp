#pragma once
// Helpers shared by the tests: temporary folders, files, shell commands, and states reading a
// given text.
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/readfile.hpp"
#include "run/run_state.hpp"

namespace testing_support {

// A folder of its own for one test, removed afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() / ("tenzio-test-" + tag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// A path in single quotes for the shell, its own quotes escaped.
inline std::string shellQuoted(const std::filesystem::path& p) {
    std::string s = "'";
    for (char c : p.string()) s += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return s + "'";
}

// A shell command's exit status; -1 when it did not exit by itself.
inline int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A shell command run by a user whom permission bits stop: this process's user, or, as root (whom
// they do not stop, and CI runs as root), nobody through setpriv. Empty when there is no such
// user: the test is then skipped. The command's redirections are still made by this user.
inline std::string asUnprivileged(const std::string& command) {
    if (::geteuid() != 0) return command;
    if (shell("command -v setpriv >/dev/null 2>&1") != 0) return {};
    return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}

// Gives `path` to the user of asUnprivileged, so that it may write there as the test means it to.
inline void giveToUnprivileged(const std::filesystem::path& path) {
    if (::geteuid() == 0 && ::chown(path.c_str(), 65534, 65534) != 0) std::perror(path.c_str());
}

// What the keyword data file reader makes of a text.
inline ReadResult readDataText(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    ReadResult r = readSeriesFile(f);
    std::fclose(f);
    return r;
}

}  // namespace testing_support
