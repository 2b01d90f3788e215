// Writes the example Outlook Express identity under the folder given as the argument.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "store_writer/dbx_writer.h"

namespace {

using mirelo::testing::DbxStoreBuilder;

std::string Message(const std::string& headers, const std::string& body) {
    return headers + "\r\n" + body + "\r\n";
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_example_stores FOLDER\n";
        return 2;
    }
    const std::filesystem::path store = std::filesystem::path(argv[1]) / "Identities" /
                                        "{4A1F2C3D-0B5E-4E6F-9A7B-8C9D0E1F2A3B}" / "Microsoft" / "Outlook Express";
    Write(store / "Inbox.dbx",
          DbxStoreBuilder()
              .AddMessage(Message("Return-Path: <sofia.rossi@example.it>\r\n"
                                  "From: \"Sofia Rossi\" <sofia.rossi@example.it>\r\n"
                                  "To: <pat@example.net>\r\n"
                                  "Subject: Orari del corso\r\n",
                                  "Ciao Pat, il corso inizia alle nove."))
              .AddMessage(Message("From: Pat Quinn <pat@example.net>\r\n"
                                  "To: Book Circle <books@lists.example.com>\r\n"
                                  "Reply-To: books@lists.example.com\r\n"
                                  "Subject: Next title\r\n",
                                  "How about a mystery this month?"))
              .AddMessageWithoutText()
              .AddMessage(Message("From: Lars Nilsson <lars@example.se>\r\n"
                                  "Sender: lars-list@example.se\r\n"
                                  "To: pat@example.net\r\n"
                                  "Subject: Photos\r\n",
                                  "The photos from the trip are attached."))
              .EntriesPerNode(2)
              .Build()
              .bytes);
    Write(store / "Sent Items.dbx",
          DbxStoreBuilder()
              .AddMessage(Message("From: Pat Quinn <pat@example.net>\r\n"
                                  "To: Sofia Rossi <SOFIA.ROSSI@example.it>\r\n"
                                  "Subject: Re: Orari del corso\r\n",
                                  "Grazie!"))
              .Build()
              .bytes);
    Write(store / "Trash.dbx",
          DbxStoreBuilder()
              .AddMessage(Message("From: Lucky Draw <prize@spam.example>\r\nTo: pat@example.net\r\n", "You won."))
              .Build()
              .bytes);
    Write(store / "Folders.dbx", DbxStoreBuilder().Kind(mirelo::testing::kFolderListKind).Build().bytes);
    return 0;
}
