// The wizard's side picture, drawn by the program: a blue-to-teal column with
// a light diagonal band and a large "Z" mark.
#include <algorithm>
#include <cstdlib>

#include "wizard/ZanWizard.h"

namespace zan {

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 260;

struct TRgb {
  int R, G, B;
};

TRgb Mix(TRgb a, TRgb b, int num, int den) {
  return {a.R + (b.R - a.R) * num / den, a.G + (b.G - a.G) * num / den,
          a.B + (b.B - a.B) * num / den};
}

/// True on the strokes of the "Z": top bar, diagonal, bottom bar.
bool OnMark(int x, int y) {
  constexpr int left = 24, right = 96, top = 40, bottom = 120, stroke = 10;
  if (x < left || x > right || y < top || y > bottom) return false;
  if (y < top + stroke || y > bottom - stroke) return true;
  // The diagonal from the top right to the bottom left.
  const int onLine = right - (y - top) * (right - left) / (bottom - top);
  return std::abs(x - onLine) <= stroke / 2 + 1;
}

}  // namespace

TBitmap DrawSidePicture() {
  TBitmap bitmap;
  bitmap.Width = kWidth;
  bitmap.Height = kHeight;
  bitmap.Pixels.resize(static_cast<size_t>(kWidth) * kHeight * 3);
  const TRgb top{16, 40, 96}, bottom{24, 128, 136}, light{230, 240, 250};
  for (int y = 0; y < kHeight; ++y) {
    const TRgb row = Mix(top, bottom, y, kHeight - 1);
    for (int x = 0; x < kWidth; ++x) {
      TRgb pixel = row;
      // A soft diagonal band across the lower half.
      const int band = std::abs((x + y) - 250);
      if (band < 24) pixel = Mix(pixel, light, 24 - band, 96);
      if (OnMark(x, y)) pixel = light;
      const size_t at = (static_cast<size_t>(y) * kWidth + x) * 3;
      bitmap.Pixels[at] = static_cast<char>(std::clamp(pixel.B, 0, 255));
      bitmap.Pixels[at + 1] = static_cast<char>(std::clamp(pixel.G, 0, 255));
      bitmap.Pixels[at + 2] = static_cast<char>(std::clamp(pixel.R, 0, 255));
    }
  }
  return bitmap;
}

}  // namespace zan
