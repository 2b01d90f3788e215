#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>
#include <system_error>

#include "base/mapped_file.h"

namespace mirelo {

// Where a reader gets its bytes; Read returns 0 at the end or on a read error, which
// Error then tells.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
    virtual std::error_code Error() const { return {}; }
    // Whether the input ended where a watch said stop rather than at its end: its last
    // line may then be cut short.
    virtual bool Stopped() const { return false; }
    // A source whose bytes lie in memory one after another may lend them in place of Read:
    // each Lend the next at most most bytes, right after those lent before; they stay valid
    // until the Lend after next. Empty at the end.
    virtual bool Lends() const { return false; }
    virtual std::string_view Lend(std::size_t) { return {}; }
};

// Given the file's size when it was opened, a file that ends before that size fails the
// reading as Shortened rather than pass for complete.
class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(std::FILE* file, std::uint64_t sizeWhenOpened = 0) : file_(file), size_(sizeWhenOpened) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;
    std::error_code Error() const override { return error_; }

private:
    std::FILE* file_;
    std::uint64_t size_;
    std::uint64_t read_ = 0;
    std::error_code error_;
};

// Lends a mapped file's bytes, and lets the memory of those its reader has passed go.
class MappedByteSource : public ByteSource {
public:
    explicit MappedByteSource(MappedFile& file) : file_(file) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;
    std::error_code Error() const override;
    bool Lends() const override { return true; }
    std::string_view Lend(std::size_t most) override;

private:
    MappedFile& file_;
    std::size_t lent_ = 0;
    std::size_t lastLendStart_ = 0;
};

// Told how far a reading has come, in the reader's own units (bytes, messages); false
// ends the reading there. Called on the reading's thread.
using ReadWatch = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Whether a reading may go on: it may when there is no watch to ask.
inline bool GoOn(const ReadWatch& watch, std::uint64_t done, std::uint64_t total) {
    return !watch || watch(done, total);
}

// Passes another source's bytes on and shows each block to a watch, if any. When the watch says
// stop, the input ends after the block in hand.
class WatchedByteSource : public ByteSource {
public:
    WatchedByteSource(ByteSource& source, std::uint64_t total, const ReadWatch& watch)
        : source_(source), total_(total), watch_(watch) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;
    std::error_code Error() const override { return source_.Error(); }
    bool Stopped() const override { return stopped_; }
    bool Lends() const override { return source_.Lends(); }
    std::string_view Lend(std::size_t most) override;

private:
    void Watch(std::size_t got);

    ByteSource& source_;
    std::uint64_t total_;
    const ReadWatch& watch_;
    std::uint64_t done_ = 0;
    bool stopped_ = false;
};

// Cuts a byte stream into the pieces that the Windows C runtime's text mode gives to
// fgets with a 1024-byte buffer, on every platform, because those pieces decide which
// header lines real mailboxes yield: CR LF reads as LF (a lone CR stays), and a piece is
// at most 1023 bytes, up to and including the next LF. A 0x1A byte, which ends text-mode
// input there, is ordinary data here: stopping at it silently lost every later message.
// Where a watch stopped the input, the last piece is left out unless an LF ends it, so no
// line is cut short into an address that was never written.
// Reads large blocks, or looks at the bytes where a source lends them, so the cost is a
// scan for line ends rather than a call per line.
class TextModeLineReader {
public:
    static constexpr std::size_t kMaxPiece = 1023;

    explicit TextModeLineReader(ByteSource& source, std::size_t blockSize = 1 << 16);

    // Which pieces NextStartingWith hands out, told by their first three bytes as handed
    // out (a shorter piece by those it has). The third byte is told apart only by the
    // second, which still passes over most lines that share a header name's first two
    // letters, such as the many Received: lines beside Return-Path: and Reply-To:.
    class PieceStarts {
    public:
        // Pieces that start with first, whatever follows.
        void Allow(unsigned char first);
        // Pieces that start with first, second and third.
        void Allow(unsigned char first, unsigned char second, unsigned char third);
        bool Lets(std::string_view piece) const {
            const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(piece[at]); };
            if (piece.size() == 1) return MayBegin(byte(0));
            return piece.size() == 2 ? Allows(byte(0), byte(1)) : Allows(byte(0), byte(1), byte(2));
        }

    private:
        bool MayBegin(unsigned char first) const { return first_[first]; }
        // The pair numbered as its two bytes read as one little-endian number, which the
        // compiler can load as that.
        bool Allows(unsigned char first, unsigned char second) const {
            const unsigned pair = first | unsigned{second} << 8;
            return pairs_[pair / 64] >> (pair % 64) & 1u;
        }
        bool Allows(unsigned char first, unsigned char second, unsigned char third) const {
            return Allows(first, second) && (thirds_[second][third / 64] >> (third % 64) & 1u);
        }
        void Set(unsigned char first, unsigned char second) {
            const unsigned pair = first | unsigned{second} << 8;
            pairs_[pair / 64] |= std::uint64_t{1} << (pair % 64);
        }
        friend class TextModeLineReader;

        std::array<bool, 256> first_{};
        std::array<std::uint64_t, 256 * 256 / 64> pairs_{};  // a bit per pair of first bytes
        std::array<std::array<std::uint64_t, 256 / 64>, 256> thirds_{};  // by second byte, a bit per third
    };

    // The next piece, valid until the following call; false at the end of the input.
    bool Next(std::string_view& piece);
    // The same, passing over the pieces that starts does not let through; most lines of a
    // mailbox are skipped this way without leaving the reader.
    bool NextStartingWith(const PieceStarts& starts, std::string_view& piece);

private:
    void Refill();
    bool FindBufferedPiece(const PieceStarts& starts, std::string_view& piece);
    bool CutPiece(const PieceStarts& starts, std::string_view& piece);
    // The piece of the rawLength bytes from at, which end in a CR LF pair, as it reads: with
    // an LF for the pair. Lent bytes are not the reader's to change.
    std::string_view WithLineFeed(std::size_t at, std::size_t rawLength);

    // A source that lends its bytes leaves the reader without a buffer of its own.
    bool Borrows() const { return !buffer_; }

    ByteSource& source_;
    std::size_t bufferSize_;
    std::unique_ptr<char[]> buffer_;  // only the bytes read are ever looked at, so it starts unfilled
    const char* bytes_;  // where begin_ and end_ count from: the buffer, or the lent bytes
    std::array<char, kMaxPiece> withLineFeed_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool sourceDone_ = false;
};

}  // namespace mirelo
