// A spill buffer gives back every byte it was given, in order, whether it kept them in memory or
// in its file, and says why when it could keep them nowhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "output/spill_buffer.hpp"

namespace {

// Pieces of many lengths, each byte telling its place, so that a lost, doubled or misplaced
// piece shows.
std::string pieceOf(std::size_t index, std::size_t length) {
    std::string piece(length, ' ');
    for (std::size_t i = 0; i < length; ++i) piece[i] = static_cast<char>('a' + (index * 7 + i) % 26);
    return piece;
}

std::string throughBuffer(SpillBuffer& buffer, std::size_t pieces, std::string& expected) {
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::string piece = pieceOf(i, (i * 389) % 3001);
        expected += piece;
        buffer.append(piece);
    }
    std::string back;
    EXPECT_TRUE(buffer.readBack([&back](std::string_view piece) { back.append(piece); })) << buffer.failure();
    return back;
}

TEST(SpillBuffer, GivesBackEveryByteInOrderFromMemoryOrFromItsFile) {
    // limit: far above the text (kept in memory), below one piece, and between.
    for (const std::size_t limit : {std::size_t{1} << 24, std::size_t{100}, std::size_t{50000}}) {
        SpillBuffer buffer(std::filesystem::temp_directory_path(), limit);
        std::string expected;
        EXPECT_EQ(throughBuffer(buffer, 400, expected), expected) << limit;
        EXPECT_TRUE(buffer.failure().empty());
    }
}

TEST(SpillBuffer, AFolderThatCannotHoldItsFileFallsBackToTheTemporaryFolder) {
    SpillBuffer buffer("/nonexistent-folder/for-a-spill", 100);
    std::string expected;
    EXPECT_EQ(throughBuffer(buffer, 50, expected), expected);
}

TEST(SpillBuffer, WithNowhereToSpillItSaysWhyAndGivesNothingBack) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/nonexistent-temporary-folder", 1);
    SpillBuffer buffer("/nonexistent-folder/for-a-spill", 100);
    for (std::size_t i = 0; i < 10; ++i) buffer.append(pieceOf(i, 60));
    bool handed = false;
    EXPECT_FALSE(buffer.readBack([&handed](std::string_view) { handed = true; }));
    EXPECT_FALSE(handed);
    EXPECT_EQ(buffer.failure(), "No such file or directory");
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}

}  // namespace
