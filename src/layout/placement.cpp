#include "layout/placement.h"

#include "platform/conversions.h"
#include "platform/runtime_error.h"

namespace strandel::layout {

using platform::ToSingle;

namespace {

// Screen metrics are read afresh at every use.
double across(const platform::Form& form, double pixels) {
  return pixels * form.screen.TwipsPerPixelX();
}
double down(const platform::Form& form, double pixels) {
  return pixels * form.screen.TwipsPerPixelY();
}

const std::string& piece(const std::vector<std::string>& pieces, std::size_t index) {
  if (index >= pieces.size())
    throw platform::RuntimeError(platform::ErrorNumber::SubscriptOutOfRange,
                                 "no height after \"x\"");
  return pieces[index];
}

// The text is converted each time it is used, as the rule computes with it.
double width_px(const std::vector<std::string>& pieces) {
  return platform::TextToDouble(piece(pieces, 0));
}
double height_px(const std::vector<std::string>& pieces) {
  return platform::TextToDouble(piece(pieces, 1));
}

void place_movie_inside_margin(platform::Form& form) {
  form.ShockwaveFlash.set_Left(ToSingle(across(form, kMarginLeft)));
  form.ShockwaveFlash.set_Top(ToSingle(down(form, kMarginTop)));
}

void show_backdrop(platform::Form& form) {
  const platform::Screen& screen = form.screen;
  form.workFlash.set_Visible(platform::kTrue);
  form.workFlash.set_BackColor(kBackdropColour);
  form.workFlash.set_Left(ToSingle(across(form, kMarginLeft)));
  form.workFlash.set_Top(ToSingle(down(form, kMarginTop)));
  form.workFlash.set_Width(ToSingle(screen.Width() - across(form, kMarginsAcross)));
  form.workFlash.set_Height(ToSingle(screen.Height() - down(form, kMarginsDown)));
}

// Full screen with a movie of its own size: centred across, and down either
// on the screen (borderless) or 11 pixels above its centre (framed).
void centre_movie_on_screen(platform::Form& form, platform::Truth framed) {
  const platform::Screen& screen = form.screen;
  double movie_width = form.ShockwaveFlash.Width();
  form.ShockwaveFlash.set_Left(ToSingle((screen.Width() - movie_width) / 2));
  if (framed == platform::kTrue) {
    show_backdrop(form);
    float usable_height = ToSingle(screen.Height() - down(form, kFramedCentringLift));
    double movie_height = form.ShockwaveFlash.Height();
    form.ShockwaveFlash.set_Top(ToSingle((usable_height - movie_height) / 2));
  } else {
    double movie_height = form.ShockwaveFlash.Height();
    form.ShockwaveFlash.set_Top(ToSingle((screen.Height() - movie_height) / 2));
  }
}

}  // namespace

void ApplyFullScreenRule(platform::Form& form, platform::Truth framed) {
  const platform::Screen& screen = form.screen;
  form.window.set_Width(screen.Width());
  form.window.set_Height(screen.Height());
  if (framed == platform::kTrue) {
    form.ShockwaveFlash.set_Width(ToSingle(screen.Width() - across(form, kMarginsAcross)));
    form.ShockwaveFlash.set_Height(ToSingle(screen.Height() - down(form, kMarginsDown)));
    place_movie_inside_margin(form);
  } else {
    // The movie keeps its Left and Top: the design-time ones, or what an
    // earlier framed line set.
    form.ShockwaveFlash.set_Width(screen.Width());
    form.ShockwaveFlash.set_Height(screen.Height());
  }
}

void ApplySizesRule(platform::Form& form, const std::vector<std::string>& pieces,
                    platform::Truth framed, bool full_screen) {
  // Both pieces are looked up before either is converted, so a value with no
  // lower-case "x" ("640X480") is the subscript error, not a type mismatch.
  piece(pieces, 1);
  form.ShockwaveFlash.set_Width(ToSingle(across(form, width_px(pieces))));
  form.ShockwaveFlash.set_Height(ToSingle(down(form, height_px(pieces))));
  if (full_screen) {
    centre_movie_on_screen(form, framed);
  } else if (framed == platform::kTrue) {
    form.window.set_Width(ToSingle(across(form, width_px(pieces) + kMarginsAcross)));
    form.window.set_Height(ToSingle(down(form, height_px(pieces) + kMarginsDown)));
    place_movie_inside_margin(form);
  } else {
    form.window.set_Width(ToSingle(across(form, width_px(pieces))));
    form.window.set_Height(ToSingle(down(form, height_px(pieces))));
  }
}

}  // namespace strandel::layout
