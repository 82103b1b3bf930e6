// flash.filters.BevelFilter.
#include "avm1/builtins/builtins.h"
#include "avm1/builtins/filter_object.h"
#include "avm1/builtins/flash_package.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

using S = swf::BevelFilter;

S defaults() {
  S s;
  s.angle = kDefaultFilterAngle;
  return s;
}

constexpr NativeFn kArguments[] = {set_number<S, &S::distance>,
                                   set_angle<S, &S::angle>,
                                   set_color<S, &S::highlight>,
                                   set_alpha<S, &S::highlight>,
                                   set_color<S, &S::shadow>,
                                   set_alpha<S, &S::shadow>,
                                   set_number<S, &S::blur_x, clamp_to_255>,
                                   set_number<S, &S::blur_y, clamp_to_255>,
                                   set_number<S, &S::strength, clamp_to_255>,
                                   set_quality<S, &S::passes>,
                                   set_type<S>,
                                   set_bool<S, &S::knockout>};

Value constructor(Activation& act, const Value& self, std::span<const Value> args) {
  apply_arguments(act, self, args, kArguments);
  return Value();
}

}  // namespace

void register_bevel_filter(Realm&, Activation& act) {
  ClassBuilder filter(act, {"BevelFilter", constructor, nullptr, allocate_filter<S, defaults>},
                      bitmap_filter_prototype(act));
  filter.property("distance", get_field<S, &S::distance>, kArguments[0], 0)
      .property("angle", get_angle<S, &S::angle>, kArguments[1], 0)
      .property("highlightColor", get_field<S, &S::highlight>, kArguments[2], 0)
      .property("highlightAlpha", get_alpha<S, &S::highlight>, kArguments[3], 0)
      .property("shadowColor", get_field<S, &S::shadow>, kArguments[4], 0)
      .property("shadowAlpha", get_alpha<S, &S::shadow>, kArguments[5], 0)
      .property("quality", get_field<S, &S::passes>, kArguments[9], 0)
      .property("strength", get_field<S, &S::strength>, kArguments[8], 0)
      .property("knockout", get_field<S, &S::knockout>, kArguments[11], 0)
      .property("blurX", get_field<S, &S::blur_x>, kArguments[6], 0)
      .property("blurY", get_field<S, &S::blur_y>, kArguments[7], 0)
      .property("type", get_type<S>, kArguments[10], 0)
      .method("clone", clone_filter<S>, 0);
  filter.install(flash_package(act, "filters"), 0);
}

}  // namespace strandel::avm1
