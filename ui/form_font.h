// The window's fonts: Tahoma where it is installed, otherwise a sans-serif
// face that holds Chinese, at the same pixel size, so every caption fits the
// control it was laid out for.
#pragma once

#include <QFont>

// The font of the given pixel height (Tahoma 8 pt is 11 pixels, 10 pt 13).
QFont FormFont(int pixelSize);
