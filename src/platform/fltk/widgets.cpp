#include "platform/fltk/widgets.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace strandel::platform::fltk {

namespace {
constexpr double kPointsPerInch = 72;
constexpr double kTwipsPerInch = 1440;
constexpr uchar kButtonFace = 224;  // RGB(224, 224, 224)
}  // namespace

Fl_Color ToFlColor(Colour colour) {
  if (colour == kSystemWindowBackground) return FL_WHITE;
  if (colour == kSystemWindowText) return FL_BLACK;
  return fl_rgb_color(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int PointsToPixels(double points, float twips_per_pixel) {
  double dpi = kTwipsPerInch / twips_per_pixel;
  return static_cast<int>(std::lround(points * dpi / kPointsPerInch));
}

// ---------------------------------------------------------------- WindowWidget

WindowWidget::WindowWidget(int w, int h, const char* title) : Fl_Double_Window(w, h, title) {
  box(FL_NO_BOX);
}

void WindowWidget::set_background(Fl_Color colour) {
  // A new background clears the retained image, as it does on the original
  // toolkit; the frame is painted after the background is set.
  background_ = colour;
  lines_.clear();
  redraw();
}

void WindowWidget::add_line(int x1, int y1, int x2, int y2, Fl_Color colour) {
  lines_.push_back({x1, y1, x2, y2, colour});
  redraw();
}

void WindowWidget::draw() {
  fl_color(background_);
  fl_rectf(0, 0, w(), h());
  // Width 0 is X's thin line, which includes both end points; a one-pixel
  // wide butt-capped line would leave out the last one. Lines outside the
  // part being repainted (a movie frame's, say) are not sent at all.
  fl_line_style(FL_SOLID, 0);
  for (const PixelLine& line : lines_) {
    int left = std::min(line.x1, line.x2), top = std::min(line.y1, line.y2);
    if (!fl_not_clipped(left, top, std::abs(line.x2 - line.x1) + 1,
                        std::abs(line.y2 - line.y1) + 1))
      continue;
    fl_color(line.colour);
    fl_line(line.x1, line.y1, line.x2, line.y2);
  }
  fl_line_style(0);
  draw_children();
  if (!drawn_) {
    drawn_ = true;
    if (on_first_draw) on_first_draw();
  }
}

int WindowWidget::handle(int event) {
  // Every key comes here: the controls leave them to the window, which
  // decides where each goes. Esc never reaches FLTK's own close.
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT || event == FL_KEYUP) && on_key) {
    on_key(event == FL_KEYUP ? FL_KEYUP : FL_KEYBOARD);
    return 1;
  }
  return Fl_Double_Window::handle(event);
}

// ---------------------------------------------------------- PictureBoxWidget

PictureBoxWidget::PictureBoxWidget() : Fl_Widget(0, 0, 1, 1) {
  box(FL_FLAT_BOX);
  color(FL_WHITE);
}

void PictureBoxWidget::print(PrintedText text) {
  printed_.push_back(std::move(text));
  redraw();
}

void PictureBoxWidget::draw() {
  fl_push_clip(x(), y(), w(), h());
  fl_color(color());
  fl_rectf(x(), y(), w(), h());
  if (picture_) picture_->draw(x(), y());
  for (const PrintedText& t : printed_) {
    fl_font(t.font, t.size);
    fl_color(t.colour);
    fl_draw(t.text.c_str(), x() + t.x, y() + t.y + fl_height() - fl_descent());
  }
  fl_pop_clip();
}

int PictureBoxWidget::handle(int event) {
  switch (event) {
    case FL_PUSH:
    case FL_DRAG:
    case FL_RELEASE:
    case FL_MOVE:
      if (on_mouse) on_mouse(event);
      return 1;
    case FL_ENTER:
      return 1;  // so that moves over the box reach it
    case FL_FOCUS:
    case FL_UNFOCUS:
      return 1;  // in the tab order, with no mark of its own
    default:
      return Fl_Widget::handle(event);
  }
}

// ---------------------------------------------------------- PushButtonWidget

PushButtonWidget::PushButtonWidget(const char* caption) : Fl_Button(0, 0, 1, 1, caption) {
  color(fl_rgb_color(kButtonFace, kButtonFace, kButtonFace));
  labelfont(FL_HELVETICA_BOLD);
}

int PushButtonWidget::handle(int event) {
  // Keys go to the window, which presses a focused button on Space or Enter.
  if (event == FL_KEYBOARD || event == FL_KEYUP || event == FL_SHORTCUT) return 0;
  bool mouse = event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE;
  // Other buttons are taken, so nothing beneath sees them, but do not click.
  if (mouse && Fl::event_button() != FL_LEFT_MOUSE) return 1;
  return Fl_Button::handle(event);
}

// ---------------------------------------------------------- NoticeWidget

namespace {
constexpr int kNoticeMargin = 4;     // from the window's edges, pixels
constexpr int kNoticePadding = 6;    // around the text
constexpr int kNoticeCrossSize = 7;  // the dismiss mark at the right end
// Longer texts are cut: a file name can be as long as a movie likes.
constexpr std::size_t kNoticeMaxChars = 200;
const Fl_Color kNoticeFace = fl_rgb_color(40, 40, 40);
const Fl_Color kNoticeEdge = fl_rgb_color(160, 160, 160);
}  // namespace

NoticeWidget::NoticeWidget() : Fl_Widget(0, 0, 1, 1) {
  box(FL_NO_BOX);
  visible_focus(0);
  hide();
}

void NoticeWidget::show_text(const std::string& text, int font_size) {
  text_.clear();
  for (unsigned char c : text.substr(0, kNoticeMaxChars))
    text_ += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  if (text.size() > kNoticeMaxChars) text_ += "...";
  if (!text_.empty() && text_[0] >= 'a' && text_[0] <= 'z') text_[0] -= 'a' - 'A';
  font_size_ = font_size;
  Fl_Window* win = window();
  if (!win) return;
  fl_font(FL_HELVETICA, font_size_);
  int height = fl_height() + 2 * kNoticePadding;
  int width = static_cast<int>(fl_width(text_.c_str())) + 3 * kNoticePadding + kNoticeCrossSize;
  width = std::min(width, win->w() - 2 * kNoticeMargin);
  resize(kNoticeMargin, win->h() - kNoticeMargin - height, std::max(width, 1), height);
  show();
  win->redraw();
}

void NoticeWidget::dismiss() {
  hide();
  if (Fl_Window* win = window()) win->redraw();
}

void NoticeWidget::draw() {
  fl_push_clip(x(), y(), w(), h());
  fl_color(kNoticeFace);
  fl_rectf(x(), y(), w(), h());
  fl_color(kNoticeEdge);
  fl_rect(x(), y(), w(), h());
  fl_font(FL_HELVETICA, font_size_);
  int cross_x = x() + w() - kNoticePadding - kNoticeCrossSize;
  int cross_y = y() + (h() - kNoticeCrossSize) / 2;
  fl_line(cross_x, cross_y, cross_x + kNoticeCrossSize - 1, cross_y + kNoticeCrossSize - 1);
  fl_line(cross_x, cross_y + kNoticeCrossSize - 1, cross_x + kNoticeCrossSize - 1, cross_y);
  fl_color(FL_WHITE);
  fl_push_clip(x(), y(), cross_x - kNoticePadding - x(), h());
  fl_draw(text_.c_str(), x() + kNoticePadding, y() + kNoticePadding + fl_height() - fl_descent());
  fl_pop_clip();
  fl_pop_clip();
}

int NoticeWidget::handle(int event) {
  switch (event) {
    case FL_PUSH:
      dismiss();
      return 1;
    case FL_ENTER:
    case FL_MOVE:
    case FL_DRAG:
    case FL_RELEASE:
      return 1;  // the pointer over the notice is not over the movie
    default:
      return Fl_Widget::handle(event);
  }
}

// ---------------------------------------------------------- Adapters

ControlGeometry::ControlGeometry(Fl_Widget& widget, const Metrics& metrics, design::Rect at)
    : widget_(widget),
      metrics_(metrics),
      left_(at.left),
      top_(at.top),
      width_(at.width),
      height_(at.height) {
  place();
}

void ControlGeometry::place() {
  widget_.resize(metrics_.to_px_x(left_), metrics_.to_px_y(top_), metrics_.size_px_x(width_),
                 metrics_.size_px_y(height_));
  if (widget_.window()) widget_.window()->redraw();
}

void ControlGeometry::set_visible(Truth v) {
  if (v != kFalse) widget_.show(); else widget_.hide();
  if (widget_.window()) widget_.window()->redraw();
}

PictureBoxAdapter::PictureBoxAdapter(PictureBoxWidget& widget, const Metrics& metrics,
                                     design::Rect at)
    : widget_(widget), metrics_(metrics), at_(widget, metrics, at) {
  widget_.color(ToFlColor(kSystemWindowBackground));
}

void PictureBoxAdapter::set_BackColor(Colour c) {
  widget_.color(ToFlColor(c));
  widget_.redraw();
}

Fl_Font PictureBoxAdapter::font() const { return bold_ ? FL_HELVETICA_BOLD : FL_HELVETICA; }
int PictureBoxAdapter::font_size() const {
  return PointsToPixels(kPictureBoxFontPoints, metrics_.twips_per_pixel_y);
}

float PictureBoxAdapter::TextHeight(const std::string&) const {
  fl_font(font(), font_size());
  return static_cast<float>(fl_height() * metrics_.twips_per_pixel_y);
}

void PictureBoxAdapter::Print(const std::string& text) {
  widget_.print({metrics_.to_px_x(current_x_), metrics_.to_px_y(current_y_), text, font(),
                 font_size(), ToFlColor(fore_color_)});
}

PushButtonAdapter::PushButtonAdapter(PushButtonWidget& widget, const Metrics& metrics,
                                     design::Rect at)
    : at_(widget, metrics, at) {
  widget.labelsize(PointsToPixels(kButtonFontPoints, metrics.twips_per_pixel_y));
}

}  // namespace strandel::platform::fltk
