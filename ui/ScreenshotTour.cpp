// zvk-screenshots: the pictures of the user manual and the README. Starts the
// real frame on a program directory whose COM2 leads to a running
// zvk-unit-sim, loads a HEX file through File > Load File and programs it
// through Device > Program, and grabs the screen while the details and the
// progress dialogs show, then the program in the disassembly view.
// scripts/screenshots runs it under Xvfb.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "app/AppState.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/Link.h"
#include "link/QtSerialTransport.h"
#include "ui/CommandIds.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/FrameWnd.h"
#include "ui/ProgressDialogs.h"
#include "ui/StartUp.h"
#include "ui/StatusBar.h"

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
    UpdateStatusBar();
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
            QTimer::singleShot(400, [&tour, editorShot] {
                tour.failures += !Save(GrabScreen(), editorShot);
                QApplication::quit();
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
