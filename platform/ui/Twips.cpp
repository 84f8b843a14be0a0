#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace ui {

namespace {
constexpr double kTwipsPerInch = 1440.0;

double dpiX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
} // namespace

int twipsToPixelsX(int twips) {
    return static_cast<int>(std::lround(twips * dpiX() / kTwipsPerInch));
}
int twipsToPixelsY(int twips) {
    return static_cast<int>(std::lround(twips * dpiY() / kTwipsPerInch));
}
int pixelsToTwipsX(int pixels) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpiX()));
}
int pixelsToTwipsY(int pixels) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpiY()));
}

// Edges are rounded, not sizes: controls that touch in twips touch in pixels, without a
// pixel of overlap that would make one repaint with the other.
QRect twipsRect(int left, int top, int width, int height) {
    const int x = twipsToPixelsX(left);
    const int y = twipsToPixelsY(top);
    return {x, y, twipsToPixelsX(left + width) - x, twipsToPixelsY(top + height) - y};
}

} // namespace ui
