#include "background_extraction.h"

#include <QMetaObject>

namespace mirelo {

// The extraction's observer on the reading thread: passes each call to the receiving
// thread, and answers StopRequested itself so a stop needs no round trip.
class BackgroundExtraction::Relay : public ExtractionObserver {
public:
    explicit Relay(BackgroundExtraction& owner) : owner_(owner) {}

    void ShowStatus(const std::string& text) override {
        Post([text](ExtractionObserver& observer) { observer.ShowStatus(text); });
    }
    void ReportProblem(const std::string& path, const std::string& reason) override {
        Post([path, reason](ExtractionObserver& observer) { observer.ReportProblem(path, reason); });
    }
    void ReportNothingRead(const std::string& message) override {
        Post([message](ExtractionObserver& observer) { observer.ReportNothingRead(message); });
    }
    // Only when a bar would change: a block is read far more often than that.
    void ShowProgress(std::uint64_t done, std::uint64_t total) override {
        const int steps = ProgressSteps(done, total);
        if (steps == lastSteps_) return;
        lastSteps_ = steps;
        Post([done, total](ExtractionObserver& observer) { observer.ShowProgress(done, total); });
    }
    bool StopRequested() override { return owner_.stopRequested_; }

    template <typename Call>
    void Post(Call call) {
        ExtractionObserver& observer = owner_.observer_;
        QMetaObject::invokeMethod(&owner_, [call, &observer] { call(observer); }, Qt::QueuedConnection);
    }

private:
    BackgroundExtraction& owner_;
    int lastSteps_ = -1;  // none shown yet
};

BackgroundExtraction::BackgroundExtraction(ExtractionRequest request, std::unique_ptr<AddressList> list,
                                           ExtractionObserver& observer)
    : observer_(observer),
      thread_([this, request = std::move(request), list = std::move(list)]() mutable { Run(request, std::move(list)); }) {}

BackgroundExtraction::~BackgroundExtraction() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void BackgroundExtraction::Run(const ExtractionRequest& request, std::unique_ptr<AddressList> list) {
    Relay relay(*this);
    result_ = Extract(request, relay, std::move(list));
    // Joined here, on the receiving thread, once the thread has nothing left to do.
    QMetaObject::invokeMethod(
        this,
        [this] {
            thread_.join();
            emit finished();
        },
        Qt::QueuedConnection);
}

}  // namespace mirelo
