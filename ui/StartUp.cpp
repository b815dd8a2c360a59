#include "ui/StartUp.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

#include "app/AppState.h"
#include "app/Preferences.h"
#include "app/ProgramDirectory.h"
#include "app/Settings.h"
#include "link/Link.h"
#include "ui/CommandIds.h"
#include "ui/FrameWnd.h"
#include "ui/SessionEnd.h"
#include "ui/StatusBar.h"

namespace zvk::ui {

std::unique_ptr<FrameWnd> StartFrame(const StartUpOptions& options) {
    if (options.programDirectory.empty()) {
        GetProgramDirectory();
    } else {
        App().ProgramDirectory = options.programDirectory;
    }
    auto frame = std::make_unique<FrameWnd>();
    LoadSettings();
    LoadPreferences();
    // Without a window manager to maximise it, the frame still fills the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        frame->setGeometry(screen->availableGeometry());
    }
    frame->showMaximized();
    frame->repaint();
    if (options.showAbout || !options.openFile.empty()) {
        // Queued, so that they come only once the steps below have run and
        // the status bar shows the port and the part; the file loads after
        // the About box has closed, not in a dialog on top of it.
        FrameWnd* target = frame.get();
        QMetaObject::invokeMethod(
            target,
            [target, about = options.showAbout, file = QString::fromStdString(options.openFile)] {
                if (about) target->OnCommand(static_cast<int>(CommandId::About));
                if (!file.isEmpty() && !target->Closed()) {
                    target->OpenFile(BufferKind::Flash, file, true);
                }
            },
            Qt::QueuedConnection);
    }
    if (AllocateBuffers(options.allocate) != 0) frame->close();
    frame->UpdateDeviceMenus();
    if (!frame->Closed()) OpenProgrammerPort(App().PortIndex);
    frame->Status()->ShowState();
    return frame;
}

int RunZvk(const StartUpOptions& options) {
    // Caught from before the frame exists, so that a shut-down during start-up
    // still ends through the loop with the settings written; kept until after
    // they are written, so that a late signal cannot cut that short.
    SessionEnd sessionEnd;
    const std::function<void()> save =
        options.saveSettings ? options.saveSettings : std::function<void()>(SaveSettings);
    sessionEnd.SetEarlySave(save);
    int code = 0;
    {
        std::unique_ptr<FrameWnd> frame = StartFrame(options);
        sessionEnd.Watch(*frame);
        if (!frame->Closed()) code = QApplication::exec();
    }
    save();
    // Ended by a signal: the status a shell reports for it, so that a script
    // does not carry on as if the user had chosen Exit.
    if (code == 0 && sessionEnd.EndingSignal() != 0) code = 128 + sessionEnd.EndingSignal();
    return code;
}

}  // namespace zvk::ui
