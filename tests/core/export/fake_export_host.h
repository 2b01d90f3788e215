#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/sort_and_export.h"

namespace mirelo::testing {

// Records what the export asked of the user interface and answers from a script.
class FakeExportHost : public ExportHost {
public:
    std::string remembered;
    std::optional<std::string> dialogAnswer;  // nothing: the user cancels

    std::vector<std::string> statuses;
    std::vector<std::string> dialogPreloads;
    std::vector<std::string> failures;
    std::vector<std::string> opened;
    int refills = 0;

    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void KeepAlive() override {}
    void ReportProblem(const std::string&, const std::string&) override {}
    void ReportNothingRead(const std::string&) override {}
    std::string RememberedSavePath() override { return remembered; }
    void RememberSavePath(const std::string& path) override { remembered = path; }
    std::optional<std::string> AskSavePath(const std::string& preload) override {
        dialogPreloads.push_back(preload);
        return dialogAnswer;
    }
    void ShowWriteFailure(const std::string& failure, const std::string& reason) override {
        failures.push_back(failure + ": " + reason);
    }
    void RefillRows(AddressList&) override { ++refills; }
    void OpenForEditing(const std::string& path) override { opened.push_back(path); }
};

}  // namespace mirelo::testing
