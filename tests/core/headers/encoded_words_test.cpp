#include "headers/encoded_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/windows1252.h"

namespace mirelo {
namespace {

struct WordsCase {
    std::string line;
    std::string utf8;  // the line afterwards, read as Windows-1252
};

TEST(DecodeEncodedWords, GivesTheTextInTheRecordsCodePage) {
    const std::vector<WordsCase> cases = {
        {"From: =?ISO-8859-1?Q?Andr=E9_Pirard?= <a@b>", "From: Andr\u00e9 Pirard <a@b>"},
        {"From: =?utf-8?B?SsO2cmc=?= <a@b>", "From: J\u00f6rg <a@b>"},
        {"From: \"=?utf-8?q?M=C3=BCller?=, Hans\" <a@b>", "From: \"M\u00fcller, Hans\" <a@b>"},
        {"From: =?latin1?q?J=F6rg?= =?utf-8?q?_M=C3=BCller?= <a@b>", "From: J\u00f6rg M\u00fcller <a@b>"},
        {"From: =?utf-8?B?w6k=?=\t=?utf-8?B?w6k=?= x", "From: \u00e9\u00e9 x"},
        {"From: =?utf-8?Q?=C3?= =?utf-8?Q?=A9t=C3=A9?= <a@b>", "From: \u00e9t\u00e9 <a@b>"},
        {"From: =?windows-1252?Q?=80uro?= and =?iso-8859-15?Q?=A4?=", "From: \u20acuro and \u20ac"},
        {"From: =?utf-8?Q?=E2=82=AC?= <a@b>", "From: \u20ac <a@b>"},
        {"From: =?utf-8*en?Q?Ann?= <a@b>", "From: Ann <a@b>"},
        {"From: =?koi8-r?B?7sHUwczY0Q==?= <a@b>", "From: =?koi8-r?B?7sHUwczY0Q==?= <a@b>"},
        {"From: =?utf-8?B?0J3QsNGC0LDQu9GM0Y8=?= <a@b>", "From: =?utf-8?B?0J3QsNGC0LDQu9GM0Y8=?= <a@b>"},
        {"From: =?utf-8?Q?=C3?= <a@b>", "From: =?utf-8?Q?=C3?= <a@b>"},
        {"From: =?utf-8?Q?bad=G1?= =?utf-8?X?x?= =?broken", "From: =?utf-8?Q?bad=G1?= =?utf-8?X?x?= =?broken"},
        {"From: =?utf-8?Q?a b?= <a@b>", "From: =?utf-8?Q?a b?= <a@b>"}, {"Subject: 2+2=?", "Subject: 2+2=?"},
        {"From: =?=?utf-8?Q?a?= <a@b>", "From: =?a <a@b>"},
    };
    for (const WordsCase& c : cases) {
        std::string line = c.line;
        DecodeEncodedWords(line);
        EXPECT_EQ(Windows1252ToUtf8(line), c.utf8) << c.line;
    }
}

}  // namespace
}  // namespace mirelo
