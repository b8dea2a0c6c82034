#include "app/window_placement.h"

#include "app/constants.h"

WindowPlacement computeWindowPlacement(int dpi, const RECT& workArea) {
    WindowPlacement placement;
    placement.width = MulDiv(kDesignWidth, dpi, 96);
    placement.height = MulDiv(kDesignHeight, dpi, 96);
    // Integer division truncating toward zero: a window larger than the work
    // area is cut off equally on both sides.
    placement.x = workArea.left + (workArea.right - workArea.left - placement.width) / 2;
    placement.y = workArea.top + (workArea.bottom - workArea.top - placement.height) / 2;
    return placement;
}
