#include <algorithm>
#include <cstdio>

#include "export/formats/contact.h"

namespace mirelo {

namespace {

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendMember(std::string& out, std::string_view key, std::string_view rawValue) {
    out += ',';
    AppendJsonString(out, key);
    out.append(":").append(rawValue);
}

std::string JsonDate(MailDay day) { return day == kUnknownDay ? "null" : '"' + IsoDate(day) + '"'; }

std::string JsonKinds(unsigned kinds) {
    std::string list = "[";
    const std::string names = KindsText(kinds);
    for (std::string_view rest = names; !rest.empty();) {
        const std::size_t semicolon = std::min(rest.find(';'), rest.size());
        if (list.size() > 1) list += ',';
        AppendJsonString(list, rest.substr(0, semicolon));
        rest.remove_prefix(std::min(semicolon + 1, rest.size()));
    }
    return list + "]";
}

// An array of one object per address, one object a line.
class JsonWriter : public ContactWriter {
public:
    void Begin(std::string& out) override { out += "["; }
    void Add(std::string& out, const Contact& contact) override {
        out += first_ ? "\n{" : ",\n{";
        first_ = false;
        AppendJsonString(out, "email");
        out += ':';
        AppendJsonString(out, contact.email);
        for (const auto& [key, text] : {std::pair{"name", &contact.name}, std::pair{"notes", &contact.notes}}) {
            std::string value;
            AppendJsonString(value, *text);
            AppendMember(out, key, value);
        }
        if (const AddressFacts* facts = contact.facts) {
            AppendMember(out, "count", std::to_string(facts->count));
            AppendMember(out, "kinds", JsonKinds(facts->kinds));
            AppendMember(out, "stores", std::to_string(facts->stores));
            AppendMember(out, "first_seen", JsonDate(facts->firstSeen));
            AppendMember(out, "last_seen", JsonDate(facts->lastSeen));
            AppendMember(out, "category", '"' + std::string(CategoryName(facts->category)) + '"');
        }
        out += '}';
    }
    void End(std::string& out) override { out += "\n]\n"; }

private:
    bool first_ = true;
};

}  // namespace

std::unique_ptr<ContactWriter> MakeJsonWriter() { return std::make_unique<JsonWriter>(); }

}  // namespace mirelo
