#include "export/formats/contact.h"
#include "export/formats/person_name.h"

namespace mirelo {

namespace {

constexpr std::size_t kMaxLineOctets = 75;

std::string EscapedText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == ',' || c == ';') escaped += '\\';
        if (c == '\n') {
            escaped += "\\n";
        } else if (c != '\r') {
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
