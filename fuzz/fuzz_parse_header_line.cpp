// Feeds arbitrary bytes to ParseHeaderLine as one line and checks what it may set: an
// email is empty or one whole address around one '@', a name is a run of name characters and spaces.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/address_record.h"
#include "scan/header_kinds.h"
#include "headers/header_line_parser.h"
#include "fuzz/record_invariants.h"

namespace {

using namespace mirelo::fuzz;

// Neither can come out of a line: a control byte is no address or name character.
const std::string kUnsetEmail = "\x01unset email";
const std::string kUnsetName = "\x01unset name";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::string line = original;
    mirelo::HeaderFields record;
    record.email = kUnsetEmail;
    record.name = kUnsetName;
    mirelo::ParseHeaderLine(record, line);

    // No decoration makes an '@', so a line without one yields no email; nor does any
    // line keep the one it had.
    const bool hasAt = original.find('@') != std::string::npos;
    Require(hasAt || record.email.empty());
    Require(record.email.empty() || IsSoundEmail(record.email));
    Require(record.name == kUnsetName || IsSoundName(record.name));
    // A line that begins with a header name always yields a name, at least that word.
    const bool beginsWithHeaderName = mirelo::MatchHeaderKind({}, original, mirelo::HeaderKindSet::Original()).kind != mirelo::kNoKind;
    Require(!beginsWithHeaderName || record.name != kUnsetName);
    return 0;
}
