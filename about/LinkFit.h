#pragma once

#include <QRect>
#include <QSize>

namespace tolvane {

// The static-control style bits that decide how a link fits itself to its text.
namespace StaticStyle {
inline constexpr unsigned SS_CENTER = 0x1;
inline constexpr unsigned SS_RIGHT = 0x2;
inline constexpr unsigned SS_CENTERIMAGE = 0x200;
}  // namespace StaticStyle

// The rectangle a link control of the given style takes to fit text of the given extent.
// Vertically, SS_CENTERIMAGE keeps the old centre (each side moves by half the difference,
// truncated toward zero); otherwise the top stays. Horizontally, SS_CENTER keeps the centre
// the same way, else SS_RIGHT keeps the right edge, else the left edge stays.
QRect FitRectToText(const QRect& rect, const QSize& textExtent, unsigned style);

}  // namespace tolvane
