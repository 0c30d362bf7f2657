#include "LIBRARIES/records/record_writer.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Records are gathered here and handed to the operating system in large writes: one fwrite per
// piece of a record costs more than formatting it.
constexpr std::size_t kFileBufferBytes = 1 << 16;

constexpr char kBlanks[] = "                ";  // 16 blanks

// Fw.d into out (exactly w characters) through to_chars, which rounds the exact binary value to
// nearest (ties to even) and ignores the locale. Used for every field the short path below does
// not take.
void formatFixedGeneral(char* out, int w, int d, float value) {
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

// The eight decimal digits of v < 10^8, leading zeros included, as ASCII in the order they are
// read on a little-endian machine: all eight at once in one 64-bit word (two 4-digit halves, then
// 2-digit and 1-digit lanes, each split with a multiply and a shift), not a division per digit.
std::uint64_t eightDigitsWord(std::uint32_t v) {
    const std::uint64_t merged = (v / 10000u) | (static_cast<std::uint64_t>(v % 10000u) << 32);
    const std::uint64_t hundreds = (merged * 10486u >> 20) & 0x0000007F0000007Fu;  // each half / 100
    const std::uint64_t pairs = ((merged - 100u * hundreds) << 16) + hundreds;
    std::uint64_t tens = (pairs * 103u >> 10) & 0x000F000F000F000Fu;  // each pair / 10
    tens += (pairs - 10u * tens) << 8;
    return tens + 0x3030303030303030u;
}

constexpr std::uint32_t kPowersOfTen[] = {1u,      10u,      100u,      1000u,      10000u,
                                          100000u, 1000000u, 10000000u, 100000000u, 1000000000u};

// The number of decimal digits of q > 0.
int digitCount(std::uint32_t q) {
    const int bits = 32 - std::countl_zero(q);
    const int guess = (bits * 1233) >> 12;  // floor(bits * log10(2)): the count or one less
    return guess + (q >= kPowersOfTen[guess] ? 1 : 0);
}

// How far past the end of its field a short field may store (see storeShortField).
constexpr std::size_t kFieldSlack = 16;

// A field of at most 16 characters whose digits are those of one eightDigitsWord (q < 10^8,
// 1 <= d <= 8), stored left to right with fixed-size stores and no staging buffer: blanks, the
// integer digits, the point, the decimals, then the 0 and the sign. Stores may reach up to
// kFieldSlack bytes past the field, over bytes the caller has not filled yet.
void storeShortField(char* out, int w, int d, std::uint32_t q, int integerDigits, bool leadingZero,
                     bool negative) {
    const std::uint64_t digits = eightDigitsWord(q);
    const int point = w - d - 1;
    const int first = point - integerDigits;  // the first integer digit
    std::memcpy(out, kBlanks, 16);
    const std::uint64_t integerPart = digits >> (8 * (8 - d - integerDigits));
    std::memcpy(out + first, &integerPart, 8);
    out[point] = '.';
    const std::uint64_t decimals = digits >> (8 * (8 - d));
    std::memcpy(out + point + 1, &decimals, 8);
    // The 0 and the sign before the first digit, a blank where the field has none; chosen rather
    // than branched on, because a column's signs change unpredictably. A full field has no room
    // for either: its bytes then go to a scratch pad.
    char scratch[2];
    const int zero = leadingZero ? 1 : 0;
    const int zeroAt = first - 1;
    const int signAt = zeroAt - zero;
    char* const zeroSlot = zeroAt >= 0 ? out + zeroAt : scratch;
    char* const signSlot = signAt >= 0 ? out + signAt : scratch + 1;
    *zeroSlot = static_cast<char>(' ' + ('0' - ' ') * zero);
    *signSlot = static_cast<char>(' ' + ('-' - ' ') * (negative ? 1 : 0));
}

// Fw.d into out (exactly w characters); room is how many bytes from out may be written. The
// rules on top of the digits: a value that rounds to zero has no minus sign; the 0 before the
// decimal point is dropped only when the field is otherwise too narrow; a field still too narrow
// is filled with asterisks.
[[gnu::always_inline]] inline void formatFixed(char* out, std::size_t room, int w, int d, float value) {
    if (w <= 0) return;
    // The fields of the reports (up to 16 characters, 1 to 8 decimals, at most 8 digits) without
    // to_chars, a few times faster. |value| * 10^d is exact in double (24 + 19 significant bits),
    // and adding and removing 2^52 rounds it to an integer, ties to even: the digits to_chars
    // prints. Every other field, and NaN and infinity, goes to formatFixedGeneral. The digits are
    // laid out for a little-endian machine, and the rounding needs double arithmetic done in
    // double (no wider intermediates).
    if constexpr (std::endian::native == std::endian::little && FLT_EVAL_METHOD == 0) {
        static constexpr double kPowersOfTenInDouble[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
        constexpr double kShortLimit = 99999999.5;  // rounds to at most 8 digits
        if (d >= 1 && d <= 8 && w <= 16 && room >= static_cast<std::size_t>(w) + kFieldSlack) {
            const double scaled = std::fabs(static_cast<double>(value)) * kPowersOfTenInDouble[d];
            if (scaled < kShortLimit) {  // false for NaN
                const auto q = static_cast<std::uint32_t>((scaled + 0x1p52) - 0x1p52);
                const bool negative = std::signbit(value) && q != 0;
                const int integerDigits = std::max(digitCount(q | 1u) - d, 0);
                const int n = (negative ? 1 : 0) + integerDigits + 1 + d;
                if (n > w) {
                    std::memset(out, '*', static_cast<std::size_t>(w));
                    return;
                }
                const bool leadingZero = integerDigits == 0 && n < w;  // the optional 0 fits
                storeShortField(out, w, d, q, integerDigits, leadingZero, negative);
                return;
            }
        }
    }
    formatFixedGeneral(out, w, d, value);
}

}  // namespace

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
    const std::size_t room = buf_.size() - len_;
    formatFixed(reserve(static_cast<std::size_t>(w)), room, w, d, value);
    return *this;
}

Rec& Rec::f(int w, int d, std::span<const float> values) {
    for (float v : values) f(w, d, v);
    return *this;
}

std::string formatF(int w, int d, float value) {
    // Formatted with the room a record gives, so that it takes the same path as Rec::f.
    const auto width = static_cast<std::size_t>(std::max(w, 0));
    std::string s(width + kFieldSlack, ' ');
    formatFixed(s.data(), s.size(), w, d, value);
    s.resize(width);
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
        used_ = other.used_;
        lineOpen_ = other.lineOpen_;
        earlierLineOpen_ = other.earlierLineOpen_;
        failed_ = other.failed_;
        error_ = other.error_;
        other.used_ = 0;
        other.lineOpen_ = false;
        other.earlierLineOpen_ = false;
        other.failed_ = false;
        other.error_ = 0;
    }
    return *this;
}

namespace {

// True when a regular file holds earlier content whose last line has no line end.
bool endsInsideALine(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0 || ec) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool inside = false;
    if (std::fseek(f, -1, SEEK_END) == 0) {
        const int last = std::fgetc(f);
        inside = last != EOF && last != '\n';
    }
    std::fclose(f);
    return inside;
}

// The file opened for appending, created when missing; never created through a symbolic link to
// nothing, which fails as the missing file it names (errno ENOENT).
std::FILE* openForAppending(const std::filesystem::path& path) {
    int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (descriptor < 0 && errno == ENOENT)
        descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    // Created a moment ago by another run, or a link to nothing, which this open finds missing.
    if (descriptor < 0 && errno == EEXIST) descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, "ab");
    if (!file) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
    }
    return file;
}

}  // namespace

bool RecordFile::openAppend(const std::filesystem::path& path) {
    close();
    failed_ = false;
    error_ = 0;
    // Earlier content that stops inside a line gets that line ended first, so that the new
    // records do not run on into it.
    const bool continuesALine = endsInsideALine(path);
    std::FILE* f = openForAppending(path);
    if (!f) return false;
    file_.reset(f);
    lineOpen_ = false;
    earlierLineOpen_ = continuesALine;
    // The records are buffered here; the stream passes the full buffer straight to the system.
    std::setvbuf(f, nullptr, _IONBF, 0);
    buffer_ = std::make_unique_for_overwrite<char[]>(kFileBufferBytes);
    used_ = 0;
    return true;
}

void RecordFile::fail() {
    if (!failed_) error_ = errno;
    failed_ = true;
}

void RecordFile::drain() {
    if (used_ == 0) return;
    if (std::fwrite(buffer_.get(), 1, used_, file_.get()) != used_) fail();
    used_ = 0;
}

void RecordFile::put(const char* data, std::size_t n) {
    if (n > kFileBufferBytes - used_) {
        drain();
        if (n > kFileBufferBytes) {
            if (std::fwrite(data, 1, n, file_.get()) != n) fail();
            return;
        }
    }
    std::memcpy(buffer_.get() + used_, data, n);
    used_ += n;
}

void RecordFile::record(std::string_view r) {
    if (!file_) return;
    // Line ends are written when the next record starts, so that '+' can overprint.
    const char control = r.empty() ? ' ' : r.front();
    if (earlierLineOpen_) {
        put("\r\n", 2);
        earlierLineOpen_ = false;
    } else if (lineOpen_) {
        if (control == '+') put("\r", 1);
        else put("\r\n", 2);
    }
    if (control == '0') put("\r\n", 2);
    else if (control == '1') put("\f", 1);
    if (r.size() > 1) put(r.data() + 1, r.size() - 1);
    lineOpen_ = true;
}

bool RecordFile::flush() {
    if (!file_) return !failed_;
    if (lineOpen_) {
        put("\r\n", 2);
        lineOpen_ = false;
    }
    drain();
    if (std::fflush(file_.get()) != 0 || std::ferror(file_.get())) fail();
    return !failed_;
}

bool RecordFile::close() {
    if (!file_) return !failed_;
    flush();
    if (std::fclose(file_.release()) != 0) fail();
    buffer_.reset();
    used_ = 0;
    return !failed_;
}
