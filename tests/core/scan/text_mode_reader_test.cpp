#include "scan/text_mode_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/native_path.h"
#include "base/result.h"
#include "support/memory_byte_source.h"
#include "support/temp_dir.h"

namespace mirelo {
namespace {

using Pieces = std::vector<std::string>;

constexpr std::size_t kMaxPiece = TextModeLineReader::kMaxPiece;

// Hands out its bytes in chunks of random size, as a pipe or a slow disk may; or lends
// them in such chunks where they lie, as a mapped file does.
class ChunkedByteSource : public ByteSource {
public:
    ChunkedByteSource(std::string_view bytes, unsigned seed, bool lends = false)
        : rest_(bytes), random_(seed), lends_(lends) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::string_view chunk = Lend(capacity);
        std::copy(chunk.begin(), chunk.end(), buffer);
        return chunk.size();
    }
    bool Lends() const override { return lends_; }
    std::string_view Lend(std::size_t most) override {
        std::uniform_int_distribution<std::size_t> chunk(1, 3000);
        const std::string_view lent = rest_.substr(0, std::min(most, chunk(random_)));
        rest_.remove_prefix(lent.size());
        return lent;
    }

private:
    std::string_view rest_;
    std::mt19937 random_;
    bool lends_;
};

// All pieces, or only those starting with one of firstBytes.
Pieces ReadPieces(ByteSource& source, std::size_t blockSize = 1 << 20,
                  const TextModeLineReader::PieceStarts* starts = nullptr) {
    TextModeLineReader reader(source, blockSize);
    Pieces pieces;
    std::string_view piece;
    while (starts ? reader.NextStartingWith(*starts, piece) : reader.Next(piece)) pieces.emplace_back(piece);
    return pieces;
}

Pieces ReadPieces(std::string_view bytes, std::size_t blockSize = 1 << 20,
                  const TextModeLineReader::PieceStarts* starts = nullptr) {
    testing::MemoryByteSource source(bytes);
    return ReadPieces(source, blockSize, starts);
}

// The text-mode rules spelled out one at a time over the whole input: turn every CR LF
// into LF, then cut fgets pieces of at most 1023 bytes; 0x1A is data.
Pieces ReferencePieces(std::string_view raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    Pieces pieces;
    std::string piece;
    for (char c : text) {
        piece += c;
        if (c == '\n' || piece.size() == kMaxPiece) pieces.push_back(std::exchange(piece, {}));
    }
    if (!piece.empty()) pieces.push_back(piece);
    return pieces;
}

// Runs of text of any length up to two pieces, often just around one piece, with all the
// bytes the rules care about in between, so that pieces, CR LF pairs and 0x1A meet
// every block edge and every fill level of the reader.
std::string RandomInput(std::mt19937& random) {
    std::uniform_int_distribution<int> segmentCount(0, 40), kind(0, 99), nearPiece(0, 1);
    std::uniform_int_distribution<std::size_t> anyLength(0, 2 * kMaxPiece + 4), aroundPiece(kMaxPiece - 3, kMaxPiece + 3);
    std::string input;
    for (int n = segmentCount(random); n > 0; --n) {
        const int k = kind(random);
        if (k < 30) input += std::string(nearPiece(random) ? aroundPiece(random) : anyLength(random), 'x');
        else if (k < 55) input += "\r\n";
        else if (k < 75) input += '\n';
        else if (k < 93) input += '\r';
        else if (k < 96) input += '\0';
        else if (k < 98) input += "xx@";
        else input += '\x1A';
    }
    return input;
}

TEST(TextModeLineReader, AgreesWithTheReferenceOnRandomInputs) {
    // Pieces of text; the rarer ones that start inside a long line of text or after it;
    // and pieces told by their second and third bytes, which a CR LF pair may turn into an LF.
    TextModeLineReader::PieceStarts textOrCr, crOrNul, triples;
    for (const char first : {'x', '\r'}) textOrCr.Allow(static_cast<unsigned char>(first));
    for (const char first : {'\r', '\0'}) crOrNul.Allow(static_cast<unsigned char>(first));
    const std::string_view tripleStarts[] = {"x\n\n", "x\rx", "\rxx", "\n\r\n", "xx\n", "xx@"};
    for (const std::string_view start : tripleStarts)
        triples.Allow(static_cast<unsigned char>(start[0]), static_cast<unsigned char>(start[1]), static_cast<unsigned char>(start[2]));
    for (const std::string_view start : tripleStarts) ASSERT_TRUE(triples.Lets(std::string(start) + "x\n")) << start;
    std::mt19937 random(20240611);
    const std::size_t blockSizes[] = {2048, 2049, 2500, 4096, 1 << 17};  // the last holds any input whole
    for (int round = 0; round < 1500; ++round) {
        const std::string input = RandomInput(random);
        const Pieces expected = ReferencePieces(input);
        for (std::size_t blockSize : blockSizes) {
            ASSERT_EQ(ReadPieces(input, blockSize), expected) << "round " << round << ", block " << blockSize;
        }
        ChunkedByteSource chunked(input, static_cast<unsigned>(round)), lent(input, static_cast<unsigned>(round), true);
        ASSERT_EQ(ReadPieces(chunked, 2048), expected) << "round " << round << ", chunked";
        ASSERT_EQ(ReadPieces(lent, 2048), expected) << "round " << round << ", lent";

        for (const TextModeLineReader::PieceStarts* starts : {&textOrCr, &crOrNul, &triples}) {
            Pieces expectedStartingWith;
            std::copy_if(expected.begin(), expected.end(), std::back_inserter(expectedStartingWith),
                         [&](const std::string& piece) { return starts->Lets(piece); });
            ASSERT_EQ(ReadPieces(input, 2048, starts), expectedStartingWith) << "round " << round;
            ASSERT_EQ(ReadPieces(input, 1 << 17, starts), expectedStartingWith) << "round " << round;
        }
    }
}

// A file that ends before the size it had when it was opened was shortened while it was read.
TEST(FileByteSource, FailsWhenTheFileEndsBeforeItsSizeWhenOpened) {
    const testing::TempDir dir;
    const std::string path = dir.Write("In.mbx", "From: a@x\n");
    for (const std::uint64_t size : {10u, 11u}) {
        const FileHandle file = OpenFile(path, "rb");
        FileByteSource source(file.get(), size);
        char buffer[16];
        while (source.Read(buffer, sizeof buffer) > 0) {
        }
        EXPECT_EQ(source.Error() == FailureCode::Shortened, size == 11) << size;
    }
}

}  // namespace
}  // namespace mirelo
