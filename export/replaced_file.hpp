#pragma once
// A file written whole and put in place only when complete. A regular file (or a name not yet
// taken) is written as an unnamed file in its folder (or, where the file system has none, under
// a hidden temporary name no longer than its own), named and renamed over it at the end, so that
// a failed or killed run leaves any earlier file of that name as it was and no other file; through
// a symbolic link, the file it names is replaced and the link stays, and the new file keeps the old
// one's mode and, where the process may give it, its owner. A file the process may not write, and
// a symbolic link to nothing, are refused, not replaced. Anything else that exists (a device, a
// named pipe) and "-", the standard output, is written in place as the data come: it is never
// replaced.
#include <filesystem>
#include <string>
#include <string_view>

class ReplacedFile {
public:
    ReplacedFile() = default;
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;
    // Removes the temporary file unless it was committed: after swapIntoPlace, the earlier file.
    ~ReplacedFile();

    bool open(const std::filesystem::path& path);
    bool isOpen() const { return descriptor_ >= 0; }
    void write(std::string_view text);
    // Hands what is buffered to the system; false once anything has failed.
    bool flush();
    // Writes out what is buffered, closes the file and (for a replaced file) renames it into
    // place; false when any step failed.
    bool commit() { return finish() && putInPlace(); }

    // The two halves of commit, for files put in place together (ReplacedFileSet): finish
    // completes the file beside its target, ready to be put in place; swapIntoPlace then puts it
    // there, keeping the earlier file aside until this object ends, so that restore can put the
    // earlier file back. A file written in place is complete once finished.
    bool finish();
    bool swapIntoPlace();
    void restore();

    // The first failure, naming the file and the system's reason
    // ("cannot write out/run.json: No space left on device"); empty when there was none.
    const std::string& failure() const { return failure_; }

private:
    enum class Placed { no, renamed, swapped, moved };  // how swapIntoPlace put the file in place

    bool putInPlace();
    void fail(std::string_view what, int error);
    void drain();
    void writeOut(std::string_view bytes);
    void closeDescriptor();
    void setModeAndOwner();
    std::string temporaryPattern() const;
    bool linkUnnamed();  // names an unnamed file beside the target, in temporary_

    int descriptor_ = -1;
    bool inPlace_ = false;         // written where it is, not replaced
    bool standardOutput_ = false;  // the descriptor is the process's, not closed here
    bool finished_ = false;
    Placed placed_ = Placed::no;
    std::filesystem::path given_;  // as the user named it, for messages
    std::filesystem::path target_;  // the file to replace, links followed
    std::filesystem::path temporary_;  // the name while not yet in place; empty for an unnamed file
    bool replacing_ = false;       // the target exists: its mode and owner carry over
    unsigned mode_ = 0;
    unsigned owner_ = 0;
    unsigned group_ = 0;
    std::string buffer_;
    std::string failure_;
};

// Why a run must not write to `path` (through links): a symbolic link to nothing ("a symbolic link
// to old/run.json, which does not exist"), or an existing file the process may not write (the
// system's reason); empty when it may. A folder is left to the opening, which names it as one.
std::string unwritableReason(const std::filesystem::path& path);

// The name of a hidden temporary file beside `name` (a file name without folder), ending in the
// six characters that mkstemp replaces: "." and as much of the name as leaves it no longer than
// the name itself (or than 16 bytes, for a shorter name), so that a name as long as the file system
// allows still has one.
std::string hiddenTemporaryName(std::string_view name);
