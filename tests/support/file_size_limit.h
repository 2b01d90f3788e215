#pragma once

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

namespace mirelo::testing {

// While it lives, lowers one of the process's limits (RLIMIT_...).
class ResourceLimit {
public:
    ResourceLimit(int resource, rlim_t value) : resource_(resource) {
        getrlimit(resource_, &original_);
        rlimit lower = original_;
        lower.rlim_cur = value;
        std::signal(SIGXFSZ, SIG_IGN);  // a write past a file-size limit fails rather than ending the process
        setrlimit(resource_, &lower);
    }
    ~ResourceLimit() {
        setrlimit(resource_, &original_);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    ResourceLimit(const ResourceLimit&) = delete;
    ResourceLimit& operator=(const ResourceLimit&) = delete;

private:
    int resource_;
    rlimit original_{};
};

// Writes past the given size fail with EFBIG, as on a disk that fills up.
struct FileSizeLimit : ResourceLimit { explicit FileSizeLimit(rlim_t bytes) : ResourceLimit(RLIMIT_FSIZE, bytes) {} };

}  // namespace mirelo::testing
#endif
