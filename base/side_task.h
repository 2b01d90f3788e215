#pragma once

#include <exception>
#include <thread>

namespace mirelo {

// Runs side on a second thread while main runs on this one, and returns once both are
// done. Whatever side throws is thrown here after the join, as it would be on one thread.
template <typename Side, typename Main>
void RunBeside(Side&& side, Main&& main) {
    std::exception_ptr sideFailure;
    {
        std::jthread thread([&] {
            try {
                side();
            } catch (...) {
                sideFailure = std::current_exception();
            }
        });
        main();
    }
    if (sideFailure) std::rethrow_exception(sideFailure);
}

}  // namespace mirelo
