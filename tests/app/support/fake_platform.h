#pragma once

#include <QString>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform_services.h"

namespace mirelo::testing {

// Answers every dialog from queues filled by the test and writes down what was asked.
// An empty queue answers as a cancelled dialog would.
class FakePlatform : public PlatformServices {
public:
    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<SaveAnswer> saveChangesAnswers;
    std::string localAppData;
    bool editorOpens = true;

    std::vector<std::string> folderInitials;
    std::vector<std::string> savePreloads;
    std::vector<QString> messages;
    std::vector<QString> saveChangesTitles;
    std::vector<std::string> openedForEditing;

    std::optional<std::string> PickFolder(const QString&, const std::string& initialFolder) override {
        folderInitials.push_back(initialFolder);
        return Next(folderAnswers, {});
    }
    std::optional<std::string> AskSavePath(const std::string& preload) override {
        savePreloads.push_back(preload);
        return Next(saveAnswers, {});
    }
    std::optional<std::string> AskOpenPath() override { return Next(openAnswers, {}); }
    void ShowMessage(const QString& text) override { messages.push_back(text); }
    SaveAnswer AskSaveChanges(const QString& documentTitle) override {
        saveChangesTitles.push_back(documentTitle);
        return Next(saveChangesAnswers, SaveAnswer::Cancel);
    }
    std::string LocalAppDataFolder() override { return localAppData; }
    bool OpenForEditing(const std::string& path) override {
        openedForEditing.push_back(path);
        return editorOpens;
    }

private:
    template <typename Answer>
    static Answer Next(std::deque<Answer>& answers, Answer whenEmpty) {
        if (answers.empty()) return whenEmpty;
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace mirelo::testing
