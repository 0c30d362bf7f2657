#include "output/spill_buffer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

// An unnamed file in `folder` for reading and writing, or -1 with errno set.
int unnamedFileIn(const std::filesystem::path& folder) {
    const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
    const int fd = ::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // A file system without unnamed files: a hidden name, removed at once.
    std::string pattern = (where / ".tenzio-spill.XXXXXX").string();
    const int named = ::mkstemp(pattern.data());
    if (named >= 0) ::unlink(pattern.c_str());
    return named;
}

}  // namespace

SpillBuffer::~SpillBuffer() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void SpillBuffer::fail(int error) {
    if (failure_.empty()) failure_ = std::strerror(error);
    memory_.clear();
    memory_.shrink_to_fit();
}

bool SpillBuffer::spill() {
    if (descriptor_ < 0) {
        descriptor_ = unnamedFileIn(folder_);
        int error = errno;  // the reason in the folder given, unless the temporary folder has one too
        if (descriptor_ < 0) {
            std::error_code ec;
            const std::filesystem::path temporary = std::filesystem::temp_directory_path(ec);
            if (!ec) {
                descriptor_ = unnamedFileIn(temporary);
                error = errno;
            }
        }
        if (descriptor_ < 0) {
            fail(error);
            return false;
        }
    }
    std::size_t done = 0;
    while (done < memory_.size()) {
        const ssize_t n = ::write(descriptor_, memory_.data() + done, memory_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    memory_.clear();
    return true;
}

void SpillBuffer::append(std::string_view text) {
    if (!failure_.empty()) return;
    // Room for the limit and one more piece at once, rather than growing by doubling past it.
    if (memory_.capacity() < limit_) memory_.reserve(limit_ + (std::size_t{1} << 16));
    memory_.append(text);
    if (memory_.size() >= limit_) spill();
}

bool SpillBuffer::readBack(const std::function<void(std::string_view)>& write) {
    if (!failure_.empty()) return false;
    if (descriptor_ >= 0) {
        if (!spill()) return false;
        if (::lseek(descriptor_, 0, SEEK_SET) < 0) {
            fail(errno);
            return false;
        }
        std::array<char, 1 << 16> piece{};
        for (;;) {
            const ssize_t n = ::read(descriptor_, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                fail(errno);
                return false;
            }
            if (n == 0) break;
            write(std::string_view(piece.data(), static_cast<std::size_t>(n)));
        }
        return true;
    }
    write(memory_);
    return true;
}
