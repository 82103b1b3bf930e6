#include "avm1/builtins/builtins.h"

namespace strandel::avm1 {

void register_builtins(Realm& realm, Activation& act) {
  register_object(realm, act);
  register_function(realm, act);
  register_globals(realm, act);
  register_array(realm, act);
  register_string(realm, act);
  register_number(realm, act);
  register_boolean(realm, act);
  register_math(realm, act);
  register_date(realm, act);
  register_error(realm, act);
  register_as_broadcaster(realm, act);
  register_movie_clip(realm, act);
  register_movie_clip_display(realm, act);
  register_button(realm, act);
  register_key(realm, act);
  register_mouse(realm, act);
  register_stage(realm, act);
  register_sound(realm, act);
  register_color(realm, act);
  register_system(realm, act);
  register_xml_node(realm, act);
  register_xml(realm, act);
  register_xml_socket(realm, act);
  register_load_vars(realm, act);
  register_load_variables(realm, act);
  register_text_field(realm, act);  // after MovieClip
  register_text_format(realm, act);
  register_selection(realm, act);
  register_text_snapshot(realm, act);
  register_movie_clip_loader(realm, act);
  register_style_sheet(realm, act);
  register_point(realm, act);
  register_rectangle(realm, act);
  register_matrix(realm, act);
  register_color_transform(realm, act);
  register_transform(realm, act);
  register_context_menu(realm, act);
  register_print_job(realm, act);
  register_local_connection(realm, act);
  register_shared_object(realm, act);
  register_streams(realm, act);
  register_net_stream(realm, act);
  register_video(realm, act);
  register_accessibility(realm, act);
  register_external_interface(realm, act);
  register_native_table(realm, act);
  register_bitmap_filter(realm, act);
  register_drop_shadow_filter(realm, act);
  register_blur_filter(realm, act);
  register_glow_filter(realm, act);
  register_bevel_filter(realm, act);
  register_gradient_filters(realm, act);
  register_convolution_filter(realm, act);
  register_color_matrix_filter(realm, act);
  register_displacement_map_filter(realm, act);
  register_bitmap_data(realm, act);
}

}  // namespace strandel::avm1
