#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tarvelin {

// Why a step of the tool did not happen, as the author reads it: "FILE: fault".
struct Fault {
  std::string text;
};

// What every step of the tool that can fail gives: its value, or the fault. Outcome<> is a step
// with nothing to give but success.
template <class T = std::monostate>
class [[nodiscard]] Outcome {
 public:
  Outcome() = default;
  Outcome(T value) : state_(std::move(value)) {}
  Outcome(Fault fault) : state_(std::move(fault)) {}

  explicit operator bool() const { return !std::holds_alternative<Fault>(state_); }
  T& operator*() { return std::get<T>(state_); }
  const T& operator*() const { return std::get<T>(state_); }
  T* operator->() { return &std::get<T>(state_); }
  const T* operator->() const { return &std::get<T>(state_); }
  const std::string& fault() const { return std::get<Fault>(state_).text; }

 private:
  std::variant<T, Fault> state_;
};

}  // namespace tarvelin
