#pragma once
// Lines of a file, one at a time, without their line end (LF or CR LF), each kept to a bounded
// length so that no input, however long its lines, makes the reader hold more than that.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class LineReader {
public:
    LineReader(std::FILE* file, std::size_t longestKept);

    // The next line, cut to the longest kept length (the rest of it is passed over); false at
    // the end of the file or on a read error. A NUL byte stays in its line.
    bool next(std::string& line);
    bool cut() const { return cut_; }         // the last line was longer than what was kept
    bool failed() const { return failed_; }   // a read error, not the end of the file
    std::uint64_t offset() const { return offset_; }  // bytes consumed so far
    long lineNumber() const { return lineNumber_; }

private:
    bool refill();

    std::FILE* file_;
    std::size_t longestKept_;
    std::unique_ptr<char[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t offset_ = 0;
    long lineNumber_ = 0;
    bool cut_ = false;
    bool failed_ = false;
    bool atEnd_ = false;
};
