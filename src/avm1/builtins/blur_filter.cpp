// flash.filters.BlurFilter.
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = swf::BlurFilter;

S defaults() { return S{}; }

constexpr NativeFn kArguments[] = {set_number<S, &S::blur_x, clamp_to_255>,
                                   set_number<S, &S::blur_y, clamp_to_255>,
                                   set_quality<S, &S::passes>};

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  apply_arguments(act, self, args, kArguments);
  return Value();
}

}  // namespace

void register_blur_filter(Realm&, Activation& act) {
  ClassBuilder filter(act, {"BlurFilter", constructor, nullptr, allocate_filter<S, defaults>},
                      bitmap_filter_prototype(act));
  filter.property("blurX", get_field<S, &S::blur_x>, kArguments[0], 0)
      .property("blurY", get_field<S, &S::blur_y>, kArguments[1], 0)
      .property("quality", get_field<S, &S::passes>, kArguments[2], 0)
      .method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
