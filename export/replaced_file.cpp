#include "export/replaced_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "LIBRARIES/text/restrict_warning.hpp"

namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 16;
constexpr std::string_view kRandomPart = ".XXXXXX";  // what mkstemp replaces, with its dot
constexpr std::size_t kShortestTemporary = 16;

// The file a name reaches through symbolic links, when it exists; the name itself otherwise.
std::filesystem::path linkTarget(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    return ec ? path : target;
}

std::string systemReason(int error) { return std::generic_category().message(error); }

}  // namespace

std::string unwritableReason(const std::filesystem::path& path) {
    struct stat link {};
    struct stat info {};
    if (::lstat(path.c_str(), &link) != 0) return {};  // a new name
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        // Writing through a link to nothing would create a file where the link points, or
        // replace the link by a file: neither is what the link's maker meant.
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (error == ENOENT && !ec) return "a symbolic link to " + target.string() + ", which does not exist";
        return systemReason(error);
    }
    if (S_ISDIR(info.st_mode)) return {};
    // The system's own judgement, as an open for writing would make it (root may write any file).
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return systemReason(errno);
    return {};
}

std::string hiddenTemporaryName(std::string_view name) {
    const std::size_t longest = std::max(name.size(), kShortestTemporary);
    const std::size_t kept = std::min(name.size(), longest - 1 - kRandomPart.size());
    BEGIN_GCC_RESTRICT_FALSE_POSITIVE
    return "." + std::string(name.substr(0, kept)) + std::string(kRandomPart);
    END_GCC_RESTRICT_FALSE_POSITIVE
}

ReplacedFile::~ReplacedFile() {
    closeDescriptor();
    // Before it is in place, the new file; once swapped into place, the earlier one.
    if (!temporary_.empty() && (placed_ == Placed::no || placed_ == Placed::swapped)) ::unlink(temporary_.c_str());
}

void ReplacedFile::fail(std::string_view what, int error) {
    if (failure_.empty()) failure_ = std::string(what) + " " + given_.string() + ": " + systemReason(error);
}

void ReplacedFile::closeDescriptor() {
    if (descriptor_ >= 0 && !standardOutput_) ::close(descriptor_);
    descriptor_ = -1;
}

bool ReplacedFile::open(const std::filesystem::path& path) {
    given_ = path;
    buffer_.reserve(kBufferBytes);
    if (path == "-") {
        descriptor_ = STDOUT_FILENO;
        standardOutput_ = inPlace_ = true;
        given_ = "standard output";
        return true;
    }
    if (const std::string refused = unwritableReason(path); !refused.empty()) {
        failure_ = "cannot write " + given_.string() + ": " + refused;
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode)) {
            fail("cannot write", EISDIR);
            return false;
        }
        // A device or a named pipe receives the data; it is never replaced by a file. A pipe
        // without a reader holds the run here until one comes, as a shell's redirection would.
        descriptor_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor_ < 0) {
            fail("cannot open", errno);
            return false;
        }
        inPlace_ = true;
        return true;
    }
    target_ = linkTarget(path);
    if (::stat(target_.c_str(), &info) == 0) {
        replacing_ = true;
        mode_ = info.st_mode & 07777;
        owner_ = info.st_uid;
        group_ = info.st_gid;
    }
    // Unnamed until complete, so that a run killed while writing leaves nothing behind; where the
    // file system has no unnamed files, under a hidden temporary name.
    const std::filesystem::path folder = target_.parent_path().empty() ? "." : target_.parent_path();
    descriptor_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor_ >= 0) return true;
    std::string pattern = temporaryPattern();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        fail("cannot create a file beside", errno);
        return false;
    }
    descriptor_ = fd;
    temporary_ = pattern;
    return true;
}

std::string ReplacedFile::temporaryPattern() const {
    return (target_.parent_path() / hiddenTemporaryName(target_.filename().string())).string();
}

bool ReplacedFile::linkUnnamed() {
    // The unnamed file gets a temporary name beside the target for the moment before the rename
    // that replaces the target in one step.
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryPattern();
        const int probe = ::mkstemp(name.data());  // a fresh name, given up again at once
        if (probe < 0) {
            fail("cannot create a file beside", errno);
            return false;
        }
        ::close(probe);
        ::unlink(name.c_str());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return true;
        }
        if (errno != EEXIST) {
            fail("cannot write", errno);
            return false;
        }
    }
    fail("cannot write", EEXIST);
    return false;
}

void ReplacedFile::writeOut(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && descriptor_ >= 0 && failure_.empty()) {
        const ssize_t n = ::write(descriptor_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail("cannot write", n < 0 ? errno : ENOSPC);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
}

void ReplacedFile::drain() {
    writeOut(buffer_);
    buffer_.clear();
}

void ReplacedFile::write(std::string_view text) {
    if (descriptor_ < 0 || !failure_.empty()) return;
    if (buffer_.size() + text.size() > kBufferBytes) drain();
    // A text as long as the buffer goes straight to the file, without a copy.
    if (text.size() >= kBufferBytes) {
        writeOut(text);
        return;
    }
    buffer_.append(text);
}

bool ReplacedFile::flush() {
    drain();
    return failure_.empty();
}

void ReplacedFile::setModeAndOwner() {
    if (!replacing_) {
        // A new file gets the permissions a plain create would give it (mkstemp makes it 0600).
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(descriptor_, 0666 & ~mask);
        return;
    }
    // The owner first (changing it clears set-user-ID bits). Only root may give a file to
    // another user; an owner may still give it a group of their own.
    const bool ownerKept = ::fchown(descriptor_, owner_, group_) == 0;
    if (!ownerKept) (void)::fchown(descriptor_, static_cast<uid_t>(-1), group_);
    // Set-user-ID and set-group-ID bits only with the owner they were given for.
    ::fchmod(descriptor_, ownerKept ? mode_ : (mode_ & 01777));
}

bool ReplacedFile::finish() {
    if (finished_) return failure_.empty();
    finished_ = true;
    if (descriptor_ < 0) {
        if (failure_.empty()) failure_ = "cannot write " + given_.string() + ": not open";
        return false;
    }
    drain();
    if (!inPlace_) setModeAndOwner();
    if (!inPlace_ && temporary_.empty() && failure_.empty()) linkUnnamed();
    if (!standardOutput_ && ::close(descriptor_) != 0 && errno != EINTR) fail("cannot write", errno);
    descriptor_ = -1;
    return failure_.empty();
}

bool ReplacedFile::putInPlace() {
    if (!finished_ || !failure_.empty()) return false;
    if (inPlace_) return true;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("cannot replace", errno);
        return false;
    }
    temporary_.clear();
    return true;
}

bool ReplacedFile::swapIntoPlace() {
    if (!finished_ || !failure_.empty()) return false;
    if (inPlace_ || placed_ != Placed::no) return true;
    struct stat info {};
    const bool earlier = ::lstat(target_.c_str(), &info) == 0;
    // The earlier file changes places with the new one, so that it can come back.
    if (earlier && ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
        placed_ = Placed::swapped;
        return true;
    }
    // A file system that cannot swap two names replaces the earlier file for good.
    if (earlier && errno != EINVAL && errno != ENOSYS) {
        fail("cannot replace", errno);
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("cannot replace", errno);
        return false;
    }
    placed_ = earlier ? Placed::renamed : Placed::moved;
    return true;
}

void ReplacedFile::restore() {
    switch (placed_) {
    case Placed::swapped:
        // Should the swap back fail, the earlier file stays under its hidden name rather than be lost.
        placed_ = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0
                      ? Placed::no
                      : Placed::renamed;
        break;
    case Placed::moved:
        // There was no file of this name: the new one goes back to its temporary name, to be removed.
        if (::rename(target_.c_str(), temporary_.c_str()) == 0) placed_ = Placed::no;
        break;
    case Placed::renamed:  // the earlier file is gone; the new one stays rather than none
    case Placed::no: break;
    }
}
