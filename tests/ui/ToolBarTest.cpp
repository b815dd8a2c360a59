// The toolbar's pictures: every drawing in res/icons is compiled in and
// loads through Qt's svg icon engine, each button shows a picture of its own,
// the pictures stay sharp when drawn larger, and they stand out on light and
// dark toolbars alike.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QStyle>
#include <QSvgRenderer>
#include <QWidget>
#include <QtTest>

#include "ui/PictogramContrast.h"
#include "ui/ToolBar.h"

namespace zvk::ui {
namespace {

// The share of the picture's pixels that are not transparent, 0 to 1.
double Covered(const QImage& image) {
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 0;
    }
    return image.isNull() ? 0.0 : double(opaque) / (image.width() * image.height());
}

QImage Picture(const QIcon& icon, int size, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(size, size), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class ToolBarTest : public QObject {
    Q_OBJECT

  private slots:
    void everyDrawingIsCompiledInAndLoads() {
        (void)ProgramIcon();  // registers the resource
        const QStringList onDisk =
            QDir(qEnvironmentVariable("ZVK_SOURCE_DIR") + "/res/icons").entryList({"*.svg"});
        const QStringList compiledIn = QDir(":/icons").entryList({"*.svg"});
        QVERIFY(!onDisk.isEmpty());
        QCOMPARE(compiledIn, onDisk);
        for (const char* name : {"zvk.svg", "reload.svg"}) QVERIFY(compiledIn.contains(name));
        for (const ToolBarEntry& entry : kToolBarEntries) {
            if (entry.command) QVERIFY(compiledIn.contains(IconPath(entry.image).mid(8)));
        }
        for (const QString& name : compiledIn) {
            const QString path = ":/icons/" + name;
            QSvgRenderer drawing(path);
            QVERIFY2(drawing.isValid(), qPrintable(name));
            // One grid for the toolbar; the program icon has a coarser one
            // that lands on whole pixels at 16, 32, 48 and 256.
            QCOMPARE(drawing.viewBox(),
                     name == "zvk.svg" ? QRect(0, 0, 16, 16) : QRect(0, 0, 24, 24));
            const QImage image = Picture(QIcon(path), 24);
            QCOMPARE(image.size(), QSize(24, 24));
            QVERIFY2(Covered(image) > 0.2, qPrintable(name));
        }
    }

    void eachButtonHasAPictureOfItsOwn() {
        QWidget frame;
        FrameToolBar bar(&frame, [](int) {});
        QList<QImage> pictures;
        QStringList names;
        for (const QAction* action : bar.actions()) {
            if (action->isSeparator()) continue;
            const QImage normal = Picture(action->icon(), 24);
            QCOMPARE(normal.size(), QSize(24, 24));
            QVERIFY(Covered(normal) > 0.2);
            // Drawn, not scaled up from a small bitmap.
            QCOMPARE(action->icon().pixmap(QSize(48, 48)).size(), QSize(48, 48));
            QVERIFY(Picture(action->icon(), 24, QIcon::Disabled) != normal);
            pictures << normal;
            names << action->toolTip();
        }
        QCOMPARE(pictures.size(), 25);
        // The program icon must not be taken for any of them either.
        pictures << Picture(ProgramIcon(), 24);
        names << "program icon";
        for (qsizetype i = 0; i < pictures.size(); ++i) {
            for (qsizetype j = i + 1; j < pictures.size(); ++j) {
                QVERIFY2(pictures[i] != pictures[j], qPrintable(names[i] + " = " + names[j]));
            }
        }
    }

    // The pictures follow the palette, also when it changes while the
    // program runs: the drawings on a light toolbar, their light twins on a
    // dark one. Measured on the toolbar as drawn, every enabled button's
    // picture stands out from the toolbar by 3:1 or more in both.
    void picturesStandOutOnLightAndDarkToolbars() {
        QApplication::setStyle("Fusion");
        const QPalette light = QApplication::style()->standardPalette();
        QWidget frame;
        FrameToolBar bar(&frame, [](int) {});
        bar.adjustSize();
        for (const bool dark : {false, true, false}) {
            QApplication::setPalette(dark ? DarkPalette() : light);
            QCoreApplication::processEvents();
            QCOMPARE(bar.ShowsLightPictograms(), dark);
            const QImage shot = bar.grab().toImage();
            const qreal scale = shot.devicePixelRatio();
            int measured = 0;
            for (QAction* action : bar.actions()) {
                if (action->isSeparator() || !action->isEnabled()) continue;
                const QRect button = bar.widgetForAction(action)->geometry();
                const QRect pixels(
                    QPoint(qRound(button.left() * scale), qRound(button.top() * scale)),
                    button.size() * scale);
                const PictogramMeasure measure = MeasurePictogram(shot, pixels);
                QVERIFY2(measure.contrast >= 3.0,
                         qPrintable(QString("%1 on the %2 toolbar: %3:1 (%4 on %5)")
                                        .arg(action->toolTip(), dark ? "dark" : "light")
                                        .arg(measure.contrast, 0, 'f', 2)
                                        .arg(measure.ink.name(), measure.background.name())));
                ++measured;
            }
            QCOMPARE(measured, 20);  // five buttons start greyed
        }
    }

    void contrastRatiosAreWcags() {
        QCOMPARE(ContrastRatio(Qt::black, Qt::white), 21.0);
        QCOMPARE(ContrastRatio(QColor("#777777"), QColor("#777777")), 1.0);
        // #37474F, the ink of the drawings, on Fusion's light grey.
        QVERIFY(qAbs(ContrastRatio(QColor("#37474F"), QColor("#EFEFEF")) - 8.39) < 0.01);
    }

    void theProgramIconFillsEverySizeItIsInstalledAt() {
        for (const int size : {16, 32, 48, 256}) {
            const QImage image = Picture(ProgramIcon(), size);
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(Covered(image) > 0.8);
        }
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::ToolBarTest)
#include "ToolBarTest.moc"
