// The built-in classes and functions. Each file here registers one class
// (or the global functions) with one function; register_builtins calls them
// in an order where each finds what it builds on.
#pragma once

namespace strandel::avm1 {

class Activation;
struct Realm;

class Object;
class Value;

void register_builtins(Realm& realm, Activation& act);
// Gives an object addListener, removeListener, broadcastMessage and its own
// _listeners, as AsBroadcaster.initialize does.
void make_broadcaster(Activation& act, Object* object);

void register_object(Realm& realm, Activation& act);  // also makes Function.prototype
void register_function(Realm& realm, Activation& act);
void register_globals(Realm& realm, Activation& act);
void register_array(Realm& realm, Activation& act);
void register_string(Realm& realm, Activation& act);
void register_number(Realm& realm, Activation& act);
void register_boolean(Realm& realm, Activation& act);
void register_math(Realm& realm, Activation& act);
void register_date(Realm& realm, Activation& act);
void register_as_broadcaster(Realm& realm, Activation& act);
void register_color(Realm& realm, Activation& act);
void register_movie_clip(Realm& realm, Activation& act);
// The display-tree and geometry methods, on MovieClip.prototype.
void register_movie_clip_tree(Activation& act, Object* proto);
void register_movie_clip_display(Realm& realm, Activation& act);
// Copies an init object's enumerable properties onto a new clip.
void copy_init_object(Activation& act, Object* clip, const Value& init);
void register_button(Realm& realm, Activation& act);
void register_key(Realm& realm, Activation& act);
void register_mouse(Realm& realm, Activation& act);
void register_stage(Realm& realm, Activation& act);
void register_sound(Realm& realm, Activation& act);
void register_error(Realm& realm, Activation& act);
void register_system(Realm& realm, Activation& act);
void register_xml_node(Realm& realm, Activation& act);
void register_xml(Realm& realm, Activation& act);  // after XMLNode
void register_xml_socket(Realm& realm, Activation& act);
void register_load_vars(Realm& realm, Activation& act);
void register_load_variables(Realm& realm, Activation& act);  // after MovieClip
void register_text_field(Realm& realm, Activation& act);      // after MovieClip
// What a text field's object gets when made: it broadcasts to its
// listeners, itself the first.
void init_text_field_object(Activation& act, Object* field);
void register_text_format(Realm& realm, Activation& act);
void register_selection(Realm& realm, Activation& act);
void register_text_snapshot(Realm& realm, Activation& act);      // after MovieClip
void register_movie_clip_loader(Realm& realm, Activation& act);  // after MovieClip
void register_style_sheet(Realm& realm, Activation& act);        // after TextField
// flash.geom
void register_point(Realm& realm, Activation& act);
void register_rectangle(Realm& realm, Activation& act);
void register_matrix(Realm& realm, Activation& act);
void register_color_transform(Realm& realm, Activation& act);
void register_transform(Realm& realm, Activation& act);
void register_context_menu(Realm& realm, Activation& act);
void register_print_job(Realm& realm, Activation& act);
void register_local_connection(Realm& realm, Activation& act);
void register_shared_object(Realm& realm, Activation& act);
void register_streams(Realm& realm, Activation& act);  // Camera, NetConnection, XMLSocket...
void register_net_stream(Realm& realm, Activation& act);
void register_video(Realm& realm, Activation& act);
void register_accessibility(Realm& realm, Activation& act);
void register_external_interface(Realm& realm, Activation& act);
// Last: ASnative and its kin number the functions registered before.
void register_native_table(Realm& realm, Activation& act);
// flash.filters: BitmapFilter first, the others inherit from it
void register_bitmap_filter(Realm& realm, Activation& act);
void register_drop_shadow_filter(Realm& realm, Activation& act);
void register_blur_filter(Realm& realm, Activation& act);
void register_glow_filter(Realm& realm, Activation& act);
void register_bevel_filter(Realm& realm, Activation& act);
void register_gradient_filters(Realm& realm, Activation& act);
void register_convolution_filter(Realm& realm, Activation& act);
void register_color_matrix_filter(Realm& realm, Activation& act);
void register_displacement_map_filter(Realm& realm, Activation& act);
// flash.display
void register_bitmap_data(Realm& realm, Activation& act);

}  // namespace strandel::avm1
