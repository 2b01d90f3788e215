#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace mirelo {

// Turns template coordinates in dialog units into pixels for the dialog's font: a
// horizontal unit is a quarter of the font's average character width and a vertical
// unit an eighth of its height, so the templates keep their proportions on any font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    QRect ToPixels(const QRect& units) const;
    QSize ToPixels(const QSize& units) const;

private:
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;

    int averageCharWidth_;
    int charHeight_;
};

}  // namespace mirelo
