#include "sources/dbx/dbx_message.h"

#include <array>
#include <string_view>
#include <unordered_set>

#include "sources/dbx/little_endian.h"

namespace mirelo {

namespace {
constexpr std::size_t kHeadSize = 16;
constexpr std::size_t kBodyLengthAt = 0x04;
constexpr std::size_t kUsedAt = 0x08;
constexpr std::size_t kNextAt = 0x0C;
}  // namespace

DbxMessage::DbxMessage(DbxStoreFile& store, std::uint32_t position) { ReadChain(store, position); }

void DbxMessage::ReadChain(DbxStoreFile& store, std::uint32_t position) {
    std::unordered_set<std::uint32_t> visited;
    const auto fail = [&](std::string_view reason) {
        problem_ = ObjectName("text block", position) + " " + std::string(reason);
    };
    while (position != 0) {
        if (!visited.insert(position).second) return fail("is reached twice: the block chain loops");
        std::array<char, kHeadSize> head;
        if (const ReadResult read = store.Read(position, head); read != ReadResult::Ok) return fail(Describe(read));
        if (LoadLe32(head.data()) != position) return fail("has a wrong marker");
        const std::uint32_t bodyLength = LoadLe32(head.data() + kBodyLengthAt);
        const std::uint32_t used = LoadLe32(head.data() + kUsedAt);
        if (used > bodyLength) return fail("uses more bytes than its body holds");
        if (bodyLength > store.Size() - (std::uint64_t{position} + kHeadSize))
            return fail("runs past the end of the store");

        const std::size_t oldLength = text_.size();
        text_.resize(oldLength + used);
        if (const ReadResult read = store.Read(std::uint64_t{position} + kHeadSize, {text_.data() + oldLength, used});
            read != ReadResult::Ok) {
            text_.resize(oldLength);
            return fail(Describe(read));
        }
        position = LoadLe32(head.data() + kNextAt);
    }
}

}  // namespace mirelo
