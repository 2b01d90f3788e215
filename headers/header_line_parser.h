#pragma once

#include <string>


namespace mirelo {

// The characters of an address's domain; its local part takes IsLocalPartChar's.
bool IsAddressChar(unsigned char c);
bool IsLocalPartChar(unsigned char c);
bool IsNameChar(unsigned char c);

// The texts a header line yields.
struct HeaderFields {
    std::string email;
    std::string name;
};

// Takes the address around the line's first '@' (or, when that lies in a quoted display
// name, the angle address after it) and the display name just before it. The email is
// empty when the line holds no whole address; a name the line does not yield is left as
// it was. The line is rewritten in place.
void ParseHeaderLine(HeaderFields& fields, std::string& line);

}  // namespace mirelo
