#include "run/deferred_print_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "run/file_identity.hpp"
#include "run/run_files.hpp"

DeferredPrintFile openDeferredPrintFile(RunState& state) {
    DeferredPrintFile print;
    if (state.printFile.isOpen() || state.deferredPrintFile.empty()) return print;
    const std::filesystem::path& path = state.deferredPrintFile;
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    errno = 0;
    if (!openPrintFile(state, path)) {
        // Taken at once: any later look at the file would set errno again (a missing file in a
        // folder that may not be written would read "No such file or directory").
        const int error = errno;
        print.failure = "cannot open " + path.string() + ": " +
                        (error != 0 ? std::generic_category().message(error) : std::string("not a file"));
        return print;
    }
    print.opened = true;
    print.created = !existed;
    return print;
}

bool printFileStillNamed(const RunState& state) {
    const std::optional<FileIdentity> open = identityOf(state.printFile.descriptor());
    return open && open == identityOf(state.printPath);
}

void dropDeferredPrintFile(RunState& state, const DeferredPrintFile& print) {
    if (!print.opened) return;
    const std::optional<FileIdentity> open = identityOf(state.printFile.descriptor());
    struct stat info {};
    const bool empty = ::fstat(state.printFile.descriptor(), &info) == 0 && info.st_size == 0;
    // The file itself, not a link that led to it.
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::canonical(state.printPath, ec);
    if (print.created && empty && !ec && open && open == identityOf(file)) ::unlink(file.c_str());
    state.printFile.close();
}
