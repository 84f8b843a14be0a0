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

QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height)};
}

} // namespace ui
