#include "support/fake_platform.h"

namespace mirelo::testing {

namespace {

template <typename Answer>
Answer Next(std::deque<Answer>& answers, Answer whenEmpty) {
    if (answers.empty()) return whenEmpty;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

std::optional<std::string> FakePlatform::PickFolder(const QString& prompt, const std::string& initialFolder) {
    folderPrompts.push_back(prompt);
    folderInitials.push_back(initialFolder);
    return Next(folderAnswers, std::optional<std::string>());
}

std::optional<std::string> FakePlatform::AskSavePath(const std::string& preload) {
    savePreloads.push_back(preload);
    return Next(saveAnswers, std::optional<std::string>());
}

std::optional<std::string> FakePlatform::AskOpenPath() {
    return Next(openAnswers, std::optional<std::string>());
}

void FakePlatform::ShowMessage(const QString& text) {
    messages.push_back(text);
}

PlatformServices::SaveAnswer FakePlatform::AskSaveChanges(const QString& documentTitle) {
    saveChangesTitles.push_back(documentTitle);
    return Next(saveChangesAnswers, SaveAnswer::Cancel);
}

}  // namespace mirelo::testing
