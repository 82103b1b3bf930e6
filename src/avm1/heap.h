// The heap that owns every script object. Objects are made through it and
// freed by mark and sweep, which runs only between frames, when no script is
// running: so C++ code may hold plain pointers to script objects for as long
// as a script runs, and needs no handles. Whatever lives longer (a display
// object's script object, an interval's function) is reached from a root.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace strandel::avm1 {

class Tracer;
class Value;

// Anything the heap owns. A subclass that holds pointers to other cells (or
// values) marks them in trace().
class Cell {
 public:
  Cell() = default;
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;
  virtual ~Cell() = default;
  virtual void trace(Tracer& tracer) = 0;

 private:
  friend class Heap;
  friend class Tracer;
  bool marked_ = false;
};

// Marks what is reachable; a work list keeps deep chains off the C++ stack.
class Tracer {
 public:
  void mark(Cell* cell) {
    if (cell && !cell->marked_) {
      cell->marked_ = true;
      pending_.push_back(cell);
    }
  }
  void mark(const Value& value);

 private:
  friend class Heap;
  std::vector<Cell*> pending_;
};

class Heap {
 public:
  Heap() = default;
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;
  ~Heap();

  template <class T, class... Args>
  T* make(Args&&... args) {
    auto cell = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = cell.get();
    adopt(std::move(cell));
    return raw;
  }

  // Marks from the roots the callback gives, then frees every cell not marked.
  // Returns how many cells were freed.
  std::size_t collect(const std::function<void(Tracer&)>& mark_roots);

  std::size_t size() const { return cells_.size(); }
  // Cells made since the last collection.
  std::size_t allocated_since_collect() const { return cells_.size() - after_last_collect_; }

  // Memory cells hold outside themselves (a bitmap's pixels), counted so
  // scripts cannot take unbounded memory: false, reserving nothing, when
  // `bytes` more would pass the cap. A cell releases what it reserved when
  // it lets go of that memory or is freed.
  bool reserve_external(std::size_t bytes);
  void release_external(std::size_t bytes);

 private:
  void adopt(std::unique_ptr<Cell> cell);

  std::vector<std::unique_ptr<Cell>> cells_;
  std::size_t after_last_collect_ = 0;
  std::size_t external_bytes_ = 0;
};

}  // namespace strandel::avm1
