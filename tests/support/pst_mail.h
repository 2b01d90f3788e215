#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "store_writer/pst_writer.h"

namespace mirelo::testing {

constexpr std::int64_t kPstDay = 19000;  // 2022-01-08, the day of every message below

// Mail from the Internet keeps its header block; the recipient table holds the same people.
inline PstMessage ReceivedPst(std::string headers = "From: Ann Lee <ann@net.example>\r\nTo: Bo <bo@x.example>\r\n",
                              std::vector<PstRecipient> recipients = {{1, "Bo", "SMTP", "bo@x.example", ""}}) {
    PstMessage message;
    message.subject = "Received";
    message.transportHeaders = std::move(headers) + "Subject: Received\r\n\r\n";
    message.senderName = "Ann Lee";
    message.senderAddressType = "SMTP";
    message.senderAddress = "ann@net.example";
    message.recipients = std::move(recipients);
    message.deliveryTime = PstFileTime(kPstDay);
    return message;
}

// Mail composed in Outlook has no header block. Outlook holds the one it was sent for
// even when that is the sender, and the recipients' names on the To and Cc lines.
inline PstMessage ComposedPst(std::string addressType, std::string address, std::string smtp) {
    PstMessage message;
    message.subject = "Composed";
    message.senderName = message.representingName = "Me";
    message.senderAddressType = message.representingAddressType = std::move(addressType);
    message.senderAddress = message.representingAddress = std::move(address);
    message.senderSmtp = message.representingSmtp = std::move(smtp);
    message.recipients = {{1, "Tó Person", "SMTP", "to@x.example", ""},
                          {2, "Cc Person", "EX", "/O=ORG/CN=CC", "cc@corp.example"},
                          {3, "Bcc Person", "SMTP", "bcc@x.example", ""}};
    message.submitTime = PstFileTime(kPstDay);
    return message;
}

// The message sent by its sender for Boss, whose address is SMTP only.
inline PstMessage OnBehalfOfBoss(PstMessage message, std::string bossAddress) {
    message.representingName = "Boss";
    message.representingAddressType = "SMTP";
    message.representingAddress = std::move(bossAddress);
    message.representingSmtp.clear();
    return message;
}

}  // namespace mirelo::testing
