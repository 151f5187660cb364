#pragma once

namespace platform {

// Visits a variant with one lambda per alternative.
template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
// clang 14 does not deduce aggregate template arguments by itself.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace platform
