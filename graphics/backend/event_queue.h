// A bounded single-producer single-consumer queue without locks: the back
// end's window thread (or a test) pushes key presses and mouse events, the
// program's thread peeks and pops them. Neither side ever waits on the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

template <typename Item, size_t Capacity>
struct Event_Queue {
  static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

  std::unique_ptr<Item[]> Slots = std::make_unique<Item[]>(Capacity);
  std::atomic<uint64_t> Head{0};  // next to pop; written by the consumer
  std::atomic<uint64_t> Tail{0};  // next to push; written by the producer

  // Producer: false when the queue is full (the item is dropped).
  bool Push(const Item& Value) {
    const uint64_t T = Tail.load(std::memory_order_relaxed);
    if (T - Head.load(std::memory_order_acquire) == Capacity) return false;
    Slots[T & (Capacity - 1)] = Value;
    Tail.store(T + 1, std::memory_order_release);
    return true;
  }

  // Consumer: whether an item waits.
  bool Is_Empty() const {
    return Head.load(std::memory_order_relaxed) == Tail.load(std::memory_order_acquire);
  }

  // Consumer: takes the oldest item into Value; false when none waits.
  bool Pop(Item& Value) {
    const uint64_t H = Head.load(std::memory_order_relaxed);
    if (H == Tail.load(std::memory_order_acquire)) return false;
    Value = Slots[H & (Capacity - 1)];
    Head.store(H + 1, std::memory_order_release);
    return true;
  }

  // Consumer, with no producer running: forget everything waiting.
  void Clear() { Head.store(Tail.load(std::memory_order_acquire), std::memory_order_release); }
};

// The library's key and mouse queues, shared by the back ends.
struct Mouse_Event_Record {
  int32_t Code, X, Y;
};
constexpr size_t Key_Queue_Capacity = 1 << 17;   // more than 65,536 waiting presses
constexpr size_t Mouse_Queue_Capacity = 1 << 12;
using Key_Queue = Event_Queue<int32_t, Key_Queue_Capacity>;
using Mouse_Queue = Event_Queue<Mouse_Event_Record, Mouse_Queue_Capacity>;
