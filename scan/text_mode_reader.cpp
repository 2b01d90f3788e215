#include "scan/text_mode_reader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "base/line_end.h"
#include "base/prefetch.h"
#include "base/result.h"

namespace mirelo {

namespace {

constexpr std::uintptr_t kFetchAhead = 4096;

}  // namespace

std::size_t FileByteSource::Read(char* buffer, std::size_t capacity) {
    const std::size_t got = std::fread(buffer, 1, capacity, file_);
    read_ += got;
    if (got < capacity && std::ferror(file_))
        error_.assign(errno != 0 ? errno : EIO, std::generic_category());
    else if (got == 0 && read_ < size_)
        error_ = FailureCode::Shortened;
    return got;
}

std::size_t MappedByteSource::Read(char* buffer, std::size_t capacity) {
    const std::string_view lent = Lend(capacity);
    std::copy(lent.begin(), lent.end(), buffer);
    return lent.size();
}

std::error_code MappedByteSource::Error() const {
    return file_.CutShort() ? std::make_error_code(std::errc::io_error) : std::error_code();
}

std::string_view MappedByteSource::Lend(std::size_t most) {
    file_.Release(lastLendStart_);  // what came before the last lending is no longer looked at
    const std::string_view lent = file_.Bytes().substr(lent_, most);
    lastLendStart_ = lent_;
    lent_ += lent.size();
    return lent;
}

void WatchedByteSource::Watch(std::size_t got) {
    done_ += got;
    stopped_ = !GoOn(watch_, done_, total_);
}

std::size_t WatchedByteSource::Read(char* buffer, std::size_t capacity) {
    if (stopped_) return 0;
    const std::size_t got = source_.Read(buffer, capacity);
    Watch(got);
    return got;
}

std::string_view WatchedByteSource::Lend(std::size_t most) {
    if (stopped_) return {};
    const std::string_view lent = source_.Lend(most);
    Watch(lent.size());
    return lent;
}

TextModeLineReader::TextModeLineReader(ByteSource& source, std::size_t blockSize)
    : source_(source),
      bufferSize_(std::max(blockSize, 2 * (kMaxPiece + 1))),
      buffer_(source.Lends() ? nullptr : std::make_unique_for_overwrite<char[]>(bufferSize_)),
      bytes_(buffer_.get()) {}

// Brings the view up to one full piece plus the byte after it, unless the input ends.
void TextModeLineReader::Refill() {
    if (!Borrows()) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (!sourceDone_ && end_ - begin_ <= kMaxPiece) {
        if (Borrows()) {
            const std::string_view lent = source_.Lend(bufferSize_);
            // The lent bytes follow those lent before, so the view goes on where it ended.
            if (!lent.empty()) bytes_ = lent.data() - end_;
            end_ += lent.size();
            sourceDone_ = lent.empty();
            continue;
        }
        const std::size_t got = source_.Read(buffer_.get() + end_, bufferSize_ - end_);
        if (got == 0) {
            sourceDone_ = true;
            break;
        }
        end_ += got;
    }
}

void TextModeLineReader::PieceStarts::Allow(unsigned char first) {
    first_[first] = true;
    for (int second = 0; second < 256; ++second) {
        Set(first, static_cast<unsigned char>(second));
        thirds_[static_cast<std::size_t>(second)].fill(~std::uint64_t{0});
    }
}

void TextModeLineReader::PieceStarts::Allow(unsigned char first, unsigned char second, unsigned char third) {
    first_[first] = true;
    Set(first, second);
    thirds_[second][third / 64] |= std::uint64_t{1} << (third % 64);
}

bool TextModeLineReader::Next(std::string_view& piece) {
    static const PieceStarts kAnyPiece = [] {
        PieceStarts all;
        for (int first = 0; first < 256; ++first) all.Allow(static_cast<unsigned char>(first));
        return all;
    }();
    return NextStartingWith(kAnyPiece, piece);
}

// Walks the line feeds of the buffer a block at a time from begin_, passing over the
// pieces that starts does not let through, up to the first that it does, or to the last
// piece start that the buffered bytes decide.
bool TextModeLineReader::FindBufferedPiece(const PieceStarts& starts, std::string_view& piece) {
    const char* bytes = bytes_;
    const auto take = [&](std::string_view cut, std::size_t next) {
        piece = cut;
        begin_ = next;
        return starts.Lets(piece);
    };
    std::size_t start = begin_;
    for (std::size_t block = begin_; block + kLineFeedBlock <= end_; block += kLineFeedBlock) {
        // The processor fetches ahead only inside a page; a page ahead, the walk finds the
        // next page's bytes in the cache. An address, not a pointer: it may lie past the end.
        Prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(bytes + block) + kFetchAhead));
        for (std::uint64_t feeds = LineFeedBits(bytes + block); feeds != 0; feeds &= feeds - 1) {
            const std::size_t lineFeed = block + static_cast<std::size_t>(std::countr_zero(feeds));
            std::size_t raw = lineFeed - start + 1;
            // Most lines are one piece whose first three bytes are not wanted; in one of
            // five bytes or more, none is the CR of a closing CR LF pair.
            if (raw > 4 && raw <= kMaxPiece &&
                !starts.Allows(static_cast<unsigned char>(bytes[start]), static_cast<unsigned char>(bytes[start + 1]),
                               static_cast<unsigned char>(bytes[start + 2]))) {
                start = lineFeed + 1;
                continue;
            }
            const bool endsWithCrLf = raw >= 2 && bytes[lineFeed - 1] == '\r';
            // A line longer than a piece is cut every 1023 bytes, unless a CR LF pair
            // ends it just past the cut.
            for (; raw > kMaxPiece && !(raw == kMaxPiece + 1 && endsWithCrLf); raw -= kMaxPiece) {
                start += kMaxPiece;
                if (take(std::string_view(bytes + start - kMaxPiece, kMaxPiece), start)) return true;
            }
            // Before the test: a CR LF alone is an LF.
            if (take(endsWithCrLf ? WithLineFeed(start, raw) : std::string_view(bytes + start, raw), lineFeed + 1))
                return true;
            start = lineFeed + 1;
        }
    }
    begin_ = start;
    return false;
}

// The piece at begin_ when the buffer alone does not decide it: at the end of the input,
// or inside a line longer than the buffered bytes.
bool TextModeLineReader::CutPiece(const PieceStarts& starts, std::string_view& piece) {
    const char* start = bytes_ + begin_;
    // A CR LF pair at the end of a piece reads as one LF, so the raw window is one
    // byte wider than the piece.
    const std::size_t window = std::min(end_ - begin_, kMaxPiece + 1);
    const char* lf = static_cast<const char*>(std::memchr(start, '\n', window));
    std::size_t rawLength = lf ? static_cast<std::size_t>(lf - start) + 1 : window;
    const bool endsWithCrLf = lf && rawLength >= 2 && start[rawLength - 2] == '\r';
    if (!endsWithCrLf && rawLength > kMaxPiece) rawLength = kMaxPiece;  // the 1024th byte begins the next piece
    if (!lf && rawLength == end_ - begin_ && source_.Stopped()) {
        begin_ = end_;
        return false;
    }
    piece = endsWithCrLf ? WithLineFeed(begin_, rawLength) : std::string_view(start, rawLength);
    begin_ += rawLength;
    return starts.Lets(piece);
}

std::string_view TextModeLineReader::WithLineFeed(std::size_t at, std::size_t rawLength) {
    std::copy_n(bytes_ + at, rawLength - 2, withLineFeed_.begin());
    withLineFeed_[rawLength - 2] = '\n';
    return {withLineFeed_.data(), rawLength - 1};
}

bool TextModeLineReader::NextStartingWith(const PieceStarts& starts, std::string_view& piece) {
    for (;;) {
        if (end_ - begin_ <= kMaxPiece && !sourceDone_) Refill();
        if (begin_ == end_) return false;
        const std::size_t from = begin_;
        if (FindBufferedPiece(starts, piece)) return true;
        if (begin_ == from && CutPiece(starts, piece)) return true;
    }
}

}  // namespace mirelo
