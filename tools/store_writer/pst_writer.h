#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources/pst/pst_encoding.h"

namespace mirelo::testing {

// One row of a message's recipient table. Strings are UTF-8; the file holds UTF-16.
struct PstRecipient {
    int type = 1;  // 1 To, 2 Cc, 3 Bcc
    std::string name;
    std::string addressType = "SMTP";
    std::string address;
    std::string smtp;  // PidTagSmtpAddress; empty: none
    std::string entryId = {};  // PidTagEntryId as stored; empty: none
};

// A message; empty strings and zero times are left out of its properties.
struct PstMessage {
    std::string subject;
    std::string senderName, senderAddressType, senderAddress, senderSmtp;
    std::string representingName, representingAddressType, representingAddress, representingSmtp;
    std::string transportHeaders;
    std::uint32_t codePage = 0;      // PidTagInternetCodepage; 0: none
    std::uint64_t submitTime = 0;    // FILETIME
    std::uint64_t deliveryTime = 0;  // FILETIME
    std::string body;                // a long one lies in a subnode over several blocks
    std::vector<PstRecipient> recipients;
};

struct PstFolder {
    std::string name;
    std::vector<PstMessage> messages;
    std::vector<PstFolder> folders;
    bool wastebasket = false;  // named as the store's Deleted Items, whatever its name
};

// Where a written file keeps what damage tests break.
struct PstFile {
    std::string bytes;
    std::uint64_t nbtRoot = 0;                 // file offset of the node tree's root page
    std::uint64_t bbtRoot = 0;                 // and of the block tree's
    std::vector<std::uint64_t> messageBlocks;  // file offset of each message's first data block, in write order
};

struct PstWriteOptions {
    PstEncoding encoding = PstEncoding::None;
    bool ansi = false;              // the 97-2002 form: 32-bit ids, 8-bit strings in Windows-1252
    std::uint32_t passwordCrc = 0;  // what a password leaves in the store: nothing else changes
    // Ids a data tree or subnode list block holds at most before a second level is
    // written (XXBLOCK, SIBLOCK); 0: as many as fit.
    std::size_t fanout = 0;
};

// A personal folder file whose IPM subtree holds folders, with the allocation maps that
// other readers check; no named-property map, no search folders.
PstFile WritePst(const std::vector<PstFolder>& folders, const PstWriteOptions& options = {});

// A FILETIME of a day's noon, given as days since 1970-01-01.
std::uint64_t PstFileTime(std::int64_t daysSince1970);

}  // namespace mirelo::testing
