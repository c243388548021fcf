#pragma once

class QImage;

// Three passes of a box blur approximate a Gaussian of sigma ~ radius. In place, on a
// premultiplied ARGB32 or RGB32 image; other formats are converted first.
void boxBlur(QImage &image, int radius, int passes = 3);
