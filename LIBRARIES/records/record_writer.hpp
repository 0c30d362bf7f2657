#pragma once
// Fortran-style record formatting (Fw.d, Iw, Aw, nX, literals) and the files that receive the
// records: carriage control by the first character, CR LF line ends, opened for appending.
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// One record under construction. Fields are appended left to right; the first character of the
// finished record is its carriage-control character.
class Rec {
public:
    Rec& x(int n);                             // nX
    Rec& text(std::string_view s);             // 'literal'
    Rec& fill(int n, char c);                  // n('c')
    Rec& a(int w, std::string_view s);         // Aw: first w characters, or right-aligned
    Rec& i(int w, long value);                 // Iw
    Rec& f(int w, int d, float value);         // Fw.d
    Rec& f(int w, int d, std::span<const float> values);  // nFw.d

    std::string_view view() const { return {buf_.data(), len_}; }

private:
    char* reserve(std::size_t n);
    // Left unset: only the first len_ characters are ever read.
    std::array<char, 1024> buf_;
    std::size_t len_ = 0;
};

// Blanks and literals are defined here so that each call is compiled with its length known:
// a report builds its records from hundreds of them a calculation.

inline char* Rec::reserve(std::size_t n) {
    // Records of this program are far shorter than the buffer; a longer one is cut, never overrun.
    if (len_ + n > buf_.size()) n = buf_.size() - len_;
    char* p = buf_.data() + len_;
    len_ += n;
    return p;
}

inline Rec& Rec::fill(int n, char c) {
    if (n <= 0) return *this;
    const std::size_t start = len_;
    reserve(static_cast<std::size_t>(n));
    std::memset(buf_.data() + start, c, len_ - start);
    return *this;
}

inline Rec& Rec::x(int n) { return fill(n, ' '); }

inline Rec& Rec::text(std::string_view s) {
    const std::size_t start = len_;
    reserve(s.size());
    std::memcpy(buf_.data() + start, s.data(), len_ - start);
    return *this;
}

// Fw.d of one value as it stands in its field (exactly w characters).
std::string formatF(int w, int d, float value);

// A report or result file. Opened for appending: created when missing, never truncated.
class RecordFile {
public:
    RecordFile() = default;
    RecordFile(RecordFile&&) noexcept = default;
    RecordFile& operator=(RecordFile&& other) noexcept;
    ~RecordFile() { close(); }

    bool openAppend(const std::filesystem::path& path);
    bool isOpen() const { return file_ != nullptr; }
    // The open file's descriptor (to lock it or tell which file it is), or -1.
    int descriptor() const { return file_ ? ::fileno(file_.get()) : -1; }

    // Writes one record; its first character is consumed as carriage control:
    // '0' one empty line first, '1' a form feed first, '+' overprints the line before,
    // anything else starts a new line. An empty record is an empty line.
    void record(const Rec& r) { record(r.view()); }
    void record(std::string_view r);
    void emptyRecord() { record(std::string_view{}); }

    // Ends the last line and pushes everything to the operating system.
    // False when any write since opening has failed.
    bool flush();
    // Flushes and closes; false when any write or the close failed.
    bool close();
    bool failed() const { return failed_; }
    // The system's error number of the first failed write (0 when it gave none).
    int error() const { return error_; }

private:
    struct Closer {
        void operator()(std::FILE* f) const;
    };
    void put(const char* data, std::size_t n);
    void drain();  // hands the buffered bytes to the stream
    void fail();   // a write failed: keeps the first failure's error number
    std::unique_ptr<std::FILE, Closer> file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;  // bytes waiting in buffer_
    bool lineOpen_ = false;  // a line has been written whose end is still due
    bool earlierLineOpen_ = false;  // the file's earlier content stops inside a line
    bool failed_ = false;
    int error_ = 0;
};
