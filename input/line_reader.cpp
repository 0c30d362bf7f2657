#include "input/line_reader.hpp"

#include <cstring>

namespace {
constexpr std::size_t kChunk = 1 << 16;
}

LineReader::LineReader(std::FILE* file, std::size_t longestKept)
    : file_(file), longestKept_(longestKept), buffer_(new char[kChunk]) {}

bool LineReader::refill() {
    if (atEnd_ || !file_) return false;
    pos_ = 0;
    end_ = std::fread(buffer_.get(), 1, kChunk, file_);
    if (end_ == 0) {
        atEnd_ = true;
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    return true;
}

bool LineReader::next(std::string& line) {
    line.clear();
    cut_ = false;
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !refill()) break;
        any = true;
        const char* start = buffer_.get() + pos_;
        const std::size_t available = end_ - pos_;
        const void* newline = std::memchr(start, '\n', available);
        const std::size_t length = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) : available;
        const std::size_t room = longestKept_ > line.size() ? longestKept_ - line.size() : 0;
        if (length > room) cut_ = true;
        line.append(start, length < room ? length : room);
        const std::size_t consumed = newline ? length + 1 : length;
        pos_ += consumed;
        offset_ += consumed;
        if (newline) break;
    }
    if (!any) return false;
    ++lineNumber_;
    if (!cut_ && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}
