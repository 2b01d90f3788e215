#include "store_writer/pst_writer.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "base/windows1252.h"
#include "store_writer/pst_allocation.h"

namespace mirelo::testing {

namespace {

constexpr std::size_t kHeapItemLimit = 3580;
constexpr std::size_t kPageSize = 512;

constexpr std::uint32_t kStoreNid = 0x21;
constexpr std::uint32_t kRootFolderNid = 0x122;
constexpr std::uint32_t kRecipientTableNid = 0x692;

constexpr std::uint16_t kInt32 = 0x0003, kBoolean = 0x000B, kTime = 0x0040, kString8 = 0x001E, kString = 0x001F,
                        kBinary = 0x0102;

// What differs between the 97-2002 form and the later one.
struct Form {
    bool ansi;
    std::size_t BlockCapacity() const { return ansi ? 8180 : 8176; }
    std::size_t Id() const { return ansi ? 4 : 8; }
    std::uint16_t StringType() const { return ansi ? kString8 : kString; }
    std::size_t RowNumberSize() const { return ansi ? 2 : 4; }
};

void Put(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
    if (bytes.size() < at + width) bytes.resize(at + width, '\0');
    for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Append(std::string& bytes, std::uint64_t value, std::size_t width) { Put(bytes, bytes.size(), value, width); }

std::string Le(std::uint64_t value, std::size_t width) {
    std::string bytes;
    Append(bytes, value, width);
    return bytes;
}

std::uint64_t ValueOf(const std::string& bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = std::min<std::size_t>(bytes.size(), 8); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::vector<char32_t> CodePoints(std::string_view utf8) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t c = length == 1 ? lead : lead & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += length;
        points.push_back(c);
    }
    return points;
}

std::string Utf16(std::string_view utf8) {
    std::string out;
    for (char32_t c : CodePoints(utf8)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            Append(out, 0xD800 + (c >> 10), 2);
            Append(out, 0xDC00 + (c & 0x3FF), 2);
        } else {
            Append(out, c, 2);
        }
    }
    return out;
}

// A string as the form stores it: UTF-16, or Windows-1252 bytes.
std::string Stored(const Form& form, std::string_view utf8) {
    if (!form.ansi) return Utf16(utf8);
    std::string out;
    for (const char32_t c : CodePoints(utf8)) out += static_cast<char>(Windows1252Byte(c).value_or('?'));
    return out;
}

std::vector<std::string> SplitIntoLeaves(const Form& form, const std::string& data) {
    std::vector<std::string> leaves;
    const std::size_t capacity = form.BlockCapacity();
    for (std::size_t at = 0; at < data.size(); at += capacity) leaves.push_back(data.substr(at, capacity));
    if (leaves.empty()) leaves.emplace_back();
    return leaves;
}

// A node as written: its data as leaf blocks, and its subnodes.
struct WrittenNode {
    std::uint32_t nid = 0;
    std::vector<std::string> leaves;
    std::vector<WrittenNode> subnodes;
};

// Heap items over as many pages as they need; each page is one leaf block.
class HeapBuilder {
public:
    HeapBuilder(const Form& form, std::uint8_t clientSignature) : form_(form), clientSignature_(clientSignature) {
        pages_.emplace_back();
    }

    std::uint32_t Add(const std::string& item) {
        Page* page = &pages_.back();
        if (HeaderSize(pages_.size() - 1) + page->items.size() + item.size() + 4 + 2 * (page->ends.size() + 2) + 1 >
            form_.BlockCapacity()) {
            pages_.emplace_back();
            page = &pages_.back();
        }
        page->items += item;
        page->ends.push_back(page->items.size());
        return static_cast<std::uint32_t>(((pages_.size() - 1) << 16) | (page->ends.size() << 5));
    }

    void SetRoot(std::uint32_t hid) { root_ = hid; }

    std::vector<std::string> Leaves() const {
        std::vector<std::string> leaves;
        for (std::size_t index = 0; index < pages_.size(); ++index) {
            const Page& page = pages_[index];
            const std::size_t header = HeaderSize(index);
            std::string bytes(header, '\0');
            if (index == 0) {
                bytes[2] = static_cast<char>(0xEC);
                bytes[3] = static_cast<char>(clientSignature_);
                Put(bytes, 4, root_, 4);
            }
            bytes += page.items;
            if (bytes.size() % 2) bytes += '\0';
            Put(bytes, 0, bytes.size(), 2);
            Append(bytes, page.ends.size(), 2);
            Append(bytes, 0, 2);
            Append(bytes, header, 2);
            for (const std::size_t end : page.ends) Append(bytes, header + end, 2);
            leaves.push_back(std::move(bytes));
        }
        return leaves;
    }

private:
    struct Page {
        std::string items;
        std::vector<std::size_t> ends;
    };

    static std::size_t HeaderSize(std::size_t page) { return page == 0 ? 12 : page % 128 == 8 ? 66 : 2; }

    const Form& form_;
    std::uint8_t clientSignature_;
    std::uint32_t root_ = 0;
    std::vector<Page> pages_;
};

// A B-tree on the heap over records already sorted by key. No heap item outgrows a page:
// records that do not fit in one item are split, with levels of index records (a key and
// the item below) above them.
std::uint32_t AddBth(HeapBuilder& heap, std::size_t keySize, std::size_t entrySize, const std::string& records) {
    std::uint32_t root = 0;
    std::size_t levels = 0;
    std::string level = records;
    for (std::size_t recordSize = keySize + entrySize; !level.empty(); recordSize = keySize + 4, ++levels) {
        const std::size_t perItem = kHeapItemLimit / recordSize * recordSize;
        if (level.size() <= perItem) {
            root = heap.Add(level);
            break;
        }
        std::string index;
        for (std::size_t at = 0; at < level.size(); at += perItem) {
            index += level.substr(at, keySize);
            Append(index, heap.Add(level.substr(at, perItem)), 4);
        }
        level = std::move(index);
    }
    std::string header;
    Append(header, 0xB5, 1);
    Append(header, keySize, 1);
    Append(header, entrySize, 1);
    Append(header, levels, 1);
    Append(header, root, 4);
    return heap.Add(header);
}

struct Property {
    std::uint16_t id;
    std::uint16_t type;
    std::string value;  // as stored: little-endian integer or UTF-16 or bytes
};

// Gives subnodes of one node their NIDs for large values.
class SubnodeSink {
public:
    SubnodeSink(const Form& form, std::vector<WrittenNode>& subnodes) : form_(form), subnodes_(subnodes) {}
    std::uint32_t Add(const std::string& data) { return AddLeaves(SplitIntoLeaves(form_, data)); }
    std::uint32_t AddLeaves(std::vector<std::string> leaves) {
        const std::uint32_t nid = (next_++ << 5) | 0x1F;
        subnodes_.push_back({nid, std::move(leaves), {}});
        return nid;
    }

private:
    const Form& form_;
    std::vector<WrittenNode>& subnodes_;
    std::uint32_t next_ = 1;
};

// The HNID of a variable value: empty, a heap item, or a subnode of its own.
std::uint32_t StoreVariable(HeapBuilder& heap, SubnodeSink& sink, const std::string& value) {
    if (value.empty()) return 0;
    return value.size() <= kHeapItemLimit ? heap.Add(value) : sink.Add(value);
}

std::vector<std::string> PropertyContext(const Form& form, std::vector<Property> properties,
                                         std::vector<WrittenNode>& subnodes) {
    std::sort(properties.begin(), properties.end(), [](const Property& a, const Property& b) { return a.id < b.id; });
    HeapBuilder heap(form, 0xBC);
    SubnodeSink sink(form, subnodes);
    std::string records;
    for (const Property& property : properties) {
        Append(records, property.id, 2);
        Append(records, property.type, 2);
        if (property.type == kInt32 || property.type == kBoolean) {
            std::string cell = property.value;
            cell.resize(4, '\0');
            records += cell;
        } else if (property.type == kTime) {
            Append(records, heap.Add(property.value), 4);
        } else {
            Append(records, StoreVariable(heap, sink, property.value), 4);
        }
    }
    heap.SetRoot(AddBth(heap, 2, 6, records));
    return heap.Leaves();
}

struct Column {
    std::uint32_t tag;  // id << 16 | type
};

// A table whose cells are all four bytes: integers and HNIDs. A row's cells follow the
// columns; an absent value is a std::nullopt, a variable one is stored as a value.
using Row = std::vector<std::optional<std::string>>;

WrittenNode TableContext(const Form& form, std::uint32_t nid, std::vector<std::uint32_t> tags,
                         const std::vector<Row>& rows) {
    WrittenNode node{nid, {}, {}};
    HeapBuilder heap(form, 0x7C);
    SubnodeSink sink(form, node.subnodes);
    for (std::uint32_t& tag : tags)
        if ((tag & 0xFFFF) == kString) tag = (tag & 0xFFFF0000) | form.StringType();
    const std::size_t cellsEnd = 4 * tags.size();
    const std::size_t rowSize = cellsEnd + (tags.size() + 7) / 8;

    std::string matrix;
    std::string index;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::string row(rowSize, '\0');
        for (std::size_t c = 0; c < tags.size(); ++c) {
            if (!rows[r][c]) continue;
            const std::uint16_t type = static_cast<std::uint16_t>(tags[c] & 0xFFFF);
            const std::string& value = *rows[r][c];
            const std::uint64_t cell =
                (type == kInt32 || type == kBoolean) ? ValueOf(value) : StoreVariable(heap, sink, value);
            Put(row, 4 * c, cell, 4);
            row[cellsEnd + c / 8] = static_cast<char>(row[cellsEnd + c / 8] | (0x80 >> (c % 8)));
        }
        matrix += row;
    }
    // Row ids (the first column) sorted, each with its row number.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ids;
    for (std::size_t r = 0; r < rows.size(); ++r)
        ids.emplace_back(static_cast<std::uint32_t>(ValueOf(*rows[r][0])), static_cast<std::uint32_t>(r));
    std::sort(ids.begin(), ids.end());
    for (const auto& [id, number] : ids) {
        Append(index, id, 4);
        Append(index, number, form.RowNumberSize());
    }
    const std::uint32_t rowIndex = AddBth(heap, 4, form.RowNumberSize(), index);

    std::uint32_t rowsHnid = 0;
    if (!matrix.empty() && matrix.size() <= kHeapItemLimit) {
        rowsHnid = heap.Add(matrix);
    } else if (!matrix.empty()) {
        const std::size_t perBlock = form.BlockCapacity() / rowSize;
        std::vector<std::string> leaves;
        for (std::size_t at = 0; at < matrix.size(); at += perBlock * rowSize)
            leaves.push_back(matrix.substr(at, perBlock * rowSize));
        rowsHnid = sink.AddLeaves(std::move(leaves));
    }

    std::string info;
    Append(info, 0x7C, 1);
    Append(info, tags.size(), 1);
    for (const std::size_t end : {cellsEnd, cellsEnd, cellsEnd, rowSize}) Append(info, end, 2);
    Append(info, rowIndex, 4);
    Append(info, rowsHnid, 4);
    Append(info, 0, 4);
    std::vector<std::size_t> order(tags.size());
    for (std::size_t c = 0; c < order.size(); ++c) order[c] = c;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return tags[a] < tags[b]; });
    for (const std::size_t c : order) {
        Append(info, tags[c], 4);
        Append(info, 4 * c, 2);
        Append(info, 4, 1);
        Append(info, c, 1);
    }
    heap.SetRoot(heap.Add(info));
    node.leaves = heap.Leaves();
    return node;
}

Property Text(const Form& form, std::uint16_t id, const std::string& utf8) {
    return {id, form.StringType(), Stored(form, utf8)};
}
Property Integer(std::uint16_t id, std::uint32_t value) { return {id, kInt32, Le(value, 4)}; }
Property Time(std::uint16_t id, std::uint64_t value) { return {id, kTime, Le(value, 8)}; }

// The texts that are not empty.
void AddTexts(const Form& form, std::vector<Property>& properties,
              std::initializer_list<std::pair<std::uint16_t, const std::string*>> texts) {
    for (const auto& [id, text] : texts)
        if (!text->empty()) properties.push_back(Text(form, id, *text));
}

constexpr std::uint8_t kProviderUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                           0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

std::string EntryId(std::uint32_t nid) {
    std::string id(4, '\0');
    for (const std::uint8_t byte : kProviderUid) id += static_cast<char>(byte);
    Append(id, nid, 4);
    return id;
}

// What Outlook shows on a message's To, Cc and Bcc lines: the names of those recipients.
std::string DisplayNames(const std::vector<PstRecipient>& recipients, int type) {
    std::string names;
    for (const PstRecipient& recipient : recipients)
        if (recipient.type == type) names += (names.empty() ? "" : "; ") + recipient.name;
    return names;
}

struct TopNode {
    std::uint32_t nid;
    std::uint32_t parent;
    WrittenNode node;
    bool message = false;
};

class FileBuilder {
public:
    explicit FileBuilder(const PstWriteOptions& options)
        : form_{options.ansi},
          encoding_(options.encoding),
          passwordCrc_(options.passwordCrc),
          fanout_(options.fanout),
          allocation_(options.ansi) {}

    PstFile Build(const std::vector<PstFolder>& folders) {
        const std::uint32_t ipmSubtree = NextFolderNid();
        names_[ipmSubtree] = "Top of Personal Folders";
        AddFolder(kRootFolderNid, kRootFolderNid, "", {}, {ipmSubtree});
        std::vector<std::uint32_t> children = ChildNids(folders.size());
        for (std::size_t i = 0; i < folders.size(); ++i) names_[children[i]] = folders[i].name;
        AddFolder(ipmSubtree, kRootFolderNid, "Top of Personal Folders", {}, children);
        for (std::size_t i = 0; i < folders.size(); ++i) AddUserFolder(folders[i], children[i], ipmSubtree);
        AddStore(ipmSubtree);
        return Assemble();
    }

private:
    std::uint32_t NextFolderNid() { return (nextFolder_++ << 5) | 0x02; }
    std::vector<std::uint32_t> ChildNids(std::size_t count) {
        std::vector<std::uint32_t> nids;
        for (std::size_t i = 0; i < count; ++i) nids.push_back(NextFolderNid());
        return nids;
    }

    void AddUserFolder(const PstFolder& folder, std::uint32_t nid, std::uint32_t parent) {
        if (folder.wastebasket) wastebasket_ = nid;
        std::vector<std::uint32_t> messages;
        for (const PstMessage& message : folder.messages) {
            const std::uint32_t messageNid = (nextMessage_++ << 5) | 0x04;
            messages.push_back(messageNid);
            AddMessage(message, messageNid, nid);
        }
        const std::vector<std::uint32_t> children = ChildNids(folder.folders.size());
        for (std::size_t i = 0; i < children.size(); ++i) names_[children[i]] = folder.folders[i].name;
        AddFolder(nid, parent, folder.name, messages, children);
        for (std::size_t i = 0; i < folder.folders.size(); ++i) AddUserFolder(folder.folders[i], children[i], nid);
        subjects_.clear();
    }

    void AddFolder(std::uint32_t nid, std::uint32_t parent, const std::string& name,
                   const std::vector<std::uint32_t>& messages, const std::vector<std::uint32_t>& children) {
        TopNode folder{nid, parent, {nid, {}, {}}};
        folder.node.leaves = PropertyContext(form_, {Text(form_, 0x3001, name), Integer(0x3602, static_cast<std::uint32_t>(messages.size())),
                                              Integer(0x3603, 0), {0x360A, kBoolean, Le(children.empty() ? 0 : 1, 1)},
                                              Text(form_, 0x3613, "IPF.Note")},
                                             folder.node.subnodes);
        Write(std::move(folder));
        const std::uint32_t base = nid & ~0x1Fu;
        std::vector<Row> childRows;
        for (const std::uint32_t child : children)
            childRows.push_back({Le(child, 4), Le(0, 4), Stored(form_, names_[child])});
        Write({base | 0x0D, 0, TableContext(form_, base | 0x0D, {0x67F20003, 0x67F30003, 0x3001001F}, childRows)});
        std::vector<Row> messageRows;
        for (const std::uint32_t message : messages) messageRows.push_back({Le(message, 4), Le(0, 4), subjects_[message]});
        Write(
            {base | 0x0E, 0, TableContext(form_, base | 0x0E, {0x67F20003, 0x67F30003, 0x0037001F}, messageRows)});
        Write({base | 0x0F, 0, TableContext(form_, base | 0x0F, {0x67F20003, 0x67F30003}, {})});
    }

    void AddMessage(const PstMessage& message, std::uint32_t nid, std::uint32_t folder) {
        std::vector<Property> properties{Text(form_, 0x001A, "IPM.Note"), Integer(0x0E07, 1)};
        AddTexts(form_, properties, {{0x0037, &message.subject},
                              {0x007D, &message.transportHeaders},
                              {0x0C1A, &message.senderName},
                              {0x0C1E, &message.senderAddressType},
                              {0x0C1F, &message.senderAddress},
                              {0x5D01, &message.senderSmtp},
                              {0x0042, &message.representingName},
                              {0x0064, &message.representingAddressType},
                              {0x0065, &message.representingAddress},
                              {0x5D02, &message.representingSmtp},
                              {0x1000, &message.body}});
        for (const auto& [id, type] : {std::pair{0x0E04, 1}, {0x0E03, 2}, {0x0E02, 3}})
            if (const std::string names = DisplayNames(message.recipients, type); !names.empty())
                properties.push_back(Text(form_, static_cast<std::uint16_t>(id), names));
        if (message.codePage) properties.push_back(Integer(0x3FDE, message.codePage));
        if (message.submitTime) properties.push_back(Time(0x0039, message.submitTime));
        if (message.deliveryTime) properties.push_back(Time(0x0E06, message.deliveryTime));
        TopNode top{nid, folder, {nid, {}, {}}, true};
        top.node.leaves = PropertyContext(form_, properties, top.node.subnodes);
        std::vector<Row> rows;
        std::uint32_t rowId = 0;
        for (const PstRecipient& recipient : message.recipients) {
            Row row{Le(rowId++, 4), Le(0, 4), Le(static_cast<std::uint32_t>(recipient.type), 4)};
            for (const std::string* text : {&recipient.name, &recipient.addressType, &recipient.address, &recipient.smtp})
                row.push_back(text->empty() ? std::nullopt : std::optional<std::string>(Stored(form_, *text)));
            row.push_back(recipient.entryId.empty() ? std::nullopt : std::optional<std::string>(recipient.entryId));
            rows.push_back(std::move(row));
        }
        top.node.subnodes.push_back(TableContext(form_, kRecipientTableNid,
                                                 {0x67F20003, 0x67F30003, 0x0C150003, 0x3001001F, 0x3002001F,
                                                  0x3003001F, 0x39FE001F, 0x0FFF0102},
                                                 rows));
        Write(std::move(top));
        subjects_[nid] = message.subject.empty() ? std::nullopt : std::optional<std::string>(Stored(form_, message.subject));
    }

    void AddStore(std::uint32_t ipmSubtree) {
        std::vector<Property> properties{Text(form_, 0x3001, "Personal Folders"),
                                         {0x0FF9, kBinary, EntryId(0).substr(4, 16)},
                                         {0x35E0, kBinary, EntryId(ipmSubtree)},
                                         Integer(0x67FF, passwordCrc_)};
        if (wastebasket_) properties.push_back({0x35E3, kBinary, EntryId(wastebasket_)});
        TopNode store{kStoreNid, 0, {kStoreNid, {}, {}}};
        store.node.leaves = PropertyContext(form_, properties, store.node.subnodes);
        Write(std::move(store));
    }

    // A node's blocks go into the file as soon as it is made, so that only the file is
    // held, not each node's data besides.
    void Write(TopNode top) {
        const std::size_t firstBlock = placed_.size();
        const std::uint64_t data = WriteData(bytes_, top.node.leaves);
        const std::uint64_t sub = WriteSubnodes(bytes_, top.node.subnodes);
        if (top.message) messageAt_.emplace_back(top.nid, placed_[firstBlock]);
        std::string& entry = nbtEntries_[top.nid];
        Append(entry, top.nid, form_.Id());
        Append(entry, data, form_.Id());
        Append(entry, sub, form_.Id());
        Append(entry, top.parent, 4);
        if (!form_.ansi) Append(entry, 0, 4);
    }

    // The pages of both trees after the blocks, the maps, the header.
    PstFile Assemble() {
        PstFile file;
        file.bytes = std::move(bytes_);
        std::sort(messageAt_.begin(), messageAt_.end());
        for (const auto& [nid, at] : messageAt_) file.messageBlocks.push_back(at);
        std::string nbtEntries;
        for (const auto& [nid, entry] : nbtEntries_) nbtEntries += entry;
        const auto [bbtId, bbtAt] = WriteTree(file.bytes, bbtEntries_, form_.ansi ? 12 : 24, 0x80, form_.ansi ? 41 : 20);
        const auto [nbtId, nbtAt] = WriteTree(file.bytes, nbtEntries, form_.ansi ? 16 : 32, 0x81, form_.ansi ? 31 : 15);
        file.bbtRoot = bbtAt;
        file.nbtRoot = nbtAt;
        const PstAllocation::Summary maps = allocation_.WriteMaps(file.bytes);
        WriteHeader(file.bytes, {nbtId, nbtAt}, {bbtId, bbtAt}, maps);
        return file;
    }

    std::uint64_t WriteBlock(std::string& bytes, std::string data, bool internal) {
        const std::uint64_t bid = nextBid_ + (internal ? 2 : 0);
        nextBid_ += 4;
        if (!internal && encoding_ == PstEncoding::Permute) PermuteEncode(data);
        if (!internal && encoding_ == PstEncoding::Cyclic) CyclicCode(data, static_cast<std::uint32_t>(bid));
        const std::size_t trailerSize = form_.ansi ? 12 : 16;
        const std::size_t total = (data.size() + trailerSize + 63) / 64 * 64;
        const std::uint64_t at = allocation_.Place(bytes, total, 64);
        placed_.push_back(at);
        const std::size_t trailer = total - trailerSize;
        std::string block = data;
        block.resize(total, '\0');
        Put(block, trailer, data.size(), 2);
        Put(block, trailer + 2, PstSignature(at, bid), 2);
        Put(block, trailer + (form_.ansi ? 8 : 4), PstCrc(data), 4);
        Put(block, trailer + (form_.ansi ? 4 : 8), bid, form_.Id());
        bytes += block;
        // Block ids only grow: the entries come sorted.
        Append(bbtEntries_, bid, form_.Id());
        Append(bbtEntries_, at, form_.Id());
        Append(bbtEntries_, data.size(), 2);
        Append(bbtEntries_, 1, 2);
        if (!form_.ansi) Append(bbtEntries_, 0, 4);
        return bid;
    }

    // One block holds one list of ids; longer lists, or lists longer than the fanout asked
    // for, take a second level.
    std::size_t Fanout() const {
        const std::size_t fits = (form_.BlockCapacity() - 8) / (3 * form_.Id());
        return fanout_ ? std::min(fanout_, fits) : fits;
    }

    std::uint64_t WriteData(std::string& bytes, const std::vector<std::string>& leaves) {
        if (leaves.size() == 1) return WriteBlock(bytes, leaves[0], false);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> xblocks;  // id, bytes below it
        for (std::size_t start = 0; start < leaves.size(); start += Fanout()) {
            std::vector<std::uint64_t> ids;
            std::uint64_t total = 0;
            for (std::size_t i = start; i < std::min(leaves.size(), start + Fanout()); ++i) {
                ids.push_back(WriteBlock(bytes, leaves[i], false));
                total += leaves[i].size();
            }
            xblocks.emplace_back(WriteBlock(bytes, IdList(0x01, 1, total, ids), true), total);
        }
        if (xblocks.size() == 1) return xblocks[0].first;
        std::vector<std::uint64_t> ids;
        std::uint64_t total = 0;
        for (const auto& [id, size] : xblocks) {
            ids.push_back(id);
            total += size;
        }
        return WriteBlock(bytes, IdList(0x01, 2, total, ids), true);
    }

    std::string IdList(std::uint8_t type, std::uint8_t level, std::uint64_t total, const std::vector<std::uint64_t>& ids) {
        std::string block;
        Append(block, type, 1);
        Append(block, level, 1);
        Append(block, ids.size(), 2);
        Append(block, total, 4);
        for (const std::uint64_t id : ids) Append(block, id, form_.Id());
        return block;
    }

    std::uint64_t WriteSubnodes(std::string& bytes, std::vector<WrittenNode>& subnodes) {
        if (subnodes.empty()) return 0;
        std::sort(subnodes.begin(), subnodes.end(),
                  [](const WrittenNode& a, const WrittenNode& b) { return a.nid < b.nid; });
        std::vector<std::pair<std::uint32_t, std::uint64_t>> lists;  // first nid, block
        for (std::size_t start = 0; start < subnodes.size(); start += Fanout()) {
            std::string slblock;
            const std::size_t end = std::min(subnodes.size(), start + Fanout());
            Append(slblock, 0x02, 1);
            Append(slblock, 0x00, 1);
            Append(slblock, end - start, 2);
            if (!form_.ansi) Append(slblock, 0, 4);
            for (std::size_t i = start; i < end; ++i) {
                const std::uint64_t data = WriteData(bytes, subnodes[i].leaves);
                const std::uint64_t sub = WriteSubnodes(bytes, subnodes[i].subnodes);
                Append(slblock, subnodes[i].nid, form_.Id());
                Append(slblock, data, form_.Id());
                Append(slblock, sub, form_.Id());
            }
            lists.emplace_back(subnodes[start].nid, WriteBlock(bytes, slblock, true));
        }
        if (lists.size() == 1) return lists[0].second;
        std::string siblock;
        Append(siblock, 0x02, 1);
        Append(siblock, 0x01, 1);
        Append(siblock, lists.size(), 2);
        if (!form_.ansi) Append(siblock, 0, 4);
        for (const auto& [nid, id] : lists) {
            Append(siblock, nid, form_.Id());
            Append(siblock, id, form_.Id());
        }
        return WriteBlock(bytes, siblock, true);
    }

    // Leaves of at most perPage entries (sorted, entrySize bytes each, one after the
    // other), then levels of index entries above them; the root's id and offset.
    std::pair<std::uint64_t, std::uint64_t> WriteTree(std::string& bytes, std::string items, std::size_t entrySize,
                                                      std::uint8_t pageType, std::size_t perPage) {
        struct Placed {
            std::uint64_t key, id, at;
        };
        std::vector<Placed> level;
        const std::size_t id = form_.Id();
        const std::size_t entriesEnd = form_.ansi ? 496 : 488;
        const std::size_t trailer = form_.ansi ? 500 : 496;
        int depth = 0;
        do {
            level.clear();
            const std::size_t count = items.size() / entrySize;
            for (std::size_t start = 0; start < count || (start == 0 && count == 0); start += perPage) {
                const std::size_t end = std::min(count, start + perPage);
                std::string page(kPageSize, '\0');
                page.replace(0, (end - start) * entrySize, items, start * entrySize, (end - start) * entrySize);
                page[entriesEnd] = static_cast<char>(end - start);
                page[entriesEnd + 1] = static_cast<char>(perPage);
                page[entriesEnd + 2] = static_cast<char>(entrySize);
                page[entriesEnd + 3] = static_cast<char>(depth);
                const std::uint64_t pageId = nextPage_++;
                const std::uint64_t at = allocation_.Place(bytes, kPageSize, kPageSize);
                page[trailer] = page[trailer + 1] = static_cast<char>(pageType);
                Put(page, trailer + 2, PstSignature(at, pageId), 2);
                Put(page, form_.ansi ? 508 : 500, PstCrc(std::string_view(page).substr(0, trailer)), 4);
                Put(page, 504, pageId, id);
                bytes += page;
                level.push_back({start < count ? ValueOf(items.substr(start * entrySize, id)) : 0, pageId, at});
                if (count == 0) break;
            }
            items.clear();
            for (const Placed& placed : level) {
                Append(items, placed.key, id);
                Append(items, placed.id, id);
                Append(items, placed.at, id);
            }
            entrySize = 3 * id;
            perPage = form_.ansi ? 41 : 20;
            ++depth;
        } while (level.size() > 1);
        return {level[0].id, level[0].at};
    }

    void WriteHeader(std::string& bytes, std::pair<std::uint64_t, std::uint64_t> nbt,
                     std::pair<std::uint64_t, std::uint64_t> bbt, PstAllocation::Summary maps) {
        std::string header(form_.ansi ? 512 : 564, '\0');
        header.replace(0, 4, "!BDN");
        header.replace(8, 2, "SM");
        Put(header, 10, form_.ansi ? 14 : 23, 2);
        Put(header, 12, 19, 2);
        header[14] = header[15] = 1;
        if (form_.ansi) {
            Put(header, 24, nextBid_, 4);
            Put(header, 28, nextPage_, 4);
            Put(header, 168, bytes.size(), 4);
            Put(header, 172, maps.lastMap, 4);
            Put(header, 176, maps.freeBytes, 4);
            Put(header, 184, nbt.first, 4);
            Put(header, 188, nbt.second, 4);
            Put(header, 192, bbt.first, 4);
            Put(header, 196, bbt.second, 4);
            header[200] = 2;
            std::fill(header.begin() + 204, header.begin() + 460, static_cast<char>(0xFF));
            header[460] = static_cast<char>(0x80);
            header[461] = static_cast<char>(encoding_);
        } else {
            Put(header, 32, nextPage_, 8);
            Put(header, 184, bytes.size(), 8);
            Put(header, 192, maps.lastMap, 8);
            Put(header, 200, maps.freeBytes, 8);
            Put(header, 216, nbt.first, 8);
            Put(header, 224, nbt.second, 8);
            Put(header, 232, bbt.first, 8);
            Put(header, 240, bbt.second, 8);
            header[248] = 2;
            std::fill(header.begin() + 256, header.begin() + 512, static_cast<char>(0xFF));
            header[512] = static_cast<char>(0x80);
            header[513] = static_cast<char>(encoding_);
            Put(header, 516, nextBid_, 8);
            Put(header, 524, PstCrc(std::string_view(header).substr(8, 516)), 4);
        }
        Put(header, 4, PstCrc(std::string_view(header).substr(8, 471)), 4);
        bytes.replace(0, header.size(), header);
    }

    Form form_;
    PstEncoding encoding_;
    std::uint32_t passwordCrc_;
    std::size_t fanout_;
    std::uint32_t nextFolder_ = 0x400;
    std::uint32_t nextMessage_ = 0x10000;
    std::uint64_t nextBid_ = 4;
    std::uint64_t nextPage_ = 1;
    std::uint32_t wastebasket_ = 0;
    std::string bytes_ = std::string(PstAllocation::FirstFree(), '\0');
    std::map<std::uint32_t, std::string> nbtEntries_;  // by node id
    std::string bbtEntries_;
    std::map<std::uint32_t, std::string> names_;
    std::map<std::uint32_t, std::optional<std::string>> subjects_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> messageAt_;
    PstAllocation allocation_;
    std::vector<std::uint64_t> placed_;  // file offset of each block, in write order
};

}  // namespace

PstFile WritePst(const std::vector<PstFolder>& folders, const PstWriteOptions& options) {
    return FileBuilder(options).Build(folders);
}

std::uint64_t PstFileTime(std::int64_t daysSince1970) {
    constexpr std::uint64_t kTicksPerDay = 864000000000;
    constexpr std::uint64_t kDaysFrom1601To1970 = 134774;
    return (static_cast<std::uint64_t>(daysSince1970) + kDaysFrom1601To1970) * kTicksPerDay + kTicksPerDay / 2;
}

}  // namespace mirelo::testing
