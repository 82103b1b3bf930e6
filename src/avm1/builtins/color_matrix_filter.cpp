// flash.filters.ColorMatrixFilter: a 4 × 5 matrix over the colour channels.
#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = swf::ColorMatrixFilter;

S defaults() { return S{}; }

Value get_matrix(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  ArrayObject* array = act.new_array();
  for (double v : s->matrix) array->push(Value(v));
  return Value(array);
}

// Any value but null and undefined is read as a list of 20 numbers; what
// it lacks is NaN. The player keeps single-precision numbers.
Value set_matrix(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  const Value& list = arg(args, 0);
  if (!s || list.is_nullish()) return Value();
  for (std::uint32_t i = 0; i < s->matrix.size(); ++i)
    s->matrix[i] = static_cast<float>(act.to_number(act.get(list, index_name(i))));
  return Value();
}

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  if (!args.empty()) set_matrix(act, self, args);
  return Value();
}

}  // namespace

void register_color_matrix_filter(Realm&, Activation& act) {
  ClassBuilder filter(act,
                      {"ColorMatrixFilter", constructor, nullptr, allocate_filter<S, defaults>},
                      bitmap_filter_prototype(act));
  filter.property("matrix", get_matrix, set_matrix, 0).method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
