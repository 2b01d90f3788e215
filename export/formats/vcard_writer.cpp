#include "export/formats/contact.h"
#include "export/formats/person_name.h"

namespace mirelo {

namespace {

constexpr std::size_t kMaxLineOctets = 75;

// A text value has one escape for a line break (RFC 6350, 3.4), whichever of CR LF, LF
// or a lone CR (old Mac text) makes it.
std::string EscapedText(std::string_view text) {
    std::string escaped;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\\' || c == ',' || c == ';') escaped += '\\';
        if (c == '\r' || c == '\n') {
            escaped += "\\n";
            if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// Long lines are folded by CR LF and a space, never inside a UTF-8 sequence.
void AppendLine(std::string& out, std::string_view line) {
    std::size_t width = kMaxLineOctets;
    while (line.size() > width) {
        std::size_t cut = width;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.substr(0, cut)).append("\r\n ");
        line.remove_prefix(cut);
        width = kMaxLineOctets - 1;
    }
    out.append(line).append("\r\n");
}

class VcardWriter : public ContactWriter {
public:
    void Add(std::string& out, const Contact& contact) override {
        const PersonName split = SplitPersonName(contact.name);
        out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        // FN must not be empty; the address is the best name there is then.
        AppendLine(out, "FN:" + EscapedText(contact.name.empty() ? contact.email : contact.name));
        AppendLine(out, "N:" + EscapedText(split.family) + ";" + EscapedText(split.given) + ";;;");
        AppendLine(out, "EMAIL;TYPE=INTERNET:" + contact.email);
        if (!contact.notes.empty()) AppendLine(out, "NOTE:" + EscapedText(contact.notes));
        out += "END:VCARD\r\n";
    }
};

}  // namespace

std::unique_ptr<ContactWriter> MakeVcardWriter() { return std::make_unique<VcardWriter>(); }

}  // namespace mirelo
