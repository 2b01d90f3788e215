#include "reading_choices.h"

#include <sstream>

#include "profile.h"

namespace mirelo {

namespace {

constexpr const char* kReadingSection = "READING";

struct ChoiceEntries {
    const char* kinds;
    const char* rules;
};
constexpr ChoiceEntries kOriginalEntries{"ORIGINAL_KINDS", "ORIGINAL_RULES"};
constexpr ChoiceEntries kAllMailEntries{"ALL_MAIL_KINDS", "ALL_MAIL_RULES"};

constexpr const char* kOriginalRulesName = "original";
constexpr const char* kRfc5322RulesName = "rfc5322";

// The header names of the kinds, "From: To: Cc:", as a person reading the profile knows them.
std::string KindsText(HeaderKindSet kinds) {
    std::string text;
    for (HeaderKind kind = 0; kind < kHeaderKindCount; ++kind) {
        if (!kinds.Has(kind)) continue;
        if (!text.empty()) text += ' ';
        text += HeaderKindName(kind);
    }
    return text;
}

std::optional<HeaderKindSet> KindsOfText(const std::string& text) {
    HeaderKindSet kinds = HeaderKindSet::None();
    std::istringstream names(text);
    for (std::string name; names >> name;) {
        HeaderKind kind = 0;
        while (kind < kHeaderKindCount && HeaderKindName(kind) != name) ++kind;
        if (kind == kHeaderKindCount) return std::nullopt;
        kinds.Set(kind, true);
    }
    return kinds;
}

Reading LoadReading(const Profile& profile, const ChoiceEntries& entries, Reading reading) {
    const std::string rules = profile.GetProfileString(kReadingSection, entries.rules);
    if (rules == kOriginalRulesName) reading.rules = ReadingRules::Original;
    if (rules == kRfc5322RulesName) reading.rules = ReadingRules::Rfc5322;
    // An empty entry is no choice; a choice of no kind at all is written as "-".
    const std::string kinds = profile.GetProfileString(kReadingSection, entries.kinds);
    if (kinds == "-") {
        reading.kinds = HeaderKindSet::None();
    } else if (!kinds.empty()) {
        reading.kinds = KindsOfText(kinds).value_or(reading.kinds);
    }
    return reading;
}

void SaveReading(Profile& profile, const ChoiceEntries& entries, const Reading& reading) {
    const std::string kinds = KindsText(reading.kinds);
    profile.WriteProfileString(kReadingSection, entries.kinds, kinds.empty() ? "-" : kinds);
    profile.WriteProfileString(kReadingSection, entries.rules,
                               reading.rules == ReadingRules::Original ? kOriginalRulesName : kRfc5322RulesName);
}

}  // namespace

ReadingChoices LoadReadingChoices(const Profile& profile) {
    const ReadingChoices own;
    return {LoadReading(profile, kOriginalEntries, own.originalCommands),
            LoadReading(profile, kAllMailEntries, own.allMail)};
}

void SaveReadingChoices(Profile& profile, const ReadingChoices& choices) {
    SaveReading(profile, kOriginalEntries, choices.originalCommands);
    SaveReading(profile, kAllMailEntries, choices.allMail);
}

}  // namespace mirelo
