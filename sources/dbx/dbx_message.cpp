#include "sources/dbx/dbx_message.h"

#include <unordered_set>
#include <vector>

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::size_t kHeadSize = 16;
constexpr std::size_t kBodyLengthAt = 0x04;
constexpr std::size_t kUsedAt = 0x08;
constexpr std::size_t kNextAt = 0x0C;
// Every text block has a body of this size; a damaged head may claim any length.
constexpr std::uint32_t kBodySize = 0x200;
}  // namespace

// A chain that only runs forwards cannot loop, and nearly every chain does; the set of
// the blocks read is only built once a chain turns back.
Result<> DbxMessage::ReadText(const TextSink& sink) {
    std::vector<std::uint32_t> chain;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t position = position_; position != 0;) {
        const auto fail = [position](std::string_view reason) {
            return Failure{ObjectName("text block", position) + " " + std::string(reason)};
        };
        if (seen.empty() && !chain.empty() && position <= chain.back()) seen.insert(chain.begin(), chain.end());
        if (!seen.empty() && !seen.insert(position).second) return fail("is reached twice: the block chain loops");
        chain.push_back(position);

        const Result<std::string_view> head = store_.Read(position, kHeadSize);
        if (!head.Ok()) return fail(head.Error().message);
        if (LoadLe32(head.Value().data()) != position) return fail("has a wrong marker");
        const std::uint32_t bodyLength = LoadLe32(head.Value().data() + kBodyLengthAt);
        const std::uint32_t used = LoadLe32(head.Value().data() + kUsedAt);
        const std::uint32_t next = LoadLe32(head.Value().data() + kNextAt);
        if (used > bodyLength || used > kBodySize) return fail("uses more bytes than its body holds");

        // Only the used bytes need to be there: a store cut short just after them is whole.
        const Result<std::string_view> text = store_.Read(std::uint64_t{position} + kHeadSize, used);
        if (!text.Ok()) return fail(text.Error().message);
        if (!sink(text.Value())) break;
        position = next;
    }
    return {};
}

}  // namespace mirelo
