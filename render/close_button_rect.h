#pragma once
// Where the close button lies in a client area of a given size.

struct ButtonRect {
    float left;
    float top;
    float width;
    float height;
};

// A square of side 0.045 H, 0.012 W from the right edge and 0.012 H from the top.
ButtonRect closeButtonRectFor(int clientWidth, int clientHeight);
