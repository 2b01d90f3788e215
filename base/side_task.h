#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace mirelo {

// Runs side on a second thread while main runs on this one, and returns once both are
// done; when no thread can be started, side runs first on this one. Whatever side throws
// is thrown here after the join, as it would be on one thread.
template <typename Side, typename Main>
void RunBeside(Side&& side, Main&& main) {
    std::exception_ptr sideFailure;
    std::jthread thread;
    try {
        thread = std::jthread([&] {
            try {
                side();
            } catch (...) {
                sideFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        side();
    }
    main();
    if (thread.joinable()) thread.join();
    if (sideFailure) std::rethrow_exception(sideFailure);
}

}  // namespace mirelo
