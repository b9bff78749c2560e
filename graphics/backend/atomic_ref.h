// Atomic access to a plain object, as std::atomic_ref gives it, on every
// standard library the back ends are built with: the libc++ of Debian 12's
// Emscripten has no std::atomic_ref. Only the operations the canvas uses.
#pragma once

#include <atomic>

template <typename Value>
struct Atomic_Ref {
  Value& Object;

  explicit Atomic_Ref(Value& Of) : Object(Of) {}

  // std::memory_order's values are the compilers' own __ATOMIC_ orders.
  Value load(std::memory_order Order) const { return __atomic_load_n(&Object, static_cast<int>(Order)); }
  void store(Value New, std::memory_order Order) { __atomic_store_n(&Object, New, static_cast<int>(Order)); }
  Value exchange(Value New, std::memory_order Order) {
    return __atomic_exchange_n(&Object, New, static_cast<int>(Order));
  }
  Value fetch_add(Value By, std::memory_order Order) { return __atomic_fetch_add(&Object, By, static_cast<int>(Order)); }
};
