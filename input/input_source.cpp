#include "input/input_source.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCifStart = "data_";
// What a stream that cannot be read twice may hold before its first token: as much as the
// largest CIF read.
constexpr std::size_t kLongestKeptStart = std::size_t{256} << 20;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// The bytes read to decide, handed out again before the rest of a stream that cannot seek back.
struct Replay {
    std::string start;
    std::size_t given = 0;
    std::FILE* rest = nullptr;
};

ssize_t readReplay(void* cookie, char* buffer, std::size_t size) {
    auto* replay = static_cast<Replay*>(cookie);
    if (replay->given < replay->start.size()) {
        const std::size_t n = std::min(size, replay->start.size() - replay->given);
        replay->start.copy(buffer, n, replay->given);
        replay->given += n;
        if (replay->given == replay->start.size()) std::string().swap(replay->start);
        return static_cast<ssize_t>(n);
    }
    const std::size_t n = std::fread(buffer, 1, size, replay->rest);
    if (n == 0 && std::ferror(replay->rest)) return -1;
    return static_cast<ssize_t>(n);
}

int closeReplay(void* cookie) {
    auto* replay = static_cast<Replay*>(cookie);
    const int result = std::fclose(replay->rest);
    delete replay;
    return result;
}

}  // namespace

bool CifStart::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (decided_) break;
        switch (place_) {
        case Place::start:
            // An editor's UTF-8 byte-order mark, byte by byte; anything else ends it.
            if (c == kByteOrderMark[seen_]) {
                if (++seen_ == kByteOrderMark.size()) {
                    place_ = Place::blank;
                    seen_ = 0;
                }
                continue;
            }
            if (seen_ > 0) {
                decided_ = true;  // part of a mark, then another byte: a token that is no data_
                continue;
            }
            place_ = Place::blank;
            [[fallthrough]];
        case Place::blank:
            if (isBlank(c)) continue;
            if (c == '#') {
                place_ = Place::comment;
                continue;
            }
            place_ = Place::token;
            [[fallthrough]];
        case Place::token:
            if (lower(c) != kCifStart[seen_]) {
                decided_ = true;
            } else if (++seen_ == kCifStart.size()) {
                decided_ = cif_ = true;
            }
            continue;
        case Place::comment:
            if (c == '\n') place_ = Place::blank;
            continue;
        }
    }
    return decided_;
}

bool isStandardInput(const std::filesystem::path& path) { return path == "-"; }

InputSource openInputSource(const std::filesystem::path& path) {
    InputSource source;
    std::error_code ec;
    std::FILE* opened = nullptr;
    if (isStandardInput(path)) {
        // A descriptor of its own, so that closing the stream leaves the standard input open.
        const int descriptor = ::dup(STDIN_FILENO);
        opened = descriptor < 0 ? nullptr : ::fdopen(descriptor, "rb");
        if (!opened && descriptor >= 0) ::close(descriptor);
    } else if (std::filesystem::is_directory(path, ec)) {
        source.failure = "cannot be opened: " + std::generic_category().message(EISDIR);
        return source;
    } else {
        opened = std::fopen(path.c_str(), "rb");
    }
    if (!opened) {
        source.failure = "cannot be opened: " + std::generic_category().message(errno != 0 ? errno : EIO);
        return source;
    }
    InputStream file(opened);
    source.descriptor = ::fileno(opened);
    struct stat info {};
    const bool known = ::fstat(source.descriptor, &info) == 0;
    // A device such as /dev/zero never ends as a file does; the readers refuse it unread.
    if (known && S_ISCHR(info.st_mode)) {
        source.stream = std::move(file);
        return source;
    }
    // A regular file is read again from where it started; anything else keeps what was read.
    const bool seekable = known && S_ISREG(info.st_mode);
    const long origin = seekable ? std::ftell(opened) : -1;
    CifStart start;
    std::string kept;
    char buffer[4096];
    while (!start.decided()) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, opened);
        if (n == 0) break;
        start.feed({buffer, n});
        if (origin < 0) {
            kept.append(buffer, n);
            if (kept.size() >= kLongestKeptStart) break;
        }
    }
    if (std::ferror(opened)) {
        source.failure = "cannot be read: " + std::generic_category().message(errno != 0 ? errno : EIO);
        return source;
    }
    source.cif = start.isCif();
    if (origin >= 0) {
        if (std::fseek(opened, origin, SEEK_SET) != 0) {
            source.failure = "cannot be read";
            return source;
        }
        source.origin = origin;
        source.stream = std::move(file);
        return source;
    }
    auto* replay = new Replay{std::move(kept), 0, opened};
    std::FILE* stream = ::fopencookie(replay, "rb", {readReplay, nullptr, nullptr, closeReplay});
    if (!stream) {
        delete replay;
        source.failure = "cannot be read";
        return source;
    }
    file.release();  // now closed with the replaying stream
    source.stream.reset(stream);
    return source;
}

bool rewindSource(InputSource& source) {
    if (!source.stream || source.origin < 0) return false;
    std::clearerr(source.stream.get());
    return std::fseek(source.stream.get(), source.origin, SEEK_SET) == 0;
}
