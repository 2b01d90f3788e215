#include "sources/dbx/dbx_store_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace mirelo {
namespace {

// A store that the mail program shrinks while it is read: a page read in part must not
// pass later for the page its slot held before.
TEST(DbxStoreFile, APageReadInPartLeavesNoStaleBytesBehind) {
    // The reader caches 16 pages of 64 KiB: the 17th page takes the first one's slot.
    constexpr std::size_t kPage = 64 * 1024;
    constexpr std::size_t sameSlot = 16 * kPage;
    std::string bytes(sameSlot + kPage, 'b');
    bytes.replace(0, kPage, kPage, 'a');
    const testing::TempDir dir;
    const std::string path = dir.Write("Inbox.dbx", bytes);
    Result<DbxStoreFile> store = DbxStoreFile::Open(path);
    ASSERT_TRUE(store.Ok());
    ASSERT_EQ(store.Value().Read(0, 4).Value(), "aaaa");

    std::filesystem::resize_file(path, sameSlot + 100);
    EXPECT_FALSE(store.Value().Read(sameSlot, 4).Ok());
    EXPECT_EQ(store.Value().Read(0, 4).Value(), "aaaa");
}

// A read may end at the store's end, never pass it.
TEST(DbxStoreFile, AReadEndsAtTheStoresEndAtTheLatest) {
    const testing::TempDir dir;
    Result<DbxStoreFile> store = DbxStoreFile::Open(dir.Write("Inbox.dbx", std::string(100, 'x')));
    ASSERT_TRUE(store.Ok());
    EXPECT_EQ(store.Value().Read(98, 2).Value(), "xx");
    EXPECT_TRUE(store.Value().Read(100, 0).Ok());
    EXPECT_FALSE(store.Value().Read(99, 2).Ok());
    EXPECT_FALSE(store.Value().Read(101, 0).Ok());
}

}  // namespace
}  // namespace mirelo
