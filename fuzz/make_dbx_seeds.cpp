// Writes a few sound stores into a folder, as a starting corpus for fuzz_dbx_dump:
// random bytes alone seldom get past the header and the object markers.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "store_writer/dbx_writer.h"

namespace {

void Save(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(int i) {
    return "From: \"Person " + std::to_string(i) + "\" <p" + std::to_string(i) +
           "@example.com>\r\nTo: a@example.org\r\nReply-To: list@example.net\r\n\r\nHello\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    using mirelo::testing::DbxStoreBuilder;
    using mirelo::testing::TextPositionStorage;
    if (argc != 2) {
        std::cerr << "usage: make_dbx_seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    Save(folder, "empty.dbx", DbxStoreBuilder().Build().bytes);
    Save(folder, "one.dbx", DbxStoreBuilder().AddMessage(Text(0)).Build().bytes);
    DbxStoreBuilder deep;
    deep.EntriesPerNode(2);
    for (int i = 0; i < 9; ++i) {
        if (i == 4)
            deep.AddMessageWithoutText();
        else
            deep.AddMessage(Text(i) + std::string(static_cast<std::size_t>(i) * 200, 'x'),
                            i % 2 ? TextPositionStorage::DataField : TextPositionStorage::Direct);
    }
    Save(folder, "deep.dbx", deep.Build().bytes);
    return 0;
}
