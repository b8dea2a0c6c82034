#pragma once
// Where the moving elements of a frame go and what they show, as pure functions
// of the client size and the view state, so they can be checked without drawing.

struct LayoutRect {
    float x;
    float y;
    float width;
    float height;
};

// Bar track: 0.039 W margins on both sides, 0.0547 H tall, centred on 0.925 H.
LayoutRect progressBarRect(int clientWidth, int clientHeight);

// The busy indicator's square: side 0.11 H, centred on (0.5 W, 0.403 H).
LayoutRect spinnerRect(int clientWidth, int clientHeight);

// The same square on whole pixels: its side rounded up, its corner to the
// nearest pixel. Frames pre-scaled to it are blended without resampling.
struct PixelRect {
    int x;
    int y;
    int side;
};
PixelRect spinnerPixelRect(int clientWidth, int clientHeight);

// The shown fraction as the bar draws it: negative gives 0, above 1 gives 1.
double barFraction(double shownProgress);

// Whether the fill is drawn at all for a clamped fraction.
bool barHasFill(double fraction);

// Fill width: never shorter than the bar's height, so it starts as a circle.
float barFillWidth(const LayoutRect& bar, double fraction);

// The percentage the bar shows, half rounding up (0.995 gives 100).
int barPercentage(double fraction);

// The two frames of the busy indicator and their opacities at a phase.
struct SpinnerBlend {
    int frame;            // drawn at opacity 1 - nextOpacity
    int nextFrame;        // (frame + 1) mod 10
    float nextOpacity;    // the phase's fractional part
};
SpinnerBlend spinnerBlend(double phase);
