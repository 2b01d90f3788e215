#pragma once

#include <cstdio>
#include <thread>

namespace mirelo {

// The stream to write a standard stream's UTF-8 text to. A Windows console shows bytes in
// its own code page, so when the stream is one, the text goes through a pipe to a thread
// that hands it to WriteConsoleW as UTF-16; redirected, and on other systems, the bytes go
// out as they are. The destructor sends out what is left.
class ConsoleOutput {
public:
    explicit ConsoleOutput(std::FILE* stream);
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    std::FILE* Stream() const { return piped_ ? piped_ : stream_; }

private:
    std::FILE* stream_;
    std::FILE* piped_ = nullptr;
    std::thread writer_;
};

// True when the program was started with a console of its own, as from Explorer, rather
// than from a prompt whose window stays when it ends.
bool OwnsItsConsole();

}  // namespace mirelo
