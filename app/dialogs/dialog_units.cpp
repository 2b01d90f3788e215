#include "dialogs/dialog_units.h"

#include <QFontMetrics>

namespace mirelo {

namespace {

// Rounds a * b / c to the nearest integer, for non-negative values.
int ScaleRounded(int a, int b, int c) {
    return (a * b + c / 2) / c;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageCharWidth_ = ScaleRounded(metrics.horizontalAdvance(alphabet), 1, 52);
    charHeight_ = metrics.height();
}

QRect DialogUnits::ToPixels(const QRect& units) const {
    return {ToPixelsX(units.x()), ToPixelsY(units.y()), ToPixelsX(units.width()),
            ToPixelsY(units.height())};
}

QSize DialogUnits::ToPixels(const QSize& units) const {
    return {ToPixelsX(units.width()), ToPixelsY(units.height())};
}

int DialogUnits::ToPixelsX(int units) const {
    return ScaleRounded(units, averageCharWidth_, 4);
}

int DialogUnits::ToPixelsY(int units) const {
    return ScaleRounded(units, charHeight_, 8);
}

}  // namespace mirelo
