// zvk-screenshots: the pictures of the user manual and the README. Starts the
// real frame on a program directory whose COM2 leads to a running
// zvk-unit-sim, loads a HEX file through File > Load File and programs it
// through Device > Program, and grabs the screen while the details and the
// progress dialogs show, then the program in the disassembly view, and last
// the toolbar on the light and on a dark palette with the contrast of each of
// its pictures.
// scripts/screenshots runs it under Xvfb.

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/Link.h"
#include "link/QtSerialTransport.h"
#include "ui/CommandIds.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/FrameWnd.h"
#include "ui/PictogramContrast.h"
#include "ui/ProgressDialogs.h"
#include "ui/StartUp.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace {

using namespace zvk;
using namespace zvk::ui;

bool Save(const QPixmap& pixmap, const QString& path) {
    const bool ok = pixmap.save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

QPixmap GrabScreen() { return QGuiApplication::primaryScreen()->grabWindow(0); }

// Acts on the modal dialogs as they come, like a user would.
class Tour : public QObject {
  public:
    Tour(QString images, QString readme) : images_(std::move(images)), readme_(std::move(readme)) {
        connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
        poll_.start(20);
    }
    int failures = 0;
    [[nodiscard]] const QString& Images() const { return images_; }

  private:
    // A dialog is grabbed once it has been on the screen for a moment, so
    // that it is painted.
    bool Settled(QWidget* dialog) {
        if (dialog != seen_) {
            seen_ = dialog;
            shownFor_.start();
        }
        return shownFor_.elapsed() > 400;
    }

    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (auto* details = dynamic_cast<LoadDetailsDialog*>(modal)) {
            if (!Settled(details)) return;
            failures += !Save(GrabScreen(), images_ + "/main.png");
            failures += !Save(details->grab(), images_ + "/load.png");
            details->accept();
        } else if (auto* range = dynamic_cast<RangeDialogView*>(modal)) {
            if (!Settled(range)) return;
            range->accept();
        } else if (auto* program = dynamic_cast<ProgramDialog*>(modal)) {
            const QProgressBar* bar = program->Progress();
            const bool writing = program->Status()->text().startsWith("Writing");
            if (!grabbedProgress_ && writing && bar->value() * 3 >= bar->maximum()) {
                grabbedProgress_ = true;
                const QPixmap screen = GrabScreen();
                failures += !Save(screen, readme_);
                failures += !Save(program->grab(), images_ + "/program.png");
            }
            if (program->Driver().Finished() && Settled(program)) {
                program->StopButton()->click();
            }
        }
    }

    QString images_;
    QString readme_;
    QTimer poll_;
    QWidget* seen_ = nullptr;
    QElapsedTimer shownFor_;
    bool grabbedProgress_ = false;
};

// The toolbar on the light palette and on a dark one, each grabbed from the
// screen once the palette has been applied and painted, with the contrast of
// each enabled button's picture against the toolbar. Quits when done.
void ShootToolBars(FrameWnd& frame, Tour& tour) {
    static const QPalette light = QApplication::palette();
    struct Shot {
        const char* name;
        QPalette palette;
    };
    static const Shot shots[] = {{"light", light}, {"dark", DarkPalette()}};
    static std::size_t next = 0;
    if (next == std::size(shots)) {
        QApplication::setPalette(light);
        QApplication::quit();
        return;
    }
    const Shot& shot = shots[next++];
    QApplication::setPalette(shot.palette);
    QTimer::singleShot(400, [&frame, &tour, &shot] {
        FrameToolBar* bar = frame.ToolBar();
        // Up to the last button: the rest of the bar is empty.
        const QWidget* last = bar->widgetForAction(bar->actions().constLast());
        const QRect area(bar->mapToGlobal(QPoint(0, 0)),
                         QSize(last->geometry().right() + 6, bar->height()));
        const QPixmap pixels = QGuiApplication::primaryScreen()->grabWindow(
            0, area.x(), area.y(), area.width(), area.height());
        tour.failures += !Save(pixels, tour.Images() + "/toolbar-" + shot.name + ".png");
        const QImage image = pixels.toImage();
        const qreal scale = image.devicePixelRatio();
        double lowest = 21.0;
        for (QAction* action : bar->actions()) {
            if (action->isSeparator() || !action->isEnabled()) continue;
            const QRect button = bar->widgetForAction(action)->geometry();
            const PictogramMeasure measure = MeasurePictogram(
                image, QRect(QPoint(qRound(button.left() * scale), qRound(button.top() * scale)),
                             button.size() * scale));
            lowest = std::min(lowest, measure.contrast);
            std::printf("contrast %s %-26s %5.2f:1 (%s on %s)\n", shot.name,
                        qPrintable(action->toolTip().trimmed()), measure.contrast,
                        qPrintable(measure.ink.name()), qPrintable(measure.background.name()));
        }
        std::printf("contrast %s lowest %.2f:1\n", shot.name, lowest);
        ShootToolBars(frame, tour);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The same look on every machine that makes the pictures.
    QApplication::setStyle("Fusion");
    QApplication::setPalette(QApplication::style()->standardPalette());
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption programDir("program-dir", "directory with COM2 and zvk.dat", "dir");
    const QCommandLineOption hex("hex", "the HEX file to load and program", "file");
    const QCommandLineOption images("images", "where the manual's pictures go", "dir");
    const QCommandLineOption readme("readme", "the README's picture", "file");
    const QCommandLineOption part("part", "the part in the unit's socket", "name", "AT89S52");
    parser.addOptions({programDir, hex, images, readme, part});
    parser.process(app);
    for (const auto& required : {programDir, hex, images, readme}) {
        if (!parser.isSet(required)) {
            std::fprintf(stderr, "zvk-screenshots: --%s is needed\n",
                         qPrintable(required.names().first()));
            return 2;
        }
    }
    const auto device = FindDeviceByName(parser.value(part).toStdString());
    if (!device) {
        std::fprintf(stderr, "zvk-screenshots: unknown part\n");
        return 2;
    }

    int messages = 0;
    SetMessagePresenter([&messages](const Message& m) {
        std::printf("message: %s: %s\n", m.caption.c_str(), m.text.c_str());
        ++messages;
        return MessageResult::Ok;
    });
    SetTransportFactory(MakeQtSerialTransport);
    const QString hexPath = parser.value(hex);
    SetFileQuestionHook(
        [hexPath](QWidget*, const FileQuestion&) { return std::optional<QString>(hexPath); });

    StartUpOptions options;
    options.programDirectory = QDir(parser.value(programDir)).absolutePath().toStdString();
    options.showAbout = false;
    auto frame = StartFrame(options);
    if (!frame || frame->Closed()) return 1;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        frame->setGeometry(screen->availableGeometry());  // no window manager maximises it
    }
    SelectDevice(*device);
    frame->UpdateDeviceMenus();
    frame->Status()->ShowState();
    App().OptionFlags =
        kOptionClearBeforeLoad | kOptionEraseBeforeProgram | kOptionVerifyAfterProgram;
    App().ProgramRange = {0x0000, 0x0FFF, 0x0000, 0};

    Tour tour(parser.value(images), parser.value(readme));
    const QString disassemblyShot = parser.value(images) + "/disassembly.png";
    const QString editorShot = parser.value(images) + "/flash-editor.png";
    QTimer::singleShot(500, frame.get(), [&frame, &tour, disassemblyShot, editorShot] {
        frame->OnCommand(static_cast<int>(CommandId::LoadFlash));
        frame->OnCommand(static_cast<int>(CommandId::Program));
        // The loaded program in the disassembly view, then in the Flash
        // editor, each once it has been painted.
        frame->OnCommand(static_cast<int>(CommandId::Disassembly));
        QTimer::singleShot(400, [&frame, &tour, disassemblyShot, editorShot] {
            tour.failures += !Save(GrabScreen(), disassemblyShot);
            frame->OnCommand(static_cast<int>(CommandId::EditFlash));
            QTimer::singleShot(400, [&frame, &tour, editorShot] {
                tour.failures += !Save(GrabScreen(), editorShot);
                ShootToolBars(*frame, tour);
            });
        });
    });
    app.exec();
    if (messages != 0 || tour.failures != 0) {
        std::fprintf(stderr, "zvk-screenshots: %d message(s), %d picture(s) not written\n",
                     messages, tour.failures);
        return 1;
    }
    return 0;
}
