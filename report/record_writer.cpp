#include "report/record_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kFileBufferBytes = 1 << 20;

// Fw.d into out (exactly w characters). Digits come from to_chars, which rounds the exact binary
// value to nearest and ignores the locale.
void formatFixed(char* out, int w, int d, float value) {
    if (w <= 0) return;
    std::memset(out, ' ', static_cast<std::size_t>(w));
    char digits[80];
    std::size_t n = 0;
    if (std::isnan(value)) {
        std::memcpy(digits, "NaN", 3);
        n = 3;
    } else if (std::isinf(value)) {
        const char* s = value < 0 ? "-Infinity" : "Infinity";
        n = std::strlen(s);
        if (static_cast<int>(n) > w) s = value < 0 ? "-Inf" : "Inf", n = std::strlen(s);
        std::memcpy(digits, s, n);
    } else {
        const auto res = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, d);
        if (res.ec != std::errc{}) {
            std::memset(out, '*', static_cast<std::size_t>(w));
            return;
        }
        n = static_cast<std::size_t>(res.ptr - digits);
        if (d == 0) digits[n++] = '.';  // F editing always shows the decimal point
        // A value that rounds to zero in its field carries no minus sign.
        if (digits[0] == '-' && std::all_of(digits + 1, digits + n, [](char c) { return c == '0' || c == '.'; })) {
            std::memmove(digits, digits + 1, --n);
        }
        // The 0 before the decimal point is optional: dropped only when the field is too narrow.
        if (static_cast<int>(n) > w) {
            char* zero = digits[0] == '-' ? digits + 1 : digits;
            if (zero[0] == '0' && zero[1] == '.') {
                std::memmove(zero, zero + 1, static_cast<std::size_t>(digits + n - zero - 1));
                --n;
            }
        }
    }
    if (static_cast<int>(n) > w) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return;
    }
    std::memcpy(out + (static_cast<std::size_t>(w) - n), digits, n);
}

}  // namespace

char* Rec::reserve(std::size_t n) {
    // Records of this program are far shorter than the buffer; a longer one is cut, never overrun.
    if (len_ + n > buf_.size()) n = buf_.size() - len_;
    char* p = buf_.data() + len_;
    len_ += n;
    return p;
}

Rec& Rec::x(int n) { return fill(n, ' '); }

Rec& Rec::fill(int n, char c) {
    if (n <= 0) return *this;
    const std::size_t want = static_cast<std::size_t>(n);
    const std::size_t start = len_;
    reserve(want);
    std::memset(buf_.data() + start, c, len_ - start);
    return *this;
}

Rec& Rec::text(std::string_view s) {
    const std::size_t start = len_;
    reserve(s.size());
    std::memcpy(buf_.data() + start, s.data(), len_ - start);
    return *this;
}

Rec& Rec::a(int w, std::string_view s) {
    if (w <= 0) return *this;
    const std::size_t width = static_cast<std::size_t>(w);
    if (s.size() >= width) return text(s.substr(0, width));
    x(static_cast<int>(width - s.size()));
    return text(s);
}

Rec& Rec::i(int w, long value) {
    if (w <= 0) return *this;
    char digits[32];
    const auto res = std::to_chars(digits, digits + sizeof digits, value);
    const auto n = static_cast<std::size_t>(res.ptr - digits);
    if (static_cast<int>(n) > w) return fill(w, '*');
    x(w - static_cast<int>(n));
    return text({digits, n});
}

Rec& Rec::f(int w, int d, float value) {
    if (w <= 0) return *this;
    if (len_ + static_cast<std::size_t>(w) > buf_.size()) return fill(w, '*');
    formatFixed(reserve(static_cast<std::size_t>(w)), w, d, value);
    return *this;
}

Rec& Rec::f(int w, int d, std::span<const float> values) {
    for (float v : values) f(w, d, v);
    return *this;
}

std::string formatF(int w, int d, float value) {
    std::string s(static_cast<std::size_t>(std::max(w, 0)), ' ');
    formatFixed(s.data(), w, d, value);
    return s;
}

void RecordFile::Closer::operator()(std::FILE* f) const {
    if (f) std::fclose(f);
}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::move(other.file_);
        buffer_ = std::move(other.buffer_);
        lineOpen_ = other.lineOpen_;
        failed_ = other.failed_;
        other.lineOpen_ = false;
        other.failed_ = false;
    }
    return *this;
}

bool RecordFile::openAppend(const std::filesystem::path& path) {
    close();
    failed_ = false;
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    file_.reset(f);
    buffer_ = std::make_unique<char[]>(kFileBufferBytes);
    std::setvbuf(f, buffer_.get(), _IOFBF, kFileBufferBytes);
    return true;
}

void RecordFile::put(const char* data, std::size_t n) {
    if (!file_ || n == 0) return;
    if (std::fwrite(data, 1, n, file_.get()) != n) failed_ = true;
}

void RecordFile::record(std::string_view r) {
    if (!file_) return;
    // Line ends are written when the next record starts, so that '+' can overprint.
    const char control = r.empty() ? ' ' : r.front();
    if (lineOpen_) {
        if (control == '+') put("\r", 1);
        else put("\r\n", 2);
    }
    if (control == '0') put("\r\n", 2);
    else if (control == '1') put("\f", 1);
    if (!r.empty()) put(r.data() + 1, r.size() - 1);
    lineOpen_ = true;
}

bool RecordFile::flush() {
    if (!file_) return !failed_;
    if (lineOpen_) {
        put("\r\n", 2);
        lineOpen_ = false;
    }
    if (std::fflush(file_.get()) != 0 || std::ferror(file_.get())) failed_ = true;
    return !failed_;
}

bool RecordFile::close() {
    if (!file_) return !failed_;
    flush();
    if (std::fclose(file_.release()) != 0) failed_ = true;
    buffer_.reset();
    return !failed_;
}
