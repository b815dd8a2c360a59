// zvk: the desktop programmer. Wires the platform pieces together and runs
// the frame.

#include <QApplication>

#include <cstdio>
#include <string_view>

#include "app/Installation.h"
#include "link/Link.h"
#include "link/QtSerialTransport.h"
#include "ui/DialogHelpers.h"
#include "ui/StartUp.h"

namespace {

constexpr const char* kHelp =
    "Usage: zvk [--help | --version]\n"
    "The desktop programmer for AT89-series flash microcontrollers (Zelvik 89CXX\n"
    "Family Programmer): loads Intel HEX and binary images, shows and edits them in\n"
    "hex editors and an 8051 disassembly view with a one-line assembler, and erases,\n"
    "blank-checks, programs, reads, verifies and protects the chips through a\n"
    "programmer unit on a serial port (COM1 to COM9, 38400 baud).\n"
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
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (option == "--version") {
            const std::string_view version = zvk::ProgramVersion();
            std::printf("zvk %.*s\n", static_cast<int>(version.size()), version.data());
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("zvk");
    // The desktop entry's name, so that the desktop ties the window to it.
    QGuiApplication::setDesktopFileName(ZVK_APP_ID);
    zvk::ui::InstallMessageBoxPresenter();
    zvk::SetTransportFactory(zvk::MakeQtSerialTransport);
    return zvk::ui::RunZvk({});
}
