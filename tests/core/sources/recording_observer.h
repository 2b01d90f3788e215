#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sources/extraction_observer.h"

namespace mirelo::testing {

// Keeps what an extraction reports; can stop it after a number of stores.
class RecordingObserver : public ExtractionObserver {
public:
    void ShowStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void KeepAlive() override {}
    void ReportProblem(const std::string& path, const std::string& reason) override { problems[path] = reason; }
    void ReportNothingRead(const std::string&) override {}
    bool StopRequested() override { return ++storesRead == stopAfterStores; }

    std::function<void(const std::string&)> onStatus;
    std::vector<std::string> statuses;
    std::map<std::string, std::string> problems;
    std::atomic<int> storesRead = 0;  // asked by the reading threads too
    int stopAfterStores = 0;  // 0: never
};

}  // namespace mirelo::testing
