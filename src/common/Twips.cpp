#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

double DotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

int PixelsFromTwips(double twips) {
    const double pixels = std::round(twips * DotsPerInch() / 1440.0);
    return static_cast<int>(std::clamp(pixels, -1e6, 1e6));
}

double TwipsFromPixels(int pixels) {
    return std::round(pixels * 1440.0 / DotsPerInch());
}
