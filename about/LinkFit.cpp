#include "LinkFit.h"

namespace tolvane {

QRect FitRectToText(const QRect& rect, const QSize& textExtent, unsigned style) {
    // Edges as the desktop's rectangles keep them: right and bottom lie just outside.
    int left = rect.x();
    int top = rect.y();
    int right = rect.x() + rect.width();
    int bottom = rect.y() + rect.height();

    if (style & StaticStyle::SS_CENTERIMAGE) {
        const int inset = (bottom - top - textExtent.height()) / 2;
        top += inset;
        bottom -= inset;
    } else {
        bottom = top + textExtent.height();
    }

    if (style & StaticStyle::SS_CENTER) {
        const int inset = (right - left - textExtent.width()) / 2;
        left += inset;
        right -= inset;
    } else if (style & StaticStyle::SS_RIGHT) {
        left = right - textExtent.width();
    } else {
        right = left + textExtent.width();
    }
    return {left, top, right - left, bottom - top};
}

}  // namespace tolvane
