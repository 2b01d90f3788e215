#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace mirelo {

// A loop of two stages over a ring of items: fill makes an item and says whether more may
// follow; use takes the items in the order made and says whether to go on. With beside,
// fill runs on a second thread, as many items ahead as the ring holds, while use runs on
// this one; otherwise, or when no thread can be started, the two take turns here. Either
// way use sees the same items in the same order, and whatever a stage throws is thrown
// here once both have ended.
template <typename Item, typename Fill, typename Use>
void RunTwoStages(std::vector<Item>& ring, bool beside, Fill&& fill, Use&& use) {
    if (beside && ring.size() > 1) {
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t filled = 0;
        std::size_t used = 0;
        bool last = false;  // no item after the filled ones
        bool stop = false;  // use wants no more, or has failed
        std::exception_ptr fillFailure;
        const auto fillAll = [&] {
            try {
                for (std::size_t n = 0;; ++n) {
                    {
                        std::unique_lock lock(mutex);
                        changed.wait(lock, [&] { return stop || n - used < ring.size(); });
                        if (stop) return;
                    }
                    const bool more = fill(ring[n % ring.size()]);
                    const std::lock_guard lock(mutex);
                    filled = n + 1;
                    last = !more;
                    changed.notify_all();
                    if (!more) return;
                }
            } catch (...) {
                const std::lock_guard lock(mutex);
                fillFailure = std::current_exception();
                last = true;
                changed.notify_all();
            }
        };
        // After all it uses, so that it is joined before they go, also when use throws.
        std::jthread thread;
        try {
            thread = std::jthread(fillAll);
        } catch (const std::system_error&) {
        }
        if (thread.joinable()) {
            try {
                for (std::size_t n = 0;; ++n) {
                    {
                        std::unique_lock lock(mutex);
                        changed.wait(lock, [&] { return filled > n || last; });
                        if (filled <= n) break;
                    }
                    const bool goOn = use(ring[n % ring.size()]);
                    const std::lock_guard lock(mutex);
                    used = n + 1;
                    stop = !goOn;
                    changed.notify_all();
                    if (!goOn) break;
                }
            } catch (...) {
                {
                    const std::lock_guard lock(mutex);
                    stop = true;
                    changed.notify_all();
                }
                throw;  // the thread is joined on the way out
            }
            thread.join();
            if (fillFailure) std::rethrow_exception(fillFailure);
            return;
        }
    }
    for (bool more = true; more;) {
        more = fill(ring.front());
        if (!use(ring.front())) return;
    }
}

}  // namespace mirelo
