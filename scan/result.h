#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace mirelo {

// Why an operation failed: what could not be done and, when the system gave one, its reason.
struct Failure {
    std::string message;
    std::string reason = {};  // empty when there is none

    std::string Text() const { return reason.empty() ? message : message + ": " + reason; }
};

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
