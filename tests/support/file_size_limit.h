#pragma once

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

namespace mirelo::testing {

// While it lives, writes past the given size fail with EFBIG, as on a disk that fills up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &original_);
        rlimit small = original_;
        small.rlim_cur = bytes;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &original_);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit original_{};
};

}  // namespace mirelo::testing
#endif
