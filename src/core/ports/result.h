// A success value or a short failure reason; shaped like std::expected so a
// later move to it is mechanical.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace lumari::core {

/// Why an operation failed, in a few words a user can read ("connection refused").
struct Error {
  std::string message;
};

/// Builds a failure value: `return fail("timed out");`.
[[nodiscard]] inline Error fail(std::string message) { return Error{std::move(message)}; }

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value)
      : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit on purpose
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  [[nodiscard]] bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  [[nodiscard]] T& value() & { return std::get<0>(state_); }
  [[nodiscard]] const T& value() const& { return std::get<0>(state_); }
  [[nodiscard]] T&& value() && { return std::get<0>(std::move(state_)); }
  [[nodiscard]] const Error& error() const { return std::get<1>(state_); }

  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::variant<T, Error> state_;
};

/// A result that carries no value, only success or a failure reason.
struct Done {};
using Status = Result<Done>;

[[nodiscard]] inline Status ok() { return Done{}; }

}  // namespace lumari::core
