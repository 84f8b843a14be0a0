#pragma once

#include <QRect>

// Positions and sizes are kept in twips (1440 per inch) and turned into pixels here only, from
// the screen's logical resolution.
namespace ui {

int twipsToPixelsX(int twips);
int twipsToPixelsY(int twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);
QRect twipsRect(int left, int top, int width, int height);

} // namespace ui
