#include "export/replaced_file.hpp"

#include <cstdlib>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

ReplacedFile::~ReplacedFile() {
    if (file_) std::fclose(file_);
    if (!temporary_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temporary_, ec);
    }
}

bool ReplacedFile::open(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::string pattern = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    if (path.parent_path().empty()) pattern = "." + path.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        std::filesystem::remove(pattern, ec);
        return false;
    }
    path_ = path;
    temporary_ = pattern;
    return true;
}

void ReplacedFile::write(std::string_view text) {
    if (!file_) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

bool ReplacedFile::commit() {
    if (!file_) return false;
    // A new file gets the permissions a plain create would give it (mkstemp makes it 0600).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(::fileno(file_), 0666 & ~mask);
    if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) return false;
    std::error_code ec;
    std::filesystem::rename(temporary_, path_, ec);
    if (ec) return false;
    temporary_.clear();
    return true;
}
