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
          "noreply@github.com", "notifications-noreply@example.com", "no-reply@accounts.example.com",
          "Do_Not_Reply@apple.com", "donotreply@bank.example", "python-list-bounces+me=example.org@python.org",
          "bounce-123-abc@mailer.example", "delivery-status@example.com", "LISTSERV@listserv.example.edu",
          "majordomo@example.org"}},
        {AddressCategory::Person,
         {"me@elsewhere.example", "bouncer@club.example", "postmaster.general@example.com", "owner@shop.example",
          "request.desk@example.com", "nora.reply@example.com", "helen@noreply.example.com"}},
    };
    for (const auto& [category, emails] : cases)
        for (const std::string& email : emails) EXPECT_EQ(classifier.Classify(email), category) << email;
}

TEST(AddressesOfLines, SkipsBlankAndCommentLines) {
    EXPECT_EQ(AddressesOfLines("# mine\r\n me@home.example \r\n\n\tme@work.example\nlast@x"),
              (std::vector<std::string>{"me@home.example", "me@work.example", "last@x"}));
}

}  // namespace
}  // namespace mirelo
