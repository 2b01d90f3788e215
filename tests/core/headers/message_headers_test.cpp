#include "headers/message_headers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

struct MessageCase {
    const char* what;
    std::string message;
    std::vector<std::string> fields;  // "block depth name: value"
};

std::vector<std::string> Fields(const std::string& message) {
    std::vector<std::string> found;
    VisitMessageHeaders(message, [&](const HeaderField& field) {
        found.push_back(std::to_string(field.block) + " " + std::to_string(field.depth) + " " +
                        std::string(field.name) + ": " + std::string(field.value));
    });
    return found;
}

TEST(VisitMessageHeaders, ReadsTheHeaderBlocksOfTheMessageAndOfAttachedOnes) {
    const std::string attached = "From: inner@x\r\nTo: deep@x\r\n\r\nbody\r\nFrom: not@header\r\n";
    const std::vector<MessageCase> cases = {
        {"folded, any line end", "From: a@x,\r\n b@x\nTO: c@x\rSubject : hi\n\nFrom: body@x\n",
         {"0 0 From: a@x, b@x", "0 0 TO: c@x", "0 0 Subject: hi"}},
        {"a line that is no field begins the body", "From: a@x\nnot a field\nTo: b@x\n", {"0 0 From: a@x"}},
        {"and one that starts with its colon", "From: a@x\n: x\nTo: b@x\n", {"0 0 From: a@x"}},
        {"so does one that starts with an 8-bit byte", "From: a@x\n\xDC" "ber: x\nTo: b@x\n", {"0 0 From: a@x"}},
        {"long names, one ending in '~' with blanks before its colon, one with a control byte far in",
         "X-Original-Authentication-Results~ \t: v\nFrom: a@x\nX-Original-Authentication\x01Results: w\nTo: b@x\n",
         {"0 0 X-Original-Authentication-Results~: v", "0 0 From: a@x"}},
        {"multipart with an attached message, its boundary quoted with an escape and written inside a line too",
         "From: a@x\nContent-Type: multipart/mixed; boundary=\"b\\ 1\"\n\npreamble\n--b 1\nContent-Type: text/plain\n\n"
         "see --b 1\nContent-Type: message/rfc822\n\nFrom: text@x\n--b 1\nContent-Type: message/rfc822\n\n" + attached +
             "--b 1--\nFrom: epilogue@x\n",
         {"0 0 From: a@x", "0 0 Content-Type: multipart/mixed; boundary=\"b\\ 1\"", "1 1 From: inner@x",
          "1 1 To: deep@x"}},
        {"a message as the body, in a digest",
         "From: a@x\nContent-Type: message/rfc822\n\nFrom: m@x\nContent-Type: multipart/digest; boundary=d\n\n"
         "--d\n\nFrom: d1@x\n\n--d\n\nFrom: d2@x\n--d--\n",
         {"0 0 From: a@x", "0 0 Content-Type: message/rfc822", "1 1 From: m@x",
          "1 1 Content-Type: multipart/digest; boundary=d", "2 2 From: d1@x", "3 2 From: d2@x"}},
        {"no closing delimiter, lines ended by CRs, the first of two boundaries",
         "Content-Type: multipart/mixed; boundary=q; boundary=z\r\rpreamble\r--q\rContent-Type: message/rfc822\r\rFrom: z@x",
         {"0 0 Content-Type: multipart/mixed; boundary=q; boundary=z", "1 1 From: z@x"}},
        {"a delimiter after the body's first byte, and a line that only begins like the closing one, delimit nothing",
         "Content-Type: multipart/mixed; boundary=q\n\nx--q\nContent-Type: message/rfc822\n\nFrom: w@x\n"
         "--q\nContent-Type: message/rfc822\n\nFrom: z@x\n--q--x\n--q\n"
         "Content-Type: message/rfc822\n\nFrom: y@x\n--q--\n",
         {"0 0 Content-Type: multipart/mixed; boundary=q", "1 1 From: z@x", "2 1 From: y@x"}},
        {"a media type folded, its boundary on the next line",
         "Content-Type: multipart/mixed;\r\n\tboundary=\"q\"\r\nSubject: s\r\n\r\n--q\r\nContent-Type: message/rfc822\r\n\r\n"
         "From: z@x\r\n--q--\r\n",
         {"0 0 Content-Type: multipart/mixed;\tboundary=\"q\"", "0 0 Subject: s", "1 1 From: z@x"}},
        {"a boundary on a part of another type is not followed",
         "Content-Type: text/plain; boundary=q\n\n--q\nContent-Type: message/rfc822\n\nFrom: z@x\n",
         {"0 0 Content-Type: text/plain; boundary=q"}},
        {"an unquoted boundary before another parameter",
         "Content-Type: multipart/mixed; boundary=q; charset=us-ascii\n\n--q\nContent-Type: message/rfc822\n\nFrom: z@x\n--q--\n",
         {"0 0 Content-Type: multipart/mixed; boundary=q; charset=us-ascii", "1 1 From: z@x"}},
    };
    for (const MessageCase& c : cases) EXPECT_EQ(Fields(c.message), c.fields) << c.what;
}

// Sixteen messages attached one in another are read, and none deeper; parts within parts
// count toward the same bound.
TEST(VisitMessageHeaders, StopsAtTheNestingBound) {
    std::string message = "From: top@x\n";
    for (int i = 0; i < 10000; ++i) message += "Content-Type: message/rfc822\n\nFrom: n@x\n";
    const std::vector<std::string> fields = Fields(message);
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.back(), "16 16 Content-Type: message/rfc822");
    std::string parts;
    for (int i = 0; i < 20; ++i)
        parts += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\n\n--b" + std::to_string(i) + "\n";
    EXPECT_EQ(Fields(parts + "Content-Type: message/rfc822\n\nFrom: deep@x\n"),
              std::vector<std::string>{"0 0 Content-Type: multipart/mixed; boundary=b0"});
}

}  // namespace
}  // namespace mirelo
