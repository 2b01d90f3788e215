#pragma once

#include <string>

namespace mirelo::testing {

// A short message from name <user@x.org> to Pat Doe.
inline std::string Message(const std::string& name, const std::string& user) {
    return "From: " + name + " <" + user + "@x.org>\r\nTo: Pat Doe <pat@x.org>\r\nSubject: hi\r\n\r\nbody\r\n";
}

// The message as Apple Mail keeps it: its byte count, the message, a property list.
inline std::string Emlx(const std::string& message) {
    return std::to_string(message.size()) + "\n" + message + "<?xml version=\"1.0\"?>\n<plist><dict/></plist>\n";
}

}  // namespace mirelo::testing
