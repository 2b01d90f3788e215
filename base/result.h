#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace mirelo {

// Why an operation failed: what could not be done, the system's reason when it gave one,
// and the error code behind it, for callers that tell failures apart.
struct Failure {
    std::string message;
    std::string reason = {};  // empty when there is none
    std::error_code code = {};

    std::string Text() const { return reason.empty() ? message : message + ": " + reason; }
};

// Failures the program tells apart beyond the system's own codes.
// Shortened: a file ended before the size it had when it was opened, as when another
// program shortens it while it is read.
enum class FailureCode { TemporaryFile = 1, Shortened };

const std::error_category& FailureCategory();
inline std::error_code make_error_code(FailureCode code) { return {static_cast<int>(code), FailureCategory()}; }

// A failure whose reason is the system's error number.
inline Failure SystemFailure(std::string message, int error) {
    const std::error_code code(error, std::generic_category());
    return {std::move(message), code.message(), code};
}
inline Failure SystemFailure(std::string message, std::error_code code) {
    return {std::move(message), code.message(), code};
}

// The value of an operation that succeeded, or the failure of one that did not.
template <typename T = void>
class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    T& Value() { return std::get<0>(state_); }
    const T& Value() const { return std::get<0>(state_); }
    const Failure& Error() const { return std::get<1>(state_); }

private:
    std::variant<T, Failure> state_;
};

// An operation without a value: it succeeded, or it failed.
template <>
class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool Ok() const { return !failure_; }
    const Failure& Error() const { return *failure_; }

private:
    std::optional<Failure> failure_;
};

}  // namespace mirelo

template <>
struct std::is_error_code_enum<mirelo::FailureCode> : std::true_type {};
