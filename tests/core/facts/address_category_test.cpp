#include "facts/address_category.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mirelo {
namespace {

struct CategoryCase {
    std::string email;
    AddressCategory category;
};

TEST(AddressClassifier, SortsRealWorldSendersIntoTheirCategories) {
    const AddressClassifier classifier({"Me@Home.example", "me@work.example"}, {"debian-devel@lists.debian.org"});
    const std::vector<CategoryCase> cases = {
        {"me@home.example", AddressCategory::Own},
        {"ME@WORK.EXAMPLE", AddressCategory::Own},
        {"me@elsewhere.example", AddressCategory::Person},
        {"Debian-Devel@lists.debian.org", AddressCategory::List},
        {"debian-devel-request@lists.debian.org", AddressCategory::Automated},
        {"owner-linux-kernel@vger.kernel.org", AddressCategory::Automated},
        {"linux-kernel-owner@vger.kernel.org", AddressCategory::Automated},
        {"MAILER-DAEMON@mail.example.com", AddressCategory::Automated},
        {"postmaster@example.com", AddressCategory::Automated},
        {"noreply@github.com", AddressCategory::Automated},
        {"notifications-noreply@example.com", AddressCategory::Automated},
        {"no-reply@accounts.example.com", AddressCategory::Automated},
        {"Do_Not_Reply@apple.com", AddressCategory::Automated},
        {"donotreply@bank.example", AddressCategory::Automated},
        {"python-list-bounces+me=example.org@python.org", AddressCategory::Automated},
        {"bounce-123-abc@mailer.example", AddressCategory::Automated},
        {"delivery-status@example.com", AddressCategory::Automated},
        {"LISTSERV@listserv.example.edu", AddressCategory::Automated},
        {"majordomo@example.org", AddressCategory::Automated},
        {"bouncer@club.example", AddressCategory::Person},
        {"postmaster.general@example.com", AddressCategory::Person},
        {"owner@shop.example", AddressCategory::Person},
        {"request.desk@example.com", AddressCategory::Person},
        {"nora.reply@example.com", AddressCategory::Person},
        {"helen@noreply.example.com", AddressCategory::Person},
    };
    for (const CategoryCase& c : cases) EXPECT_EQ(classifier.Classify(c.email), c.category) << c.email;
}

TEST(AddressesOfLines, SkipsBlankAndCommentLines) {
    EXPECT_EQ(AddressesOfLines("# mine\r\n me@home.example \r\n\n\tme@work.example\nlast@x"),
              (std::vector<std::string>{"me@home.example", "me@work.example", "last@x"}));
}

}  // namespace
}  // namespace mirelo
