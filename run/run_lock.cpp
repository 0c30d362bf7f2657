#include "run/run_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "run/file_identity.hpp"

namespace {

enum class Lock { held, busy, unsupported };

Lock lockExclusive(int descriptor) {
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return Lock::held;
    // Only another holder refuses the run. A file system without locks, or a file that cannot be
    // locked, leaves the run as it was before locks existed.
    return errno == EWOULDBLOCK ? Lock::busy : Lock::unsupported;
}

}  // namespace

RunLock::Result RunLock::take(int printDescriptor, const std::filesystem::path& strainFile) {
    release();
    if (printDescriptor >= 0) {
        const Lock print = lockExclusive(printDescriptor);
        if (print == Lock::busy) return Result::printInUse;
        if (print == Lock::held) printDescriptor_ = printDescriptor;
    }
    if (strainFile.empty()) return Result::taken;
    // A name removed or replaced between its opening and its locking would leave this run holding
    // a file that no other run opens any more: lock the file the name reaches afterwards.
    for (int attempt = 0; attempt < 5; ++attempt) {
        // Not blocking on a named pipe; append-only so that nothing here can change the file; never
        // created through a symbolic link to nothing.
        constexpr int kFlags = O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC;
        int descriptor = ::open(strainFile.c_str(), kFlags);
        if (descriptor < 0 && errno == ENOENT) descriptor = ::open(strainFile.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
        // A result file that cannot be opened is reported when the run opens it.
        if (descriptor < 0 && errno == EEXIST) continue;  // made by another run meanwhile, or a link to nothing
        if (descriptor < 0) return Result::taken;
        const Lock result = lockExclusive(descriptor);
        if (result == Lock::busy) {
            ::close(descriptor);
            release();
            return Result::resultsInUse;
        }
        if (result == Lock::unsupported) {
            ::close(descriptor);
            return Result::taken;
        }
        if (identityOf(descriptor) == identityOf(strainFile)) {
            strainDescriptor_ = descriptor;
            return Result::taken;
        }
        ::close(descriptor);
    }
    return Result::taken;
}

void RunLock::release() {
    if (strainDescriptor_ >= 0) ::close(strainDescriptor_);  // closing ends its lock
    strainDescriptor_ = -1;
    if (printDescriptor_ >= 0) ::flock(printDescriptor_, LOCK_UN);
    printDescriptor_ = -1;
}

bool FolderLock::take(const std::filesystem::path& folder) {
    release();
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return false;
    int locked = -1;
    do locked = ::flock(descriptor, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(descriptor);
        return false;
    }
    descriptor_ = descriptor;
    return true;
}

void FolderLock::release() {
    if (descriptor_ >= 0) ::close(descriptor_);  // closing ends its lock
    descriptor_ = -1;
}
