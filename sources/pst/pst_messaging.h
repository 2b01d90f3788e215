#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "sources/pst/pst_blocks.h"
#include "sources/pst/pst_btree.h"
#include "sources/pst/pst_file.h"
#include "sources/pst/pst_properties.h"

namespace mirelo {

// A name and the SMTP address found for it; the address is empty when the file holds
// none (an Exchange address alone, a bare name).
struct PstAddress {
    std::string name;
    std::string email;
    bool exchangeOnly = false;  // an Exchange address, and no SMTP form of it
};

struct PstRecipientEntry {
    int type = 0;  // 1 To, 2 Cc, 3 Bcc
    PstAddress address;
};

// A message's header block; without one, the people it names elsewhere.
struct PstMessageEntry {
    std::optional<std::string> transportHeaders;
    PstAddress sender;
    PstAddress representing;  // on whose behalf it was sent
    std::vector<PstRecipientEntry> recipients;
    std::optional<std::uint64_t> time;  // FILETIME of submission, else of delivery
};

struct PstFolderEntry {
    std::uint32_t nid = 0;
    std::string path;  // "Inbox/Clients", below the folders users see
    bool trash = false;  // Deleted Items, Junk E-mail, the sync-issue folders, and below them
    std::vector<std::uint32_t> messages;
};

// A personal folder file's messaging layer: its folders and their messages. Damage met on
// the way is collected, each note saying what was lost.
class PstStore {
public:
    static Result<std::unique_ptr<PstStore>> Open(const std::string& path);
    PstStore(const PstStore&) = delete;
    PstStore& operator=(const PstStore&) = delete;

    // Depth first, each folder once, search folders left out.
    std::vector<PstFolderEntry> Folders();
    // Into entry, all of whose fields it sets: one entry serves every message.
    Result<> ReadMessage(std::uint32_t nid, PstMessageEntry& entry);

    std::vector<std::string>& Damage() { return damage_; }

private:
    PstStore(PstFile file, PstHeader header)
        : file_(std::move(file)), header_(header), blocks_(file_, header_, blockTree_, damage_) {}

    // Some tools wrote files that say their blocks are stored as they are, yet permute
    // them: the store's own heap tells.
    void FindUndeclaredPermutation();
    std::uint32_t FolderNidFromStore(std::uint16_t property, std::uint32_t fallback);
    std::string FolderName(std::uint32_t nid);

    PstFile file_;
    PstHeader header_;
    PstBlockTree blockTree_;
    PstNodeTree nodeTree_;
    std::vector<std::string> damage_;
    PstBlocks blocks_;
    // The message being read and its properties, their room kept from one to the next.
    PstNodeData message_;
    PstPropertyBag properties_;
};

}  // namespace mirelo
