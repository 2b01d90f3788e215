#pragma once

#include <QObject>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "scan/address_list.h"
#include "extraction/extraction_service.h"

namespace mirelo {

// How far a progress report has come, in thousandths: what a bar can show.
constexpr int kProgressSteps = 1000;
inline int ProgressSteps(std::uint64_t done, std::uint64_t total) {
    return total == 0 ? 0 : static_cast<int>(std::min(done, total) * kProgressSteps / total);
}

// One extraction on a thread of its own, so the window keeps repainting and taking input
// however long a store takes. The observer hears of it on the thread that started it,
// through that thread's event loop and in the order of the calls.
class BackgroundExtraction : public QObject {
    Q_OBJECT
public:
    // Reading starts at once, into list, which nothing else may touch until finished.
    BackgroundExtraction(ExtractionRequest request, std::unique_ptr<AddressList> list, ExtractionObserver& observer);
    // Stops the reading and waits for it; what it had still to tell is dropped.
    ~BackgroundExtraction() override;

    // The reading ends within a block of the store being read.
    void RequestStop() { stopRequested_ = true; }
    // The result, once finished has been emitted.
    ExtractionResult TakeResult() { return std::move(result_); }

signals:
    void finished();

private:
    class Relay;

    void Run(const ExtractionRequest& request, std::unique_ptr<AddressList> list);

    ExtractionObserver& observer_;
    ExtractionResult result_;
    std::atomic<bool> stopRequested_ = false;
    std::thread thread_;
};

}  // namespace mirelo
