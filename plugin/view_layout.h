#pragma once

// Where the loading label sits in a client area of the given size: a 24-pixel band across the
// whole width, centred vertically (integer halving, so a 24-pixel client puts it at 0 and an
// empty one at -12).
struct LabelBounds {
    int x;
    int y;
    int width;
    int height;
};

constexpr int kLabelHeight = 24;

constexpr LabelBounds LoadingLabelBounds(int clientWidth, int clientHeight) {
    return {0, clientHeight / 2 - kLabelHeight / 2, clientWidth, kLabelHeight};
}
