// Window placement arithmetic. Pure logic: no platform headers.
#ifndef MARVANE_GEOMETRY_H
#define MARVANE_GEOMETRY_H

struct Placement {
    int x, y, width, height;
};

// The main window: four fifths of the desktop each way, at least 600 by 400,
// centred against the desktop's right and bottom edges (not clamped, so a
// small desktop puts the window partly off-screen).
Placement MainWindowPlacement(long left, long top, long right, long bottom);

// Where CenterOnDesktop puts a w by h window on a dw by dh desktop: each half
// truncated on its own, negative coordinates become 0.
void CenteredOrigin(int w, int h, int dw, int dh, int* x, int* y);

#endif
