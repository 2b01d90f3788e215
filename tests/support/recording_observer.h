#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sources/extraction_observer.h"

namespace mirelo::testing {

// Keeps what an extraction reports (a path reported twice shows both reasons); can stop it after a number of stores.
class RecordingObserver : public ExtractionObserver {
public:
    void ShowStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void ReportProblem(const std::string& path, const std::string& reason) override { problems[path] += reason; }
    void ReportNothingRead(const std::string&) override {}
    void ShowProgress(std::uint64_t done, std::uint64_t total) override {
        progressThreads.insert(std::this_thread::get_id());
        lastProgress = {done, total};
    }
    bool StopRequested() override { return stopAfterStores != 0 && ++storesRead >= stopAfterStores; }

    std::function<void(const std::string&)> onStatus;
    std::set<std::thread::id> progressThreads;
    std::pair<std::uint64_t, std::uint64_t> lastProgress;  // done, total
    std::vector<std::string> statuses;
    std::map<std::string, std::string> problems;
    std::atomic<int> storesRead = 0;  // asked by the reading threads too
    int stopAfterStores = 0;  // questions asked before the stop; 0: never
};

}  // namespace mirelo::testing
