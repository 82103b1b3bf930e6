// flash.filters.ConvolutionFilter: a matrix of up to 15 × 15 cells. The
// list of cells keeps whatever length a script gave it, and grows with
// zeros to cover matrixX × matrixY.
#include <algorithm>

#include "avm1/array.h"
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/machine.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = swf::ConvolutionFilter;

constexpr int kMaxMatrixSide = 15;
// Longest list of cells read from a script's array: far beyond the 225
// cells a matrix uses, but a bound on a length like 1e9.
constexpr int kMaxMatrixList = 1 << 16;

S defaults() { return S{}; }

void cover_matrix(S& s) {
  std::size_t cells = std::size_t(s.columns) * std::size_t(s.rows);
  if (s.matrix.size() < cells) s.matrix.resize(cells, 0.f);
}

Value get_matrix(Activation& act, const Value& self, std::span<const Value>) {
  S* s = filter_state<S>(self);
  if (!s) return Value();
  ArrayObject* array = act.new_array();
  for (float v : s->matrix) array->push(Value(double(v)));
  return Value(array);
}

Value set_matrix(Activation& act, const Value& self, std::span<const Value> args) {
  S* s = filter_state<S>(self);
  const Value& list = arg(args, 0);
  if (!s || list.is_nullish()) return Value();
  int n = std::clamp(act.to_int32(act.get(list, "length")), 0, kMaxMatrixList);
  s->matrix.assign(std::size_t(n), 0.f);
  for (int i = 0; i < n; ++i)
    s->matrix[i] = static_cast<float>(act.to_number(act.get(list, index_name(std::uint32_t(i)))));
  cover_matrix(*s);
  return Value();
}

template <int S::*Side>
Value set_side(Activation& act, const Value& self, std::span<const Value> args) {
  if (S* s = filter_state<S>(self)) {
    s->*Side = std::clamp(act.to_int32(arg(args, 0)), 0, kMaxMatrixSide);
    cover_matrix(*s);
  }
  return Value();
}

constexpr NativeFn kArguments[] = {set_side<&S::columns>,
                                   set_side<&S::rows>,
                                   set_matrix,
                                   set_number<S, &S::divisor>,
                                   set_number<S, &S::bias>,
                                   set_bool<S, &S::preserve_alpha>,
                                   set_bool<S, &S::clamp>,
                                   set_color<S, &S::default_color>,
                                   set_alpha<S, &S::default_color>};

// A colour given to the constructor without an alpha is opaque.
Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  apply_arguments(act, self, args, kArguments);
  if (args.size() == 8)
    if (S* s = filter_state<S>(self)) s->default_color.a = 255;
  return Value();
}

}  // namespace

void register_convolution_filter(Realm&, Activation& act) {
  ClassBuilder filter(act,
                      {"ConvolutionFilter", constructor, nullptr, allocate_filter<S, defaults>},
                      bitmap_filter_prototype(act));
  filter.property("matrixX", get_field<S, &S::columns>, kArguments[0], 0)
      .property("matrixY", get_field<S, &S::rows>, kArguments[1], 0)
      .property("matrix", get_matrix, set_matrix, 0)
      .property("divisor", get_field<S, &S::divisor>, kArguments[3], 0)
      .property("bias", get_field<S, &S::bias>, kArguments[4], 0)
      .property("preserveAlpha", get_field<S, &S::preserve_alpha>, kArguments[5], 0)
      .property("clamp", get_field<S, &S::clamp>, kArguments[6], 0)
      .property("color", get_field<S, &S::default_color>, kArguments[7], 0)
      .property("alpha", get_alpha<S, &S::default_color>, kArguments[8], 0)
      .method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
