#include "ui/PictogramContrast.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace zvk::ui {
namespace {

double Channel(double value) {
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    return 0.2126 * Channel(colour.redF()) + 0.7152 * Channel(colour.greenF()) +
           0.0722 * Channel(colour.blueF());
}

// Colours closer than this to the background count as background: the
// smoothing at a picture's edges and the style's own shading.
constexpr int kBackgroundTolerance = 12;

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) <=
           kBackgroundTolerance;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

PictogramMeasure MeasurePictogram(const QImage& shot, const QRect& button) {
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    const QRect area = button.intersected(image.rect());
    PictogramMeasure measure;
    if (area.isEmpty()) return measure;

    QHash<QRgb, int> edge;
    for (int x = area.left(); x <= area.right(); ++x) {
        ++edge[image.pixel(x, area.top())];
        ++edge[image.pixel(x, area.bottom())];
    }
    for (int y = area.top(); y <= area.bottom(); ++y) {
        ++edge[image.pixel(area.left(), y)];
        ++edge[image.pixel(area.right(), y)];
    }
    const QRgb background =
        std::max_element(edge.cbegin(), edge.cend(), [](int a, int b) { return a < b; }).key();
    measure.background = QColor(background);

    QHash<QRgb, int> inks;
    int inked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (Near(pixel, background)) continue;
            ++inks[pixel];
            ++inked;
        }
    }
    measure.ink = measure.background;
    for (auto it = inks.cbegin(); it != inks.cend(); ++it) {
        if (it.value() * 10 < inked) continue;
        const double contrast = ContrastRatio(QColor(it.key()), measure.background);
        if (contrast > measure.contrast) {
            measure.contrast = contrast;
            measure.ink = QColor(it.key());
        }
    }
    return measure;
}

QPalette DarkPalette() {
    QPalette dark;
    const QColor window(0x35, 0x35, 0x35);
    const QColor text(0xEE, 0xEE, 0xEE);
    const QColor greyed(0x80, 0x80, 0x80);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, Qt::red);
    dark.setColor(QPalette::Link, QColor(0x64, 0xB5, 0xF6));
    dark.setColor(QPalette::Highlight, QColor(0x42, 0x85, 0xD2));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x4A, 0x4A, 0x4A));
    dark.setColor(QPalette::Midlight, QColor(0x40, 0x40, 0x40));
    dark.setColor(QPalette::Mid, QColor(0x2A, 0x2A, 0x2A));
    dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, greyed);
    }
    return dark;
}

}  // namespace zvk::ui
