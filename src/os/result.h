// Errors as values: an operation returns success (optionally with a value)
// or a one-line error text built as context, ": ", cause. Nothing is thrown.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace korvane {

// The error half of a Result; a distinct type so that a Result<std::string>
// can be built from either side without ambiguity.
struct Error {
    std::string text;
};

inline Error error(std::string text) { return Error{std::move(text)}; }

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error e) : state_(std::in_place_index<1>, std::move(e)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const std::string& error() const { return std::get<1>(state_).text; }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error e) : error_(std::move(e.text)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool failed_ = false;
};

// Success of a Result<void>, spelled as a word at return sites.
inline Result<void> success() { return {}; }

// Keeps the outcome of a Result<T> and drops its value.
template <typename T>
Result<void> drop_value(const Result<T>& r) {
    if (r.ok()) return success();
    return Error{r.error()};
}

}  // namespace korvane
