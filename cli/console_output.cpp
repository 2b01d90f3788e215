#include "cli/console_output.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>
#endif

namespace mirelo {

#ifdef _WIN32

namespace {

// How many bytes at the end of text begin a UTF-8 sequence that the next read completes.
std::size_t UnfinishedTail(const std::string& text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

void WriteToConsole(HANDLE console, const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    for (std::size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(wide.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

void CopyToConsole(HANDLE pipe, HANDLE console) {
    std::string pending;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        pending.append(buffer, read);
        const std::size_t tail = UnfinishedTail(pending);
        WriteToConsole(console, pending.substr(0, pending.size() - tail));
        pending.erase(0, pending.size() - tail);
    }
    WriteToConsole(console, pending);
    CloseHandle(pipe);
}

}  // namespace

ConsoleOutput::ConsoleOutput(std::FILE* stream) : stream_(stream) {
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_BINARY);
    piped_ = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
    if (!piped_) {
        if (descriptor >= 0)
            _close(descriptor);
        else
            CloseHandle(writeEnd);
        CloseHandle(readEnd);
        return;
    }
    std::setvbuf(piped_, nullptr, _IONBF, 0);  // status lines show as they come
    writer_ = std::thread(CopyToConsole, readEnd, console);
}

ConsoleOutput::~ConsoleOutput() {
    if (!piped_) return;
    std::fclose(piped_);
    writer_.join();
}

bool OwnsItsConsole() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

#else

ConsoleOutput::ConsoleOutput(std::FILE* stream) : stream_(stream) {}

ConsoleOutput::~ConsoleOutput() = default;

bool OwnsItsConsole() { return false; }

#endif

}  // namespace mirelo
