// zvk-bench: times the desktop program's Device > Program, Read and Verify
// through the real frame, range dialog and progress dialogs, against a unit
// linked as COM2 in a scratch program directory, so that bench/program.sh
// can set the desktop program's times beside zvk-cli's for the same work.
// Prints one line per operation: its name and the seconds from the range
// dialog's OK to the end of the progress dialog's job.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Messages.h"
#include "link/Link.h"
#include "link/QtSerialTransport.h"
#include "ui/CommandIds.h"
#include "ui/FieldDialogs.h"
#include "ui/FrameWnd.h"
#include "ui/ProgressDialogs.h"
#include "ui/StartUp.h"

namespace {

using namespace zvk;
using namespace zvk::ui;

// Answers the modal dialogs as a quick user would: OK in the range dialog
// (the clock starts), Close once the job has ended (the clock stops; a
// dialog that closes by itself stops it as it closes).
class Clicker : public QObject {
  public:
    Clicker() {
        connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
        poll_.start(1);
    }
    QElapsedTimer clock;
    qint64 elapsed = -1;
    QString list;  // what a Verify dialog listed

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (auto* range = dynamic_cast<RangeDialogView*>(modal)) {
            clock.start();
            range->accept();
        } else if (auto* dialog = dynamic_cast<JobDialog*>(modal)) {
            if (!dialog->Driver().Finished()) return;
            elapsed = clock.elapsed();
            if (auto* scan = dynamic_cast<ScanDialog*>(dialog)) list = scan->ListText();
            dialog->StopButton()->click();
        }
    }
    QTimer poll_;
};

struct Operation {
    const char* name;
    CommandId command;
};
constexpr Operation kOperations[] = {
    {"program", CommandId::Program},
    {"read", CommandId::Read},
    {"verify", CommandId::Verify},
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Times Device > Program, Read or Verify of zvk.");
    parser.addHelpOption();
    const QCommandLineOption programDir("program-dir", "directory with COM2", "dir");
    const QCommandLineOption image("image", "the binary image, loaded at 0000", "file");
    const QCommandLineOption part("part", "the part in the unit's socket", "name", "AT89C55");
    parser.addOptions({programDir, image, part});
    parser.addPositionalArgument("operation", "program, read or verify");
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    const Operation* operation = nullptr;
    for (const Operation& o : kOperations) {
        if (args.size() == 1 && args[0] == o.name) operation = &o;
    }
    const auto device = FindDeviceByName(parser.value(part).toStdString());
    if (operation == nullptr || !parser.isSet(programDir) || !parser.isSet(image) || !device) {
        std::fprintf(stderr,
                     "usage: zvk-bench --program-dir DIR --image FILE [--part PART] "
                     "program|read|verify\n");
        return 2;
    }
    std::ifstream in(parser.value(image).toStdString(), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};

    int messages = 0;
    SetMessagePresenter([&messages](const Message& m) {
        std::fprintf(stderr, "message: %s: %s\n", m.caption.c_str(), m.text.c_str());
        ++messages;
        return MessageResult::Ok;
    });
    SetTransportFactory(MakeQtSerialTransport);
    StartUpOptions options;
    options.programDirectory = QDir(parser.value(programDir)).absolutePath().toStdString();
    options.showAbout = false;
    // The bench's choices stay out of the scratch folder's zvk.dat.
    options.saveSettings = [] {};
    auto frame = StartFrame(options);
    if (!frame || frame->Closed()) return 1;
    SelectDevice(*device);
    App().ProgrammingMode |= kModeParallel;
    App().OptionFlags = 0;  // neither erase nor verify around Program
    App().PortIndex = 1;
    OpenProgrammerPort(App().PortIndex);
    frame->UpdateDeviceMenus();
    for (std::size_t a = 0; a < bytes.size(); ++a) {
        FlashWrite(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(bytes[a]));
    }
    const auto last = static_cast<std::uint16_t>(bytes.size() - 1);
    for (OperationRange* range : {&App().ProgramRange, &App().ReadRange, &App().VerifyRange}) {
        *range = {0, last, 0, 0};
    }
    if (operation->command == CommandId::Read) {
        for (std::size_t a = 0; a < bytes.size(); ++a) FlashWrite(static_cast<std::uint16_t>(a), 0);
    }

    Clicker clicker;
    int failures = 0;
    QTimer::singleShot(200, frame.get(), [&] {
        frame->OnCommand(static_cast<int>(operation->command));
        // A dialog that closes by itself at the end (Program, Read) ends here.
        if (clicker.elapsed < 0 && clicker.clock.isValid())
            clicker.elapsed = clicker.clock.elapsed();
        // Checked before the frame closes and lets the buffers go.
        if (operation->command == CommandId::Read) {
            for (std::size_t a = 0; a < bytes.size(); ++a) {
                const std::uint8_t read = FlashRead(static_cast<std::uint16_t>(a));
                if (read != static_cast<std::uint8_t>(bytes[a])) {
                    std::fprintf(stderr,
                                 "zvk-bench: the read-back differs at %04zX: %02X, not %02X\n", a,
                                 read, static_cast<std::uint8_t>(bytes[a]));
                    ++failures;
                    break;
                }
            }
        }
        if (operation->command == CommandId::Verify &&
            clicker.list.trimmed() != "Verification OK") {
            std::fprintf(stderr, "zvk-bench: Verify listed: %s\n",
                         qPrintable(clicker.list.left(200)));
            ++failures;
        }
        QApplication::quit();
    });
    app.exec();
    failures += messages;
    if (clicker.elapsed < 0) {
        std::fprintf(stderr, "zvk-bench: the operation did not run\n");
        return 1;
    }
    std::printf("%s %.3f\n", operation->name, static_cast<double>(clicker.elapsed) / 1000.0);
    return failures == 0 ? 0 : 1;
}
