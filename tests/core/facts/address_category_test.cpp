#include "facts/address_category.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace mirelo {
namespace {

TEST(AddressClassifier, SortsRealWorldSendersIntoTheirCategories) {
    const AddressClassifier classifier({"Me@Home.example", "me@work.example"}, {"debian-devel@lists.debian.org"});
    const std::pair<AddressCategory, std::vector<std::string>> cases[] = {
        {AddressCategory::Own, {"me@home.example", "ME@WORK.EXAMPLE"}},
        {AddressCategory::List, {"Debian-Devel@lists.debian.org"}},
        {AddressCategory::Automated,
         {"debian-devel-request@lists.debian.org", "owner-linux-kernel@vger.kernel.org",
          "linux-kernel-owner@vger.kernel.org", "MAILER-DAEMON@mail.example.com", "postmaster@example.com",
          "noreply@github.com", "notifications-noreply@example.com", "Do_Not_Reply@apple.com",
          "python-list-bounces+me=example.org@python.org", "bounce-123-abc@mailer.example",
          "LISTSERV@listserv.example.edu", "majordomo@example.org", "nobody@server.example",
          "notification@facebookmail.example", "daemon@host.example",
          "SRS0=Ab12=XY=example.org=ann@forwarder.example", "srs1=Q9=example.net==Z=x=example.org=bob@fw.example",
          "prvs=1234abcd56=ann@example.com", "bounces+1234567-abcd-me=example.org@em123.example.com",
          "list-return-42-me=x.org@lists.example", "-request@lists.example",
          "0100018c2fa1b2c3-4d5e6f70-1a2b-4c3d-9e8f-0a1b2c3d4e5f-000000@amazonses.com",
          "0102018c2fa1b2c3-aa11bb22@eu-west-1.amazonses.com", "abc123@bounces.example.com",
          "m-123456@bounce.news.example.com", "ann=example.org@bounces.mail.example.org", "noreply-42@calendar.example",
          "no-reply.alerts@monitor.example", "newsletter_bounce@shop.example", "wordpress-notification@blog.example",
          "alerts+noreply@bank.example"}},
        {AddressCategory::Person,
         {"me@elsewhere.example", "bouncer@club.example", "postmaster.general@example.com", "owner@shop.example",
          "request.desk@example.com", "nora.reply@example.com", "helen@noreply.example.com",
          "bounce.house@party.example", "jo.bounce@example.org", "nobody.special@example.net",
          "daemon.hunter@example.com", "notifications.team.lead@example.com", "srs@example.com",
          "prvs.admin@example.com", "ann@bounce.example", "bob@bounces.example", "carol@amazonses.example.com",
          "eve+news@example.com", "frank=family@example.com", "heidi_noreplyer@example.com",
          "heidi_noreplyz@example.com", "ivan.noreply9@example.com", "judy@mailer.example",
          "mallory@bouncing.example", "nick.owner.shop@example.com", "olga.requester@example.com",
          "quinn.o'neill@example.ie", "sam@post-master.example", "uma@srs0.example", "victor@example.co.uk",
          "xavier@notifications.example", "ed=ed@example.com", "fay@list-bounces.example",
          "jean-luc=family@example.com"}},
    };
    for (const auto& [category, emails] : cases)
        for (const std::string& email : emails) EXPECT_EQ(classifier.Classify(email), category) << email;
}

TEST(AddressesOfLines, TakesSeveralAddressesALineAndSkipsBlanksAndComments) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"# mine\r\n me@home.example \r\n\n\tme@work.example\nlast@x", {"me@home.example", "me@work.example", "last@x"}},
        {"me@home.example # since 2001\nold@x\t#now@y\n", {"me@home.example", "old@x"}},
        {"a@x, b@x;c@x ;; d@x,\r\n", {"a@x", "b@x", "c@x", "d@x"}},
        {"a#b@x,c@x# work\n#x@y\n", {"a#b@x", "c@x"}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(AddressesOfLines(text), expected) << text;
}

}  // namespace
}  // namespace mirelo
