#include "sources/pst/pst_messaging.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/ascii.h"
#include "sources/pst/object_name.h"
#include "sources/pst/pst_bytes.h"
#include "sources/pst/pst_encoding.h"
#include "sources/pst/pst_properties.h"
#include "sources/store_detection.h"

namespace mirelo {

namespace {

constexpr std::uint32_t kStoreNid = 0x21;
constexpr unsigned char kHeapSignature = 0xEC;
constexpr std::uint32_t kRootFolderNid = 0x122;
constexpr std::uint32_t kRecipientTableNid = 0x692;
constexpr std::uint32_t kNormalFolder = 0x02;
constexpr std::uint32_t kNormalMessage = 0x04;
constexpr std::size_t kMaxFolderDepth = 64;

constexpr std::uint16_t kIpmSubtreeEntryId = 0x35E0;
constexpr std::uint16_t kWastebasketEntryId = 0x35E3;
constexpr std::uint16_t kDisplayName = 0x3001;

constexpr unsigned char kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                               0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

// What a message is read for: its header block, its senders, its times, its code pages.
constexpr std::uint16_t kMessageProperties[] = {0x0039, 0x0042, 0x0064, 0x0065, 0x007D, 0x0C1A, 0x0C1E,
                                                0x0C1F, 0x0E06, 0x3FDE, 0x3FFD, 0x5D01, 0x5D02};
static_assert(std::ranges::is_sorted(kMessageProperties));

std::uint32_t NidType(std::uint32_t nid) { return nid & 0x1F; }

bool IsSyncIssueName(std::string_view name) { return EqualsNoCase(name, "sync issues"); }

bool HoldsAddress(const std::optional<std::string>& text) {
    return text && text->find('@') != std::string::npos;
}

// The address when its type says SMTP.
std::optional<std::string> SmtpTyped(const PstPropertyBag& bag, std::uint16_t type, std::uint16_t address,
                                     std::uint32_t codePage = PstPropertyBag::kDefaultCodePage) {
    const std::optional<std::string> kind = bag.Text(type, codePage);
    if (!kind || !EqualsNoCase(*kind, "SMTP")) return std::nullopt;
    return bag.Text(address, codePage);
}

// The address of a one-off entry id whose type is SMTP.
std::optional<std::string> OneOffSmtp(const std::optional<std::string>& entryId) {
    if (!entryId || entryId->size() < 24 || entryId->compare(4, 16, reinterpret_cast<const char*>(kOneOffProvider), 16) != 0)
        return std::nullopt;
    const bool wide = (PstLe16(*entryId, 22) & 0x8000) != 0;
    PstPropertyBag strings;  // decodes the texts as a property would be
    std::size_t at = 24;
    for (std::uint16_t field = 0; field < 3; ++field) {
        std::size_t end = at;
        const std::size_t unit = wide ? 2 : 1;
        while (end + unit <= entryId->size() && PstLe(*entryId, end, unit) != 0) end += unit;
        strings.Set(field, wide ? 0x001F : 0x001E, entryId->substr(at, end - at));
        at = end + unit;
    }
    return SmtpTyped(strings, 1, 2);
}

std::string FirstAddress(std::initializer_list<std::optional<std::string>> candidates) {
    for (const std::optional<std::string>& candidate : candidates)
        if (HoldsAddress(candidate)) return *candidate;
    return {};
}

PstAddress Address(std::string name, std::string email, const std::optional<std::string>& type) {
    const bool exchangeOnly = email.empty() && type && EqualsNoCase(*type, "EX");
    return {std::move(name), std::move(email), exchangeOnly};
}

// The code page of a message's 8-bit strings, its recipients' too.
std::uint32_t CodePageOf(const PstPropertyBag& message) {
    return message.Integer(0x3FDE).value_or(message.Integer(0x3FFD).value_or(PstPropertyBag::kDefaultCodePage));
}

PstAddress Sender(const PstPropertyBag& message, std::uint32_t codePage) {
    return Address(message.Text(0x0C1A, codePage).value_or(""),
                   FirstAddress({message.Text(0x5D01, codePage), SmtpTyped(message, 0x0C1E, 0x0C1F, codePage)}),
                   message.Text(0x0C1E, codePage));
}

PstAddress Representing(const PstPropertyBag& message, std::uint32_t codePage) {
    return Address(message.Text(0x0042, codePage).value_or(""),
                   FirstAddress({message.Text(0x5D02, codePage), SmtpTyped(message, 0x0064, 0x0065, codePage)}),
                   message.Text(0x0064, codePage));
}

PstRecipientEntry Recipient(const PstPropertyBag& row, std::uint32_t codePage) {
    PstRecipientEntry recipient;
    recipient.type = static_cast<int>(row.Integer(0x0C15).value_or(0) & 0x0F);
    recipient.address = Address(
        row.Text(kDisplayName, codePage).value_or(""),
        FirstAddress({row.Text(0x39FE, codePage), SmtpTyped(row, 0x3002, 0x3003, codePage), OneOffSmtp(row.Binary(0x0FFF))}),
        row.Text(0x3002, codePage));
    return recipient;
}

}  // namespace

Result<std::unique_ptr<PstStore>> PstStore::Open(const std::string& path) {
    Result<PstFile> file = PstFile::Open(path);
    if (!file.Ok()) return file.Error();
    const Result<std::string_view> start = file.Value().Read(0, std::min<std::uint64_t>(file.Value().Size(), 564));
    if (!start.Ok()) return Failure{"cannot read the store's header"};
    const Result<PstHeader> header = ReadPstHeader(start.Value());
    if (!header.Ok()) return header.Error();
    std::unique_ptr<PstStore> store(new PstStore(std::move(file.Value()), header.Value()));
    if (header.Value().recordedSize > store->file_.Size())
        store->damage_.push_back("the file is cut short: " + std::to_string(header.Value().recordedSize - store->file_.Size()) +
                                 " bytes are missing");
    store->blockTree_ = ReadBlockTree(store->file_, store->header_, store->damage_);
    store->nodeTree_ = ReadNodeTree(store->file_, store->header_, store->damage_);
    store->FindUndeclaredPermutation();
    return store;
}

void PstStore::FindUndeclaredPermutation() {
    const PstNodeEntry* store = nodeTree_.Find(kStoreNid);
    if (header_.encoding != PstEncoding::None || !store) return;
    std::vector<std::string> ignored;
    PstBlocks blocks(file_, header_, blockTree_, ignored);
    const Result<PstNodeData> data = blocks.DataTree(store->dataBlock);
    // A data tree block may name no leaves at all.
    const std::string_view first = data.Ok() && data.Value().LeafCount() > 0 ? data.Value().Leaf(0) : std::string_view();
    if (first.size() < 3 || first[2] == static_cast<char>(kHeapSignature)) return;
    if (PermuteDecoded(first[2]) == kHeapSignature) header_.encoding = PstEncoding::Permute;
}

std::uint32_t PstStore::FolderNidFromStore(std::uint16_t property, std::uint32_t fallback) {
    const PstNodeEntry* store = nodeTree_.Find(kStoreNid);
    if (!store) return fallback;
    const Result<PstNodeData> data = blocks_.Node(store->dataBlock, store->subnodeBlock);
    if (!data.Ok()) return fallback;
    std::vector<std::string> ignored;
    const Result<PstPropertyBag> properties = ReadPropertyContext(data.Value(), blocks_, ignored);
    if (!properties.Ok()) return fallback;
    const std::optional<std::string> entryId = properties.Value().Binary(property);
    if (!entryId || entryId->size() < 24) return fallback;
    const std::uint32_t nid = PstLe32(*entryId, 20);
    return nodeTree_.Find(nid) ? nid : fallback;
}

std::string PstStore::FolderName(std::uint32_t nid) {
    const std::string fallback = PstObjectName("folder", nid, " 0x");
    const PstNodeEntry* node = nodeTree_.Find(nid);
    if (!node) return fallback;  // not met: folders are taken from the tree
    const Result<PstNodeData> data = blocks_.Node(node->dataBlock, node->subnodeBlock);
    Result<PstPropertyBag> properties = data.Ok() ? ReadPropertyContext(data.Value(), blocks_, damage_)
                                                  : Result<PstPropertyBag>(data.Error());
    if (!properties.Ok()) {
        damage_.push_back(fallback + " has lost its name: " + properties.Error().Text());
        return fallback;
    }
    std::string name = properties.Value().Text(kDisplayName).value_or(fallback);
    // A folder name is one step of the label's path.
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    return name;
}

std::vector<PstFolderEntry> PstStore::Folders() {
    std::map<std::uint32_t, std::vector<std::uint32_t>> children;
    for (std::size_t i = 0; i < nodeTree_.Size(); ++i)
        if (const std::uint32_t nid = nodeTree_.KeyAt(i), parent = nodeTree_.EntryAt(i).parent;
            parent != nid && (NidType(nid) == kNormalFolder || NidType(nid) == kNormalMessage))
            children[parent].push_back(nid);

    const std::uint32_t top = FolderNidFromStore(kIpmSubtreeEntryId, kRootFolderNid);
    const std::uint32_t wastebasket = FolderNidFromStore(kWastebasketEntryId, 0);
    std::vector<PstFolderEntry> folders;
    struct Pending {
        std::uint32_t nid;
        std::string path;
        bool trash;
        std::size_t depth;
    };
    std::vector<Pending> pending{{top, "", false, 0}};
    std::set<std::uint32_t> visited;
    while (!pending.empty()) {
        Pending folder = pending.back();
        pending.pop_back();
        if (folder.depth > kMaxFolderDepth) {
            damage_.push_back(PstObjectName("folder", folder.nid, " 0x") + " lies too deep; it and what it holds are lost");
            continue;
        }
        if (!visited.insert(folder.nid).second) {
            damage_.push_back(PstObjectName("folder", folder.nid, " 0x") + " is reached again; read once");
            continue;
        }
        PstFolderEntry& entry = folders.emplace_back(PstFolderEntry{folder.nid, folder.path, folder.trash, {}});
        std::vector<Pending> subfolders;
        for (const std::uint32_t child : children[folder.nid]) {
            if (NidType(child) == kNormalMessage) {
                entry.messages.push_back(child);
                continue;
            }
            const std::string name = FolderName(child);
            const bool trash = folder.trash || child == wastebasket || IsTrashName(name) || IsSyncIssueName(name);
            subfolders.push_back({child, folder.path.empty() ? name : folder.path + "/" + name, trash, folder.depth + 1});
        }
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    return folders;
}

Result<> PstStore::ReadMessage(std::uint32_t nid, PstMessageEntry& entry) {
    const auto name = [nid] { return PstObjectName("message", nid, " 0x"); };  // only for damage
    const PstNodeEntry* node = nodeTree_.Find(nid);
    if (!node) return Failure{name() + " is missing from the node tree"};
    if (const Result<> read = blocks_.ReadNode(node->dataBlock, node->subnodeBlock, message_); !read.Ok())
        return Failure{name() + " is lost: " + read.Error().Text()};
    if (const Result<> read = ReadPropertyContext(message_, blocks_, damage_, kMessageProperties, properties_); !read.Ok())
        return Failure{name() + " is lost: " + read.Error().Text()};
    const PstPropertyBag& message = properties_;
    const std::uint32_t codePage = CodePageOf(message);
    entry.transportHeaders = message.Text(0x007D, codePage);
    entry.time = message.Time(0x0039);
    if (!entry.time) entry.time = message.Time(0x0E06);
    entry.recipients.clear();
    if (entry.transportHeaders) {
        entry.sender = {};
        entry.representing = {};
        return {};
    }
    entry.sender = Sender(message, codePage);
    entry.representing = Representing(message, codePage);

    const PstSubnode* table = message_.subnodes.Find(kRecipientTableNid);
    if (!table) return {};
    const Result<PstNodeData> tableData = blocks_.Node(table->dataBlock, table->subnodeBlock);
    Result<std::vector<PstPropertyBag>> rows =
        tableData.Ok() ? ReadTableContext(tableData.Value(), blocks_, damage_)
                       : Result<std::vector<PstPropertyBag>>(tableData.Error());
    if (!rows.Ok()) {
        damage_.push_back(name() + " lost its recipients: " + rows.Error().Text());
        return {};
    }
    for (const PstPropertyBag& row : rows.Value()) entry.recipients.push_back(Recipient(row, codePage));
    return {};
}

}  // namespace mirelo
