// zvk: the desktop programmer. Wires the platform pieces together and runs
// the frame.

#include <QApplication>

#include "link/Link.h"
#include "link/QtSerialTransport.h"
#include "ui/DialogHelpers.h"
#include "ui/StartUp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zvk");
    zvk::ui::InstallMessageBoxPresenter();
    zvk::SetTransportFactory(zvk::MakeQtSerialTransport);
    return zvk::ui::RunZvk({});
}
