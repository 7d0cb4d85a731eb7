// How far two pictures of a widget differ, pixel by pixel.
#pragma once

#include <QImage>
#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tvx::testing {

struct PictureDifference {
  int largest = 0;  // on any channel of any pixel
  int pixels = 0;   // differing on some channel by more than the tolerance asked for
};

// Pictures of different sizes differ as much as can be.
inline PictureDifference Compare(const QImage& a, const QImage& b, int tolerance = 0) {
  if (a.size() != b.size()) return {INT_MAX, INT_MAX};
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  PictureDifference d;
  for (int row = 0; row < x.height(); ++row) {
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row);
      const QRgb q = y.pixel(col, row);
      const int most = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                 std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
      d.largest = std::max(d.largest, most);
      if (most > tolerance) ++d.pixels;
    }
  }
  return d;
}

}  // namespace tvx::testing
