#pragma once
// An input file opened once and read once. Whether it is CIF is decided from the first bytes
// read; its stream then reads it from its first byte, also where it cannot be read twice (a pipe,
// a named pipe, the standard input).
#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// The first token of a text that is not a comment, found however far it lies: a CIF starts,
// after an optional UTF-8 byte-order mark, blanks and comment lines, with a token that begins
// with data_ (in any case).
class CifStart {
public:
    // Takes the next bytes of the text; true once the first token decides.
    bool feed(std::string_view bytes);
    bool decided() const { return decided_; }
    // Whether the text is CIF, by the bytes fed so far (a text that ended undecided is not).
    bool isCif() const { return cif_; }

private:
    enum class Place { start, blank, comment, token };
    Place place_ = Place::start;
    std::size_t seen_ = 0;  // bytes of the byte-order mark or the token so far
    bool decided_ = false;
    bool cif_ = false;
};

struct StreamCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using InputStream = std::unique_ptr<std::FILE, StreamCloser>;

struct InputSource {
    InputStream stream;  // reads the file from its first byte; empty when it could not be opened
    bool cif = false;
    int descriptor = -1;  // of the file itself while the stream is open, to tell which file it is
    long origin = -1;     // where a file that can be read again starts (a regular file); -1: none
    std::string failure;  // why it could not be opened, with the system's reason: "cannot be opened: Is a directory"
};

// "-" names the standard input.
bool isStandardInput(const std::filesystem::path& path);

// Opens a file (a device is not read here: the readers refuse it) and decides whether it is CIF.
InputSource openInputSource(const std::filesystem::path& path);

// Puts the stream of a source that can be read again back to its start; false for one that
// cannot (a pipe), or on failure.
bool rewindSource(InputSource& source);
