#include "avm1/heap.h"

#include <algorithm>

#include "avm1/errors.h"
#include "avm1/object.h"
#include "avm1/value.h"

namespace strandel::avm1 {

namespace {

// Cells one frame's scripts may make before they are stopped: the heap is
// collected only between frames, so this bounds a runaway allocation loop
// (a few hundred bytes each, about a gigabyte in all).
constexpr std::size_t kMaxCellsPerFrame = 4'000'000;
// Memory cells may hold outside the heap: a few dozen bitmaps of the
// largest size the player allows.
constexpr std::size_t kMaxExternalBytes = std::size_t(1) << 30;

}  // namespace

void Tracer::mark(const Value& value) {
  if (Object* o = value.object()) mark(static_cast<Cell*>(o));
}

Heap::~Heap() {
  // Cells may point at each other; none looks at another while being freed.
  cells_.clear();
}

void Heap::adopt(std::unique_ptr<Cell> cell) {
  if (allocated_since_collect() >= kMaxCellsPerFrame) {
    throw ScriptHalt{"the scripts made too many objects in one frame"};
  }
  cells_.push_back(std::move(cell));
}

bool Heap::reserve_external(std::size_t bytes) {
  if (bytes > kMaxExternalBytes - external_bytes_) return false;
  external_bytes_ += bytes;
  return true;
}

void Heap::release_external(std::size_t bytes) {
  external_bytes_ -= std::min(bytes, external_bytes_);
}

std::size_t Heap::collect(const std::function<void(Tracer&)>& mark_roots) {
  Tracer tracer;
  mark_roots(tracer);
  while (!tracer.pending_.empty()) {
    Cell* cell = tracer.pending_.back();
    tracer.pending_.pop_back();
    cell->trace(tracer);
  }
  std::size_t kept = 0, before = cells_.size();
  for (auto& cell : cells_) {
    if (cell->marked_) {
      cell->marked_ = false;
      cells_[kept++] = std::move(cell);
    }
  }
  // Freed cells go only after every survivor has moved, so no destructor
  // runs while the vector is half compacted.
  std::vector<std::unique_ptr<Cell>> dead(std::make_move_iterator(cells_.begin() + kept),
                                          std::make_move_iterator(cells_.end()));
  cells_.resize(kept);
  after_last_collect_ = kept;
  dead.clear();
  return before - kept;
}

}  // namespace strandel::avm1
