#include "chrome/title_bar.h"

#include "chrome/frame_gradient.h"
#include "platform/conversions.h"

namespace strandel::chrome {

int LayoutTitleBar(platform::FormWindow& window, platform::PictureBox& icon,
                   platform::PictureBox& strip, const std::string& colour_text,
                   platform::PushButton& minimise, platform::PushButton& close, std::string title) {
  if (window.BorderStyle() != 0) return 0;

  PaintFrameGradient(window);

  icon.set_Left(kIconLeft);
  icon.set_Top(kIconTop);

  strip.set_Left(kStripLeft);
  strip.set_Top(kStripTop);
  strip.set_Height(kStripHeight);
  strip.set_Width(window.Width() - kStripWidthLess);
  strip.set_BackColor(window.BackColor());

  if (title.empty()) title = window.Caption();
  strip.set_ForeColor(static_cast<platform::Colour>(platform::TextToLong(colour_text)));
  strip.set_FontBold(platform::kTrue);
  strip.set_CurrentX(kTitleX);
  // Centred in the strip's inner height with the bold font; not rounded.
  float text_height = strip.TextHeight(title);
  strip.set_CurrentY((strip.ScaleHeight() - text_height) / 2);
  strip.Print(title);

  close.set_Left(strip.Width() + strip.Left() - close.Width() - kCloseInset);
  close.set_Top(strip.Top() + kButtonDrop);

  minimise.set_Left(strip.Width() + strip.Left() - close.Width() - minimise.Width() -
                    kMinimiseInset);
  minimise.set_Top(strip.Top() + kButtonDrop);
  return 0;
}

}  // namespace strandel::chrome
