#pragma once

#include "extraction/extraction_service.h"
#include "headers/reading.h"

namespace mirelo {

class Profile;

// What the extractions read, as Select header types sets it: one choice for the two
// original commands and one for the all-mail command, each starting as its command's own.
struct ReadingChoices {
    Reading originalCommands = {DefaultKinds(ReadingRules::Original), ReadingRules::Original};
    Reading allMail = {DefaultKinds(ReadingRules::Rfc5322), ReadingRules::Rfc5322};

    const Reading& For(MailSource source) const {
        return source == MailSource::AllMail ? allMail : originalCommands;
    }
};

// From the profile; a choice never made, or written by hand beyond reading, is the
// command's own.
ReadingChoices LoadReadingChoices(const Profile& profile);
void SaveReadingChoices(Profile& profile, const ReadingChoices& choices);

}  // namespace mirelo
