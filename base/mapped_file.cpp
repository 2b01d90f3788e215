#include "base/mapped_file.h"

#ifdef _WIN32

namespace mirelo {

// Windows reports a page lost under a view as an exception that only structured exception
// handling catches, so its files are read.
MappedFile::MappedFile(std::FILE*) {}
MappedFile::~MappedFile() = default;
bool MappedFile::CutShort() const { return false; }
void MappedFile::Release(std::size_t) {}

}  // namespace mirelo

#else

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace mirelo {

namespace {

// The mappings a bus error may hit. A signal handler finds only what is global, so these
// are; a reading that finds no free place reads its file instead.
struct GuardedRange {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cutShort{false};
};
constexpr int kGuardedRanges = 64;
GuardedRange guardedRanges[kGuardedRanges];
struct sigaction earlierBusHandler;
std::uintptr_t pageSize = 0;

// The rest of a mapping whose file was cut short becomes zeros, and the access that
// faulted reads them. A bus error elsewhere goes back to the handler there was before,
// which the access, made again, meets.
void OnBusError(int, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedRange& range : guardedRanges) {
        const std::uintptr_t begin = range.begin.load(), end = range.end.load();
        if (address < begin || address >= end) continue;
        const std::uintptr_t page = address & ~(pageSize - 1);
        if (mmap(reinterpret_cast<void*>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                 0) == MAP_FAILED)
            break;
        range.cutShort.store(true);
        return;
    }
    sigaction(SIGBUS, &earlierBusHandler, nullptr);
    if (info->si_code <= 0) raise(SIGBUS);  // sent, not met: it comes again only when raised
}

bool GuardAgainstBusErrors() {
    static const bool installed = [] {
        pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return sigaction(SIGBUS, &action, &earlierBusHandler) == 0;
    }();
    return installed;
}

int Guard(const void* begin, std::size_t size) {
    if (!GuardAgainstBusErrors()) return -1;
    for (int i = 0; i < kGuardedRanges; ++i) {
        std::uintptr_t free = 0;
        if (!guardedRanges[i].begin.compare_exchange_strong(free, reinterpret_cast<std::uintptr_t>(begin))) continue;
        guardedRanges[i].cutShort.store(false);
        guardedRanges[i].end.store(reinterpret_cast<std::uintptr_t>(begin) + size);
        return i;
    }
    return -1;
}

}  // namespace

MappedFile::MappedFile(std::FILE* file) {
    const int descriptor = fileno(file);
    struct stat status {};
    if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return;
    const auto size = static_cast<std::size_t>(status.st_size);
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (bytes == MAP_FAILED) return;
    guard_ = Guard(bytes, size);
    if (guard_ < 0) {
        munmap(bytes, size);
        return;
    }
    madvise(bytes, size, MADV_SEQUENTIAL);
    bytes_ = std::string_view(static_cast<const char*>(bytes), size);
}

MappedFile::~MappedFile() {
    if (guard_ < 0) return;
    GuardedRange& range = guardedRanges[guard_];
    range.end.store(0);
    munmap(const_cast<char*>(bytes_.data()), bytes_.size());
    range.begin.store(0);
}

bool MappedFile::CutShort() const { return guard_ >= 0 && guardedRanges[guard_].cutShort.load(); }

void MappedFile::Release(std::size_t offset) {
    if (guard_ < 0) return;
    // In steps of a few megabytes: each release makes every processor forget the
    // mapping's pages, which costs more than the memory it frees.
    const std::size_t upTo = offset & ~std::size_t{pageSize - 1};
    if (upTo < released_ + (std::size_t{4} << 20)) return;
    madvise(const_cast<char*>(bytes_.data()) + released_, upTo - released_, MADV_DONTNEED);
    released_ = upTo;
}

}  // namespace mirelo

#endif
