#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace mirelo::testing {

// Sets an environment variable (nothing: unsets it) and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) const {
#ifdef _WIN32
        _putenv_s(name_, value ? value->c_str() : "");  // an empty value removes it
#else
        value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace mirelo::testing
