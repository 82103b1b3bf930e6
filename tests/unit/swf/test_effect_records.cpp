// PlaceObject3's filters, blend mode and bitmap caching, and DefineButton2
// records with filters, read back from movies written with swfwriter.
#include <gtest/gtest.h>

#include <variant>

#include "swf/dictionary.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/tags.h"
#include "swfwriter/swfwriter.h"

namespace strandel::swf {
namespace {

// The placement that the movie's first PlaceObject3 asks for.
std::optional<Placement> first_place3(const swfw::Movie& m) {
  auto r = read_movie(m.bytes());
  if (!r.movie) return std::nullopt;
  for (const TagRecord& t : r.movie->tags)
    if (t.code == code(TagCode::PlaceObject3)) return read_placement(t.code, r.movie->body(t));
  return std::nullopt;
}

swfw::Place place_with(std::vector<swfw::Bytes> filters) {
  swfw::Place p;
  p.character = 1;
  p.name = "clip";
  p.clip_depth = 7;
  p.blend_mode = 3;
  p.cache_as_bitmap = true;
  p.filters = std::move(filters);
  return p;
}

TEST(EffectRecords, PlaceObject3ReadsEveryFilterFieldAndWhatFollows) {
  swfw::FilterOptions shadow;
  shadow.blur_x = 2.5;
  shadow.blur_y = 6;
  shadow.angle = -1.5;
  shadow.distance = 8;
  shadow.strength = 1.5;
  shadow.knockout = true;
  shadow.hide_object = true;
  shadow.passes = 3;
  swfw::FilterOptions bevel;
  bevel.inner = true;
  bevel.on_top = true;
  bevel.passes = 15;
  swfw::Movie m(8, 100, 100, 12);
  m.place3(place_with({swfw::drop_shadow_filter(swfw::rgba(1, 2, 3, 4), shadow),
                       swfw::blur_filter(10, 20, 31),
                       swfw::bevel_filter(swfw::rgb(255, 255, 255), swfw::rgb(9, 9, 9), bevel),
                       swfw::color_matrix_filter({0.5f, 0, 0, 0, 10})}));
  auto p = first_place3(m);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->clip_depth, 7);
  EXPECT_EQ(p->blend_mode, BlendMode::Multiply);
  EXPECT_EQ(p->cache_as_bitmap, true);
  ASSERT_TRUE(p->filters);
  ASSERT_EQ(p->filters->size(), 4u);

  const auto& d = std::get<DropShadowFilter>((*p->filters)[0]);
  EXPECT_EQ(d.color, (Rgba{1, 2, 3, 4}));
  EXPECT_DOUBLE_EQ(d.blur_x, 2.5);
  EXPECT_DOUBLE_EQ(d.blur_y, 6);
  EXPECT_NEAR(d.angle, -1.5, 1e-4);
  EXPECT_DOUBLE_EQ(d.distance, 8);
  EXPECT_DOUBLE_EQ(d.strength, 1.5);
  EXPECT_FALSE(d.inner);
  EXPECT_TRUE(d.knockout);
  EXPECT_TRUE(d.hide_object);
  EXPECT_EQ(d.passes, 3);

  const auto& b = std::get<BlurFilter>((*p->filters)[1]);
  EXPECT_DOUBLE_EQ(b.blur_y, 20);
  EXPECT_EQ(b.passes, 31);

  const auto& v = std::get<BevelFilter>((*p->filters)[2]);
  EXPECT_EQ(v.highlight, (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(v.shadow, (Rgba{9, 9, 9, 255}));
  EXPECT_TRUE(v.inner);
  EXPECT_TRUE(v.on_top);
  EXPECT_EQ(v.passes, 15);

  const auto& c = std::get<ColorMatrixFilter>((*p->filters)[3]);
  EXPECT_DOUBLE_EQ(c.matrix[0], 0.5);
  EXPECT_DOUBLE_EQ(c.matrix[4], 10);
  EXPECT_DOUBLE_EQ(c.matrix[19], 0);
}

TEST(EffectRecords, AnUnknownFilterKeepsThePlacementWithoutEffects) {
  swfw::Movie m(8, 100, 100, 12);
  m.place3(place_with({swfw::Bytes{9, 0, 0, 0}}));  // no filter has id 9
  auto p = first_place3(m);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->character_id, 1);
  EXPECT_EQ(p->name, "clip");
  EXPECT_FALSE(p->filters);
  EXPECT_FALSE(p->blend_mode);

  DisplayList list;
  ASSERT_NE(apply_placement(list, *p), nullptr);
  EXPECT_EQ(list[script_depth(1)]->blend_mode, BlendMode::Normal);
}

TEST(EffectRecords, PlacementEffectsReachTheObjectAndStayOnMove) {
  swfw::Movie m(8, 100, 100, 12);
  m.place3(place_with({swfw::glow_filter(swfw::rgb(0, 255, 0), {})}));
  auto p = first_place3(m);
  ASSERT_TRUE(p);
  DisplayList list;
  apply_placement(list, *p);
  Placement move;
  move.depth = p->depth;
  move.move = true;
  move.matrix = Matrix{2, 0, 0, 2, 0, 0};
  const DisplayObject* obj = apply_placement(list, move);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->blend_mode, BlendMode::Multiply);
  EXPECT_TRUE(obj->cache_as_bitmap);
  ASSERT_EQ(obj->filters.size(), 1u);
  EXPECT_EQ(std::get<GlowFilter>(obj->filters[0]).color, (Rgba{0, 255, 0, 255}));
}

}  // namespace
}  // namespace strandel::swf
