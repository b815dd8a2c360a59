// zvk: the desktop programmer. Wires the platform pieces together and runs
// the frame.

#include <QApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <string_view>

#include "app/Installation.h"
#include "link/Link.h"
#ifdef _WIN32
#include "link/Win32SerialTransport.h"
#else
#include "link/QtSerialTransport.h"
#endif
#include "ui/DialogHelpers.h"
#include "ui/StartUp.h"

namespace {

constexpr const char* kHelp =
    "Usage: zvk [FILE] | --help | --version\n"
    "The desktop programmer for AT89-series flash microcontrollers (Zelvik 89CXX\n"
    "Family Programmer): loads Intel HEX and binary images, shows and edits them in\n"
    "hex editors and an 8051 disassembly view with a one-line assembler, and erases,\n"
    "blank-checks, programs, reads, verifies and protects the chips through a\n"
    "programmer unit on a serial port (COM1 to COM9, 38400 baud).\n"
    "\n"
    "FILE is loaded into the Flash buffer at start, as File > Load File does: a\n"
    "name ending in .hex, .ihx or .ihex as Intel HEX, any other as a binary image\n"
    "whose start address is asked for.\n"
    "\n"
    "Options:\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "zvk takes no other options: the part, port and everything else are chosen in\n"
    "its dialogs and kept in zvk.dat. Help > Contents opens the manual.\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display (man
    // pages are made from them at build time).
    for (int i = 1; i < argc && std::string_view(argv[i]) != "--"; ++i) {
        const std::string_view word = argv[i];
        if (word == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (word == "--version") {
            const std::string_view version = zvk::ProgramVersion();
            std::printf("zvk %.*s\n", static_cast<int>(version.size()), version.data());
            return 0;
        }
    }
    // Qt takes its own options (-platform, -style, ...) out of argv here.
    QApplication app(argc, argv);
    QString file;
    bool files = false;  // after "--" every word is a file
    // Qt's own list, not argv: on Windows argv is in the ANSI code page and
    // loses a name such as прошивка.hex; the list is made from the wide one.
    const QStringList words = QCoreApplication::arguments();
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& word = words[i];
        if (!files && word == QLatin1String("--")) {
            files = true;
        } else if (!files && word.size() > 1 && word.front() == QLatin1Char('-')) {
            std::fprintf(stderr, "zvk: unknown option %s (zvk --help lists them)\n",
                         word.toLocal8Bit().constData());
            return 2;
        } else if (!file.isEmpty()) {
            std::fputs("zvk: give one file to load (zvk --help)\n", stderr);
            return 2;
        } else {
            file = word;
        }
    }
    QApplication::setApplicationName("zvk");
    // The desktop entry's name, so that the desktop ties the window to it.
    QGuiApplication::setDesktopFileName(ZVK_APP_ID);
    zvk::ui::InstallMessageBoxPresenter();
#ifdef _WIN32
    zvk::SetTransportFactory(zvk::MakeWin32SerialTransport);
#else
    zvk::SetTransportFactory(zvk::MakeQtSerialTransport);
#endif
    zvk::ui::StartUpOptions options;
    // By its whole path, so that Reload and the recent files find it again
    // from any folder.
    if (!file.isEmpty()) options.openFile = QFileInfo(file).absoluteFilePath().toStdString();
    return zvk::ui::RunZvk(options);
}
