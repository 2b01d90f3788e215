#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace mirelo {

enum class AddressCategory { Person, Own, Automated, List };

// "person", "own", "automated", "list".
std::string_view CategoryName(AddressCategory category);

// Robots by their address: no-reply senders, bounce, notification and delivery status
// senders, mailer daemons, postmasters, nobody, list owners and list request addresses,
// and the return paths that mail servers make up (VERP, SRS, BATV, bounce hosts,
// Amazon SES).
bool IsAutomatedAddress(std::string_view email);

// Own addresses first (the user says so), then the lists the mail itself names in its
// List-Post: lines, then the robots; everyone else is a person. Case does not matter.
class AddressClassifier {
public:
    AddressClassifier(const std::vector<std::string>& ownAddresses, const std::vector<std::string>& listAddresses);
    AddressCategory Classify(std::string_view email) const;

private:
    std::unordered_set<std::string> own_;
    std::unordered_set<std::string> lists_;
};

// The addresses of a file of own addresses: one or more a line, separated by commas or
// semicolons; a '#' starts a comment, but for one in an address's local part.
std::vector<std::string> AddressesOfLines(std::string_view text);

}  // namespace mirelo
