// The built-in block-letter font: 5×7 cell patterns turned into glyph shapes.
#include <cmath>

#include "swfwriter/swfwriter.h"

namespace swfw {
namespace {

struct Pattern {
  char code;
  const char* rows[7];
};

// Upper case, digits and a little punctuation; lower case reuses the capitals
// at a smaller height.
constexpr Pattern patterns[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
};

constexpr int columns = 5, rows = 7;

// Cells are 100 units wide in a 1024 EM; capitals stand 700 tall on the
// baseline (y = 0, up is negative), lower case 500.
Shape pattern_shape(const Pattern& p, int em, int height) {
  const double unit = em / 1024.0;
  auto x_at = [&](int col) { return static_cast<std::int32_t>(std::lround(col * 100 * unit)); };
  auto y_at = [&](int row) {
    return static_cast<std::int32_t>(-std::lround((rows - row) * height * unit / rows));
  };
  bool used[rows][columns] = {};
  auto lit = [&](int r, int c) { return p.rows[r][c] == '#' && !used[r][c]; };
  Shape s(1);
  // Greedy cover: a run along a row, grown downwards while the rows below
  // repeat it, so each glyph needs few rectangles.
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      if (!lit(r, c)) continue;
      int c_end = c;
      while (c_end < columns && lit(r, c_end)) ++c_end;
      int r_end = r + 1;
      auto row_lit = [&](int rr) {
        for (int cc = c; cc < c_end; ++cc)
          if (!lit(rr, cc)) return false;
        return true;
      };
      while (r_end < rows && row_lit(r_end)) ++r_end;
      for (int rr = r; rr < r_end; ++rr)
        for (int cc = c; cc < c_end; ++cc) used[rr][cc] = true;
      s.set_fill1(1);
      s.rect(x_at(c), y_at(r), x_at(c_end) - x_at(c), y_at(r_end) - y_at(r));
    }
  return s;
}

Glyph make_glyph(std::uint16_t code, Shape shape, int em) {
  Glyph g;
  g.code = code;
  g.shape = std::move(shape);
  g.advance = static_cast<std::int16_t>(std::lround(600.0 * em / 1024.0));
  return g;
}

}  // namespace

Font blocky_font(int em) {
  Font f;
  f.ascent = static_cast<std::int16_t>(std::lround(800.0 * em / 1024.0));
  f.descent = static_cast<std::int16_t>(std::lround(224.0 * em / 1024.0));
  f.leading = 0;
  Glyph space = make_glyph(' ', Shape(1), em);
  space.advance = static_cast<std::int16_t>(std::lround(400.0 * em / 1024.0));
  f.glyphs.push_back(space);
  for (const auto& p : patterns) f.glyphs.push_back(make_glyph(p.code, pattern_shape(p, em, 700), em));
  for (const auto& p : patterns)
    if (p.code >= 'A' && p.code <= 'Z')
      f.glyphs.push_back(make_glyph(static_cast<std::uint16_t>(p.code - 'A' + 'a'),
                                    pattern_shape(p, em, 500), em));
  return f;
}

}  // namespace swfw
