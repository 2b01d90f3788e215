#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "base/native_path.h"

namespace mirelo::testing {

// Sets an environment variable (nothing: unsets it) and puts the old value back. Values
// are UTF-8; on Windows they go to the wide environment, which the program reads.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
#ifdef _WIN32
        if (const wchar_t* old = _wgetenv(Wide(name).c_str())) old_ = PathText(old);
#endif
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) const {
#ifdef _WIN32
        _wputenv_s(Wide(name_).c_str(), Wide(value.value_or("")).c_str());  // an empty value removes it
#else
        value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
#endif
    }

#ifdef _WIN32
    static std::wstring Wide(const std::string& text) {
        return std::filesystem::path(std::u8string(text.begin(), text.end())).wstring();
    }
#endif

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace mirelo::testing
