#pragma once
// A text that may grow far beyond what a run should hold in memory (the fits of a series of a
// million points run to a gigabyte): kept in memory up to a limit, and beyond it in an unnamed
// temporary file, so that what it costs in memory is the limit whatever the text's length. The
// file goes in the folder it is given (where the text will end up, on the same disk) or, where it
// cannot be made there, in the system's temporary folder; it disappears with the buffer.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

class SpillBuffer {
public:
    static constexpr std::size_t kDefaultLimit = std::size_t{1} << 20;

    explicit SpillBuffer(std::filesystem::path folder, std::size_t limit = kDefaultLimit)
        : folder_(std::move(folder)), limit_(limit) {}
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;
    ~SpillBuffer();

    void append(std::string_view text);
    // Hands the whole text to `write`, in order, in pieces; false when any of it was lost.
    bool readBack(const std::function<void(std::string_view)>& write);
    // Why the text could not be kept ("No space left on device"); empty when it could.
    const std::string& failure() const { return failure_; }

private:
    bool spill();
    void fail(int error);

    std::filesystem::path folder_;
    std::size_t limit_;
    std::string memory_;
    int descriptor_ = -1;
    std::string failure_;
};
