// The frame: start-up and the ways out, the command table and its dispatch,
// the menus and their greying, the buffer windows, the status bar, the
// toolbar, menu help and help.

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Job.h"
#include "app/Preferences.h"
#include "app/Settings.h"
#include "files/FileJob.h"
#include "tests/support/SettingsFolders.h"
#include "tests/ui/FrameFixture.h"
#include "ui/ChildWnd.h"
#include "ui/DialogHelpers.h"
#include "ui/HelpTexts.h"
#include "ui/ProgressDialogs.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace zvk::ui {

using test::MessageRecorder;
using test::ScopedPorts;
using test::TempDir;

namespace {

constexpr std::uint8_t kAt89C51 = 3;
constexpr std::uint8_t kAt89S53 = 7;
constexpr std::uint8_t kAt89S8252 = 11;
constexpr std::uint8_t kAt89C2051 = 1;
constexpr std::uint8_t kAt89C4051 = 2;
constexpr std::uint8_t kAt89S52 = 15;

QStringList Titles(const QWidget* menu) {
    QStringList titles;
    for (const QAction* action : menu->actions()) titles << action->text();
    return titles;
}

// Every command id that appears in a menu.
std::set<int> MenuIds(const QMenuBar* bar) {
    std::set<int> ids;
    for (const QAction* action : bar->findChildren<QAction*>()) {
        if (action->menu() == nullptr && action->data().toInt() != 0)
            ids.insert(action->data().toInt());
    }
    return ids;
}

int Id(CommandId id) { return static_cast<int>(id); }

ChildWnd* Child(ChildWnd* child) { return child; }

// A progress dialog's job that a signal interrupts: it raises the signal
// itself at its fifth step. It notes whether it was cancelled and whether it
// ever ran once the frame had released the buffers. One that cannot stop
// runs its 40 steps whatever happens.
class InterruptedJob final : public Job {
  public:
    InterruptedJob(int signal, bool canStop) : signal_(signal), canStop_(canStop) {}
    void Start() override {
        model.title = "Working";
        model.progressMax = kSteps;
    }
    StepResult Step() override {
        // A step works for its slice, as the device jobs do, so that the
        // dialog's frames hold a few steps, not all of them.
        std::this_thread::sleep_for(kStepBudget);
        if (App().FlashBuffer.empty()) ++stepsWithoutBuffers;
        if (++steps == 5) std::raise(signal_);
        if (cancelled) return StepResult::Finish(0);
        model.progressPos = static_cast<std::uint32_t>(steps);
        return steps < kSteps ? StepResult::Continue() : StepResult::Finish(1);
    }
    void Cancel() override { cancelled = canStop_; }

    static constexpr int kSteps = 40;
    ProgressModel model;
    int steps = 0;
    int stepsWithoutBuffers = 0;
    bool cancelled = false;

  private:
    int signal_;
    bool canStop_;
};

// A unit that acknowledges the presence check or stays silent, and has no
// part in its socket; it notes the cursor shown at each read.
class CursorWatchingPort final : public SerialTransport {
  public:
    CursorWatchingPort(bool answers, std::function<int()> cursor)
        : answers_(answers), cursor_(std::move(cursor)) {}
    bool Open(const std::string&) override { return true; }
    bool Configure() override { return true; }
    void Purge() override {}
    std::ptrdiff_t Write(const std::uint8_t* data, std::size_t count, Clock::Duration) override {
        if (count > 0) lastCommand_ = data[0];
        return static_cast<std::ptrdiff_t>(count);
    }
    std::ptrdiff_t Read(std::uint8_t* data, std::size_t, Clock::Duration) override {
        reads << cursor_();
        if (!answers_ || lastCommand_ != 0x0D) return 0;
        data[0] = '-';
        return 1;
    }
    void Close() override {}

    QList<int> reads;

  private:
    bool answers_;
    std::function<int()> cursor_;
    std::uint8_t lastCommand_ = 0;
};

}  // namespace

class FrameWndTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        CloseProgrammerPort();
        ResetAppState();
    }

    void firstStartWithoutSettingsFile() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(false);
        auto frame = test::StartTestFrame(dir);
        QCOMPARE(frame->windowTitle(), QString("Zelvik 89CXX Family Programmer"));
        QVERIFY(frame->isMaximized());
        QVERIFY(!frame->Closed());
        const AppState& app = App();
        QCOMPARE(int(app.PortIndex), 1);
        QCOMPARE(int(app.SelectedDevice), 0);
        QCOMPARE(int(app.FlashLastAddress), 1023);
        QCOMPARE(int(app.ProgrammingMode), int(kModeParallel));
        QCOMPARE(int(app.OptionFlags | app.ProtectionOptions | app.AutoSequence), 0);
        QCOMPARE(int(app.ProgramRange.DeviceEnd | app.ReadRange.Flags), 0);
        QCOMPARE(app.FlashBuffer.size(), kFlashBufferSize);
        // The unusable port still gives the main window, with the port in error.
        QCOMPARE(messages.Lines(),
                 std::vector<std::string>{"Error|Cannot Establish Communication"});
        QCOMPARE(ports.made, 1);
        FrameStatusBar* bar = frame->Status();
        QCOMPARE(bar->PaneText(1), QString("COM2 - Error"));
        QCOMPARE(bar->PaneText(2), QString("AT89C1051"));
        QCOMPARE(bar->PaneText(3), QString("Parallel"));
        QCOMPARE(bar->PaneText(4), QString("         "));
        QCOMPARE(frame->ShownMenu(), MenuKind::Frame);
    }

    void aboutOpensFirstAfterTheStatusBarIsWritten() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        StartUpOptions options;
        options.programDirectory = dir.Path().string();
        auto frame = StartFrame(options);
        QStringList seen;
        frame->SetAboutRunner(
            [&] { seen << frame->Status()->PaneText(1) << frame->Status()->PaneText(2); });
        QVERIFY(seen.isEmpty());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(seen, (QStringList{"COM2 - OK", "AT89C1051"}));
    }

    // An installed program: its folder stays as it is; the settings, read at
    // start and written on the way out, are in the user's folder.
    void aReadOnlyProgramFolderKeepsTheSettingsInTheUserFolder() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        std::filesystem::create_directories(dir / "config" / "zvk");
        std::ofstream(dir / "config" / "zvk" / "zvk.dat") << "0405";  // COM5, AT89C52
        std::ofstream(dir / "config" / "zvk" / "zvk.conf") << "images.folder=/srv/images\n";
        std::filesystem::create_directories(dir / "bin");
        test::ReadOnlyFolder program(dir / "bin");
        test::ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir / "config").string());
        StartUpOptions options;
        options.programDirectory = program.Path().string();
        options.showAbout = false;
        int portAtStart = -1;
        std::string preferenceAtStart;
        QTimer wayOut;
        wayOut.setSingleShot(true);
        connect(&wayOut, &QTimer::timeout, [&] {
            portAtStart = App().PortIndex;
            preferenceAtStart = GetPreference("images.folder");
            App().SelectedDevice = kAt89S8252;
            test::CurrentFrame()->OnCommand(Id(CommandId::Exit));
        });
        wayOut.start(0);
        QCOMPARE(RunZvk(options), 0);
        QCOMPARE(portAtStart, 4);
        QCOMPARE(preferenceAtStart, std::string("/srv/images"));
        QCOMPARE(test::ReadTextFile(dir / "config" / "zvk" / "zvk.dat").substr(0, 4),
                 std::string("040b"));
        QVERIFY(std::filesystem::is_empty(program.Path()));
    }

    void settingsAreWrittenOnceOnEveryWayOut_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("Exit") << "exit";
        QTest::newRow("Alt+X") << "alt-x";
        QTest::newRow("close box") << "close";
        QTest::newRow("no memory for the buffers") << "memory";
    }
    void settingsAreWrittenOnceOnEveryWayOut() {
        QFETCH(QString, way);
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        StartUpOptions options;
        options.programDirectory = dir.Path().string();
        options.showAbout = false;
        int writes = 0;
        options.saveSettings = [&] {
            ++writes;
            SaveSettings();
        };
        if (way == "memory") {
            options.allocate = [](std::vector<std::uint8_t>&, std::size_t) { return false; };
        }
        bool stillOpenAfterWayOut = true;
        // Dies with the test: after a failed start no loop runs to fire it.
        QTimer wayOut;
        wayOut.setSingleShot(true);
        connect(&wayOut, &QTimer::timeout, [&] {
            App().SelectedDevice = kAt89S52;  // something to find in the file
            if (way == "exit") test::CurrentFrame()->OnCommand(Id(CommandId::Exit));
            if (way == "alt-x") {
                test::CurrentFrame()->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(test::CurrentFrame()));
                QTest::keyClick(test::CurrentFrame(), Qt::Key_X, Qt::AltModifier);
            }
            if (way == "close") test::CurrentFrame()->close();
            stillOpenAfterWayOut = !test::CurrentFrame()->Closed();
            // Ends the loop whatever happened, so that a failure cannot hang.
            if (stillOpenAfterWayOut) test::CurrentFrame()->close();
        });
        wayOut.start(0);
        const int code = RunZvk(options);
        QCOMPARE(code, 0);
        QCOMPARE(writes, 1);
        if (way == "memory") {
            QCOMPARE(
                messages.Lines(),
                std::vector<std::string>{"Memory Allocation Error|Insufficient Memory Available"});
            QVERIFY(App().FlashBuffer.empty());
            QCOMPARE(ports.made, 0);
        } else {
            QVERIFY(!stillOpenAfterWayOut);
            QVERIFY(App().FlashBuffer.empty());
            QVERIFY(App().ProgrammerLink == nullptr);
            QCOMPARE(test::ReadTextFile(dir / "zvk.dat").substr(0, 4), std::string("010f"));
        }
        QVERIFY(std::filesystem::exists(dir / "zvk.dat"));
    }

    // A shut-down (SIGTERM), Ctrl+C (SIGINT) or a closed terminal (SIGHUP)
    // closes the frame from the event loop, after whatever was open has
    // ended its own way, and the settings are written once after the loop
    // (and before it too, while a job that cannot stop runs on).
    void signalsEndTheProgramWithTheSettingsWritten_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("open");  // what is open when it comes
        QTest::newRow("SIGTERM") << SIGTERM << "";
        QTest::newRow("SIGINT") << SIGINT << "";
        QTest::newRow("SIGHUP") << SIGHUP << "";
        QTest::newRow("SIGTERM over a message box") << SIGTERM << "message box";
        QTest::newRow("SIGINT over a message box") << SIGINT << "message box";
        QTest::newRow("SIGTERM over a message box of the start-up") << SIGTERM << "start-up";
        QTest::newRow("SIGTERM over a progress dialog") << SIGTERM << "progress";
        QTest::newRow("SIGHUP over a progress dialog") << SIGHUP << "progress";
        QTest::newRow("SIGTERM over a job that cannot stop") << SIGTERM << "unstoppable";
    }
    void signalsEndTheProgramWithTheSettingsWritten() {
        QFETCH(int, signal);
        QFETCH(QString, open);
        TempDir dir;
        std::ofstream(dir / "zvk.dat", std::ios::binary) << "010F";
        MessageRecorder messages;
        if (open == "message box" || open == "start-up") InstallMessageBoxPresenter();
        // The port that cannot be opened shows its message before the main loop runs.
        ScopedPorts ports(open != "start-up");
        StartUpOptions options;
        options.programDirectory = dir.Path().string();
        options.showAbout = false;
        InterruptedJob job(signal, open != "unstoppable");
        // The job's steps done at each write.
        std::vector<int> writes;
        options.saveSettings = [&] {
            writes.push_back(job.steps);
            SaveSettings();
        };
        // Whatever the test process was started with, the signal would end it.
        const auto previousHandler = std::signal(signal, SIG_DFL);
        bool endedWhileFrameOpen = false;
        bool startUpBoxUp = false;
        QTimer wayOut;
        wayOut.setSingleShot(true);
        connect(&wayOut, &QTimer::timeout, [&] {
            FrameWnd* frame = test::CurrentFrame();
            if (open == "start-up") {
                // Runs inside the message box's loop, before the main one.
                startUpBoxUp = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                std::raise(signal);
                return;
            }
            if (open.isEmpty()) {
                std::raise(signal);
                return;
            }
            if (open == "message box") {
                QTimer::singleShot(20, [signal] { std::raise(signal); });
                ShowMessage("Operation Completed Succesfully.", "Checksum",
                            MessageIcon::Information);
            } else {
                FileProgressDialog dialog(frame, job, job.model, "Cancel");
                dialog.Run();
            }
            endedWhileFrameOpen = !frame->Closed();
        });
        wayOut.start(0);
        // Ends the loop should nothing else, so that a failure cannot hang.
        bool guardFired = false;
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [&] {
            guardFired = true;
            for (QWidget* w = QApplication::activeModalWidget(); w != nullptr;
                 w = QApplication::activeModalWidget()) {
                w->close();
                QCoreApplication::processEvents();
            }
            test::CurrentFrame()->close();
        });
        guard.start(5000);
        const int code = RunZvk(options);
        std::signal(signal, previousHandler);

        QVERIFY(!guardFired);
        QCOMPARE(code, 128 + signal);
        // A job that cannot stop holds up the end: the settings are written
        // at once while it runs, and once more at the end.
        if (open == "unstoppable") {
            QCOMPARE(writes.size(), std::size_t{2});
            QVERIFY(writes[0] < int(InterruptedJob::kSteps));
        } else {
            QCOMPARE(writes.size(), std::size_t{1});
        }
        const std::string saved = test::ReadTextFile(dir / "zvk.dat");
        QCOMPARE(saved.size(), std::size_t{64});
        QCOMPARE(saved.substr(0, 4), std::string("010f"));
        QVERIFY(App().FlashBuffer.empty());
        QVERIFY(App().ProgrammerLink == nullptr);
        if (open == "start-up") {
            QVERIFY(startUpBoxUp);
        } else if (!open.isEmpty()) {
            QVERIFY(endedWhileFrameOpen);
        }
        if (open == "progress") {
            QVERIFY(job.cancelled);
            QVERIFY(job.steps < InterruptedJob::kSteps);
        }
        if (open == "unstoppable") QCOMPARE(job.steps, int(InterruptedJob::kSteps));
        QCOMPARE(job.stepsWithoutBuffers, 0);
    }

    void everyMenuItemIsInTheCommandTable() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        std::set<int> table;
        for (const FrameCommand& command : FrameCommands()) table.insert(Id(command.id));
        std::set<int> windowIds{Id(CommandId::Cascade),
                                Id(CommandId::TileHorizontally),
                                Id(CommandId::TileVertically),
                                Id(CommandId::ArrangeIcons),
                                Id(CommandId::CloseAll),
                                Id(CommandId::Undo),
                                Id(CommandId::Redo)};
        // The frame menu has no Window popup and no Edit popup.
        std::set<int> frameIds = MenuIds(frame->Menu(MenuKind::Frame));
        for (int id : windowIds) QVERIFY(frameIds.count(id) == 0);
        frameIds.insert(windowIds.begin(), windowIds.end());
        QCOMPARE(frameIds, table);
        QCOMPARE(MenuIds(frame->Menu(MenuKind::Child)), table);
    }

    void menusCarryTheirTexts() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        QCOMPARE(Titles(frame->Menu(MenuKind::Frame)),
                 (QStringList{"&File", "&Buffer", "&Device", "&Settings", "&Help"}));
        QCOMPARE(
            Titles(frame->Menu(MenuKind::Child)),
            (QStringList{"&File", "&Edit", "&Buffer", "&Device", "&Settings", "&Window", "&Help"}));
        const QMenu* file = frame->Menu(MenuKind::Frame)->actions()[0]->menu();
        QCOMPARE(Titles(file).mid(0, 3), (QStringList{"Load File", "Reload", "Save  &As..."}));
        const auto text = [&](MenuKind kind, CommandId id) {
            return frame->MenuItem(kind, id)->text();
        };
        QCOMPARE(text(MenuKind::Frame, CommandId::AutoProgrammingMode),
                 QString("&Auto Programming Mode"));
        QCOMPARE(text(MenuKind::Child, CommandId::AutoProgrammingMode),
                 QString("&Auto Programming Mode"));
        QCOMPARE(text(MenuKind::Frame, CommandId::Protection), QString("&Protection"));
        QCOMPARE(text(MenuKind::Child, CommandId::Protection), QString("&Protection"));
        QCOMPARE(text(MenuKind::Child, CommandId::Exit), QString("E&xit"));
        QCOMPARE(text(MenuKind::Child, CommandId::ChecksumEeprom), QString("C&hecksum"));
        QCOMPARE(text(MenuKind::Frame, CommandId::BlankCheckEeprom), QString("BlankCheck EEPROM"));
        QCOMPARE(frame->MenuItem(MenuKind::Frame, CommandId::EditFlash)->shortcut(),
                 QKeySequence("F1"));
        QCOMPARE(frame->MenuItem(MenuKind::Child, CommandId::Exit)->shortcut(),
                 QKeySequence("Alt+X"));
    }

    // The unit is asked whether it is there and for the part's signature
    // under the busy cursor; the message that follows is not.
    void theDeviceCheckWaitsUnderTheBusyCursor_data() {
        QTest::addColumn<bool>("unitAnswers");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent unit") << false << "Error|Unable to Access the programmer!";
        QTest::newRow("no part in the socket") << true << "ERROR|Error - No Device in the socket";
    }
    void theDeviceCheckWaitsUnderTheBusyCursor() {
        QFETCH(bool, unitAnswers);
        QFETCH(QString, message);
        TempDir dir;
        ScopedPorts ports(true);
        auto frame = test::StartTestFrame(dir);
        const auto cursor = [] {
            const QCursor* shown = QApplication::overrideCursor();
            return shown != nullptr ? int(shown->shape()) : -1;
        };
        CursorWatchingPort port(unitAnswers, cursor);
        App().ProgrammerLink = &port;
        App().SelectedDevice = kAt89S52;
        App().ProgrammingMode = kModeParallel;
        QList<int> atMessage;
        MessageRecorder messages;
        const MessagePresenter previous = SetMessagePresenter([&](const Message& m) {
            atMessage << cursor();
            return previous(m);
        });
        frame->OnCommand(Id(CommandId::Program));
        SetMessagePresenter(previous);
        App().ProgrammerLink = nullptr;
        QCOMPARE(messages.Lines(), std::vector<std::string>{message.toStdString()});
        QCOMPARE(atMessage, QList<int>{-1});
        QVERIFY(!port.reads.isEmpty());
        QCOMPARE(port.reads, QList<int>(port.reads.size(), int(Qt::BusyCursor)));
        QCOMPARE(cursor(), -1);
    }

    void commandKindsAndDeviceChecks() {
        // Flash (F), EEPROM (E) or no buffer, and the device check (*).
        const std::map<CommandId, std::string> expected{
            {CommandId::LoadFlash, "F"},
            {CommandId::LoadEeprom, "E"},
            {CommandId::SaveFlash, "F"},
            {CommandId::SaveEeprom, "E"},
            {CommandId::ClearFlash, "F"},
            {CommandId::FillFlash, "F"},
            {CommandId::CopyFlash, "F"},
            {CommandId::ChecksumFlash, "F"},
            {CommandId::ClearEeprom, "E"},
            {CommandId::FillEeprom, "E"},
            {CommandId::CopyEeprom, "E"},
            {CommandId::ChecksumEeprom, "E"},
            {CommandId::Auto, "F*"},
            {CommandId::Erase, "*"},
            {CommandId::BlankCheck, "F*"},
            {CommandId::Program, "F*"},
            {CommandId::Read, "F*"},
            {CommandId::Verify, "F*"},
            {CommandId::Protect, "*"},
            {CommandId::SerialProgramEnable, "*"},
            {CommandId::SerialProgramDisable, "*"},
            {CommandId::BlankCheckEeprom, "E*"},
            {CommandId::ProgramEeprom, "E*"},
            {CommandId::ReadEeprom, "E*"},
            {CommandId::VerifyEeprom, "E*"},
        };
        QCOMPARE(FrameCommands().size(), std::size_t{47});
        for (const FrameCommand& command : FrameCommands()) {
            std::string got = command.kind == CommandKind::Flash    ? "F"
                              : command.kind == CommandKind::Eeprom ? "E"
                                                                    : "";
            if (command.checkDevice) got += "*";
            const auto found = expected.find(command.id);
            QCOMPARE(got, found == expected.end() ? std::string() : found->second);
        }
    }

    void aFailedDeviceCheckStopsTheCommandBeforeItsKindIsSet() {
        TempDir dir;
        ScopedPorts ports(false);
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89S8252;
        App().ProgrammingMode = kModeParallel;
        for (const FrameCommand& command : FrameCommands()) {
            if (!command.checkDevice) continue;
            messages.messages.clear();
            App().CurrentBufferKind =
                command.kind == CommandKind::Flash ? BufferKind::Eeprom : BufferKind::Flash;
            const BufferKind before = App().CurrentBufferKind;
            frame->OnCommand(Id(command.id));
            QCOMPARE(messages.Lines(),
                     std::vector<std::string>{"Error|Unable to Access the programmer!"});
            QCOMPARE(App().CurrentBufferKind, before);
        }
        // A buffer command sets its kind and runs: Clear of the EEPROM buffer.
        App().CurrentBufferKind = BufferKind::Flash;
        EepromWrite(0x10, 0x42);
        frame->OnCommand(Id(CommandId::ClearEeprom));
        QCOMPARE(App().CurrentBufferKind, BufferKind::Eeprom);
        QCOMPARE(int(EepromRead(0x10)), 0xFF);
    }

    void eepromAndSerialItemsFollowThePartInBothMenus() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        const CommandId eeprom[] = {
            CommandId::LoadEeprom,     CommandId::SaveEeprom,       CommandId::EditEeprom,
            CommandId::ClearEeprom,    CommandId::FillEeprom,       CommandId::CopyEeprom,
            CommandId::ChecksumEeprom, CommandId::BlankCheckEeprom, CommandId::ProgramEeprom,
            CommandId::ReadEeprom,     CommandId::VerifyEeprom};
        const auto expectEeprom = [&](bool enabled) {
            for (MenuKind kind : {MenuKind::Frame, MenuKind::Child}) {
                for (CommandId id : eeprom)
                    QCOMPARE(frame->MenuItem(kind, id)->isEnabled(), enabled);
                QVERIFY(frame->MenuItem(kind, CommandId::EditFlash)->isEnabled());
            }
            for (CommandId id :
                 {CommandId::LoadEeprom, CommandId::SaveEeprom, CommandId::EditEeprom}) {
                QCOMPARE(frame->ToolBar()->Button(id)->isEnabled(), enabled);
            }
        };
        App().SelectedDevice = kAt89C51;
        frame->UpdateDeviceMenus();
        expectEeprom(false);
        App().SelectedDevice = kAt89S8252;
        frame->UpdateDeviceMenus();
        expectEeprom(true);
        frame->OnCommand(Id(CommandId::EditEeprom));
        QVERIFY(test::OpenWindow(ui::CommandId::EditEeprom) != nullptr);
        App().SelectedDevice = kAt89C51;
        frame->UpdateDeviceMenus();
        expectEeprom(false);
        QVERIFY(test::OpenWindow(ui::CommandId::EditEeprom) == nullptr);

        const auto serialItems = [&](bool enabled) {
            for (MenuKind kind : {MenuKind::Frame, MenuKind::Child}) {
                QCOMPARE(frame->MenuItem(kind, CommandId::SerialProgramEnable)->isEnabled(),
                         enabled);
                QCOMPARE(frame->MenuItem(kind, CommandId::SerialProgramDisable)->isEnabled(),
                         enabled);
            }
        };
        App().SelectedDevice = kAt89S53;
        App().ProgrammingMode = 0;
        frame->UpdateDeviceMenus();
        serialItems(false);
        App().ProgrammingMode = kModeParallel;
        frame->UpdateDeviceMenus();
        serialItems(true);
        App().SelectedDevice = kAt89S52;  // SPI-capable but without the switch
        frame->UpdateDeviceMenus();
        serialItems(false);
    }

    void bufferWindowsOpenOnceAndSwitchTheMenus() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        const auto childButtons = [&](bool enabled) {
            for (CommandId id :
                 {CommandId::CloseAll, CommandId::TileHorizontally, CommandId::TileVertically}) {
                QCOMPARE(frame->ToolBar()->Button(id)->isEnabled(), enabled);
            }
        };
        childButtons(false);
        frame->OnCommand(Id(CommandId::EditFlash));
        frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(frame->Client()->subWindowList().size(), 1);
        QCOMPARE(Child(test::OpenWindow(ui::CommandId::EditFlash))->windowTitle(),
                 QString("Buffer - Flash"));
        QCOMPARE(frame->ShownMenu(), MenuKind::Child);
        childButtons(true);

        frame->OnCommand(Id(CommandId::Disassembly));
        QCOMPARE(frame->Client()->subWindowList().size(), 2);
        QCOMPARE(frame->Client()->currentSubWindow()->widget(),
                 Child(test::OpenWindow(ui::CommandId::Disassembly)));
        // Bringing the Flash editor forward again.
        frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(frame->Client()->currentSubWindow()->widget(),
                 Child(test::OpenWindow(ui::CommandId::EditFlash)));
        QCOMPARE(frame->Client()->subWindowList().size(), 2);

        // Locate goes to the Flash editor; an unknown command to the active window.
        bool asked = false;
        QTimer::singleShot(0, [&asked] {  // the editor asks for the address: cancelled
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                asked = true;
                dialog->reject();
            }
        });
        frame->OnCommand(Id(CommandId::LocateFlash));
        frame->OnCommand(Id(CommandId::Disassembly));
        frame->OnCommand(41999);
        QVERIFY(asked);
        QVERIFY(Child(test::OpenWindow(ui::CommandId::EditFlash))->ReceivedCommands().empty());
        QCOMPARE(Child(test::OpenWindow(ui::CommandId::Disassembly))->ReceivedCommands(),
                 std::vector<int>{41999});

        frame->OnCommand(Id(CommandId::TileVertically));
        const auto windows = frame->Client()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(windows[0]->geometry().top(), windows[1]->geometry().top());
        QVERIFY(windows[0]->geometry().right() < windows[1]->geometry().left());
        frame->OnCommand(Id(CommandId::TileHorizontally));
        QVERIFY(windows[0]->geometry().bottom() < windows[1]->geometry().top());

        // Arrange Icons lines up the minimised windows along the bottom.
        for (QMdiSubWindow* window : windows) window->showMinimized();
        windows[0]->move(300, 40);
        frame->OnCommand(Id(CommandId::ArrangeIcons));
        const int bottom = frame->Client()->viewport()->rect().bottom();
        QCOMPARE(windows[0]->geometry().bottom(), bottom);
        QCOMPARE(windows[1]->geometry().bottom(), bottom);
        QCOMPARE(windows[0]->geometry().left(), 0);
        QCOMPARE(windows[1]->geometry().left(), windows[0]->geometry().right() + 1);

        frame->OnCommand(Id(CommandId::CloseAll));
        QVERIFY(test::OpenWindow(ui::CommandId::EditFlash) == nullptr &&
                test::OpenWindow(ui::CommandId::Disassembly) == nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame->Client()->subWindowList().size(), 0);
        QCOMPARE(frame->ShownMenu(), MenuKind::Frame);
        childButtons(false);
    }

    void theWindowMenuListsTheOpenWindows() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        frame->OnCommand(Id(CommandId::EditFlash));
        frame->OnCommand(Id(CommandId::Disassembly));
        QMenu* window = frame->Menu(MenuKind::Child)->actions()[5]->menu();
        emit window->aboutToShow();
        QStringList listed;
        for (const QAction* action : window->actions()) {
            // The list's entries count from 50000, one a window.
            const int id = action->data().toInt();
            if (id >= 50000 && id < 50003 && !action->isSeparator()) {
                listed << action->text() + (action->isChecked() ? "*" : "");
            }
        }
        QCOMPARE(listed, (QStringList{"&1 Buffer - Flash", "&2 Buffer - Disassembly view*"}));
    }

    // The Window menu as a user meets it: opened again and again while
    // windows come and go, its own commands stay, and each works from it.
    void theWindowMenuKeepsItsCommandsOverRepeatedOpenings() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        QMenu* window = frame->Menu(MenuKind::Child)->actions()[5]->menu();
        const QStringList commands{"&Cascade", "Tile &Horizontally", "Tile &Vertically",
                                   "&Arrange Icons", "&Close All"};
        const auto openAndRead = [&] {
            window->popup(frame->mapToGlobal(QPoint(40, 40)));
            QCoreApplication::processEvents();
            QStringList texts;
            for (const QAction* action : window->actions()) {
                if (!action->isSeparator()) texts << action->text();
            }
            window->hide();
            QCoreApplication::processEvents();
            return texts;
        };
        const auto closeFlash = [&] {
            Child(test::OpenWindow(ui::CommandId::EditFlash))->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(openAndRead(), commands + QStringList("&1 Buffer - Flash"));
        frame->OnCommand(Id(CommandId::Disassembly));
        QCOMPARE(openAndRead(),
                 (commands + QStringList{"&1 Buffer - Flash", "&2 Buffer - Disassembly view"}));
        closeFlash();
        QCOMPARE(openAndRead(), commands + QStringList("&1 Buffer - Disassembly view"));
        frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(openAndRead(),
                 (commands + QStringList{"&1 Buffer - Disassembly view", "&2 Buffer - Flash"}));

        const auto item = [&](CommandId id) -> QAction* {
            for (QAction* action : window->actions()) {
                if (action->data().toInt() == Id(id)) return action;
            }
            return nullptr;
        };
        const auto windows = frame->Client()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(windows.size(), 2);
        item(CommandId::TileVertically)->trigger();
        QCOMPARE(windows[0]->geometry().top(), windows[1]->geometry().top());
        QVERIFY(windows[0]->geometry().right() < windows[1]->geometry().left());
        item(CommandId::TileHorizontally)->trigger();
        QVERIFY(windows[0]->geometry().bottom() < windows[1]->geometry().top());
        item(CommandId::Cascade)->trigger();
        QVERIFY(windows[0]->geometry().intersects(windows[1]->geometry()));
        QVERIFY(windows[0]->geometry().topLeft() != windows[1]->geometry().topLeft());
        for (QMdiSubWindow* w : windows) w->showMinimized();
        windows[0]->move(300, 40);
        item(CommandId::ArrangeIcons)->trigger();
        QCOMPARE(windows[0]->geometry().bottom(), frame->Client()->viewport()->rect().bottom());
        item(CommandId::CloseAll)->trigger();
        QVERIFY(test::OpenWindow(ui::CommandId::EditFlash) == nullptr &&
                test::OpenWindow(ui::CommandId::Disassembly) == nullptr);
    }

    // Ctrl+F4 closes the active window and Ctrl+F6 brings the next one
    // forward; Qt's own Ctrl+W closes nothing.
    void ctrlF4ClosesAndCtrlF6CyclesTheBufferWindows() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        frame->OnCommand(Id(CommandId::EditFlash));
        frame->OnCommand(Id(CommandId::Disassembly));
        const auto press = [](Qt::Key key) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus != nullptr);
            QTest::keyClick(focus, key, Qt::ControlModifier);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        const auto active = [&]() -> QWidget* {
            QMdiSubWindow* window = frame->Client()->activeSubWindow();
            return window != nullptr ? window->widget() : nullptr;
        };
        QCOMPARE(active(), Child(test::OpenWindow(ui::CommandId::Disassembly)));
        press(Qt::Key_F6);
        QCOMPARE(active(), Child(test::OpenWindow(ui::CommandId::EditFlash)));
        press(Qt::Key_F6);
        QCOMPARE(active(), Child(test::OpenWindow(ui::CommandId::Disassembly)));
        press(Qt::Key_W);
        QCOMPARE(frame->Client()->subWindowList().size(), 2);
        press(Qt::Key_F4);
        QVERIFY(test::OpenWindow(ui::CommandId::Disassembly) == nullptr);
        QCOMPARE(active(), Child(test::OpenWindow(ui::CommandId::EditFlash)));
        press(Qt::Key_F4);
        QVERIFY(test::OpenWindow(ui::CommandId::EditFlash) == nullptr);
        QCOMPARE(frame->Client()->subWindowList().size(), 0);
    }

    // F1 is one shortcut, wherever the keyboard focus is.
    void f1OpensTheFlashEditorWhereverTheFocusIs_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("frame menu bar") << "frame menu";
        QTest::newRow("child menu bar") << "child menu";
        QTest::newRow("disassembly view") << "view";
    }
    void f1OpensTheFlashEditorWhereverTheFocusIs() {
        QFETCH(QString, focus);
        QTest::failOnWarning(QRegularExpression("Ambiguous shortcut"));
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        if (focus != "frame menu") frame->OnCommand(Id(CommandId::Disassembly));
        QWidget* target = focus == "frame menu" ? frame->Menu(MenuKind::Frame)
                          : focus == "child menu"
                              ? frame->Menu(MenuKind::Child)
                              : Child(test::OpenWindow(ui::CommandId::Disassembly))->focusProxy();
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_F1);
        QVERIFY(test::OpenWindow(ui::CommandId::EditFlash) != nullptr);
        QCOMPARE(frame->Client()->activeSubWindow()->widget(),
                 Child(test::OpenWindow(ui::CommandId::EditFlash)));
    }

    void statusBarPanesKeepTheirWidths() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        frame->showNormal();
        for (int width : {900, 640}) {
            frame->resize(width, 480);
            QCoreApplication::processEvents();
            for (int pane = 1; pane < kStatusPaneCount; ++pane) {
                QCOMPARE(frame->Status()->Pane(pane)->width(),
                         kStatusPaneWidths[static_cast<std::size_t>(pane - 1)]);
            }
            QCOMPARE(frame->Status()->PaneText(0), QString("Ready"));
            // The client sits between the toolbar and the status bar.
            QCOMPARE(frame->Client()->geometry().top(), frame->ToolBar()->geometry().bottom() + 1);
            QCOMPARE(frame->Client()->geometry().bottom() + 1, frame->Status()->geometry().top());
        }
    }

    void statusBarTexts() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        auto frame = test::StartTestFrame(dir);
        FrameStatusBar* bar = frame->Status();
        App().PortIndex = 2;
        OpenProgrammerPort(2);
        bar->ShowState();
        QCOMPARE(bar->PaneText(1), QString("COM3 - OK"));
        {
            ScopedPorts failing(false);
            OpenProgrammerPort(2);
            bar->ShowState();
            QCOMPARE(bar->PaneText(1), QString("COM3 - Error"));
        }
        App().SelectedDevice = kAt89C4051;
        App().ProgrammingMode = 0;
        bar->ShowState();
        QCOMPARE(bar->PaneText(2), QString("AT89C4051"));
        QCOMPARE(bar->PaneText(3), QString("Parallel"));
        QCOMPARE(int(App().ProgrammingMode), int(kModeParallel));
        App().SelectedDevice = kAt89S52;
        App().ProgrammingMode = 0;
        App().ProtectionOptions = kProtect3Lb1 | kProtect3Lb3 | kProtect2Lb2;
        bar->ShowState();
        QCOMPARE(bar->PaneText(3), QString("SPI"));
        QCOMPARE(bar->PaneText(4), QString("LB1     LB3"));
        App().SelectedDevice = kAt89C2051;
        bar->ShowState();
        QCOMPARE(bar->PaneText(4), QString("    LB2  "));
    }

    void lockBitTexts_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("20-pin none, 40-pin bits ignored") << 0 << 0x07 << "         ";
        QTest::newRow("20-pin LB1") << 0 << 0x10 << "LB1      ";
        QTest::newRow("20-pin LB2") << 13 << 0x20 << "    LB2  ";
        QTest::newRow("20-pin both") << 2 << 0x30 << "LB1 LB2  ";
        QTest::newRow("40-pin none, 20-pin bits ignored") << 3 << 0x30 << "         ";
        QTest::newRow("40-pin LB1 LB2") << 9 << 0x03 << "LB1 LB2  ";
        QTest::newRow("40-pin LB3") << 15 << 0x04 << "        LB3";
        QTest::newRow("40-pin LB2 LB3") << 11 << 0x06 << "    LB2 LB3";
        QTest::newRow("40-pin all") << 5 << 0xFF << "LB1 LB2 LB3";
    }
    void lockBitTexts() {
        QFETCH(int, part);
        QFETCH(int, bits);
        QFETCH(QString, text);
        const std::string_view got = LockBitText(DeviceTable[static_cast<std::size_t>(part)],
                                                 static_cast<std::uint8_t>(bits));
        QCOMPARE(QString::fromLatin1(got.data(), static_cast<qsizetype>(got.size())), text);
    }

    void toolBarEntries() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        const QList<QAction*> entries = frame->ToolBar()->actions();
        QCOMPARE(entries.size(), 30);
        QStringList tips;
        QStringList disabled;
        for (const QAction* entry : entries) {
            if (entry->isSeparator()) {
                tips << "|";
                continue;
            }
            tips << entry->toolTip();
            if (!entry->isEnabled()) disabled << entry->toolTip();
            QVERIFY(!entry->icon().isNull());
        }
        QCOMPARE(tips, (QStringList{"Load to Flash Buffer",
                                    "Load to EEPROM Buffer",
                                    "Reload File",
                                    "Save Flash Buffer",
                                    "Save EEPROM Buffer",
                                    "|",
                                    "Disassemble Window",
                                    "Edit Flash Buffer",
                                    "Edit EEPROM Buffer",
                                    "|",
                                    "Enter Program",
                                    "|",
                                    "Set Flash Buffer Address",
                                    "Clear Flash Buffer",
                                    "Fill Flash Buffer",
                                    "Copy Flash Buffer",
                                    "|",
                                    " Select Device",
                                    " Auto Programming",
                                    "Erase",
                                    " Blank Check - Flash",
                                    "Program Flash",
                                    "Verify Flash",
                                    "Read Flash",
                                    "Protect Device",
                                    "|",
                                    "Tile Horizontally",
                                    "Tile Vertically",
                                    "Close All Windows",
                                    "About"}));
        // The part of a first start, AT89C1051, has no EEPROM, and nothing
        // has been loaded that Reload could repeat.
        QCOMPARE(disabled,
                 (QStringList{"Load to EEPROM Buffer", "Reload File", "Save EEPROM Buffer",
                              "Edit EEPROM Buffer", "Set Flash Buffer Address", "Tile Horizontally",
                              "Tile Vertically", "Close All Windows"}));
        // A button sends its command.
        frame->ToolBar()->Button(CommandId::Disassembly)->trigger();
        QVERIFY(test::OpenWindow(ui::CommandId::Disassembly) != nullptr);
    }

    void menuHelpGoesToTheFirstPane() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        FrameStatusBar* bar = frame->Status();
        frame->MenuItem(MenuKind::Frame, CommandId::Program)->hover();
        QCOMPARE(bar->PaneText(0), QString("Program the flash area of device"));
        frame->MenuItem(MenuKind::Child, CommandId::EditFlash)->hover();
        QCOMPARE(bar->PaneText(0), QString("Open/Edit Flash Buffer "));
        frame->MenuItem(MenuKind::Frame, CommandId::HelpContents)->hover();
        QCOMPARE(bar->PaneText(0), QString());
        frame->MenuItem(MenuKind::Frame, CommandId::Exit)->hover();
        QCOMPARE(bar->PaneText(0), QString("Quit Programmer"));
        // Qt's own status tips do not cover the panes.
        QStatusTipEvent tip("something else");
        QCoreApplication::sendEvent(frame.get(), &tip);
        QCOMPARE(bar->PaneText(0), QString("Quit Programmer"));
        QVERIFY(bar->Pane(0)->isVisible());
        QCOMPARE(QString::fromLatin1(ToolTipText(Id(CommandId::Exit)).data()), QString());
    }

    // The mouse on a greyed item shows that item's help too.
    void menuHelpFollowsTheMouseOverGreyedItems() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89C51;  // no EEPROM: its items are grey
        frame->UpdateDeviceMenus();
        FrameStatusBar* bar = frame->Status();
        QMenu* device = frame->Menu(MenuKind::Frame)->actions()[2]->menu();
        device->popup(frame->mapToGlobal(QPoint(60, 60)));
        QVERIFY(QTest::qWaitForWindowExposed(device));
        const auto moveOnto = [&](CommandId id) {
            QAction* item = frame->MenuItem(MenuKind::Frame, id);
            const QPoint at = device->actionGeometry(item).center();
            QMouseEvent move(QEvent::MouseMove, at, device->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(device, &move);
            return bar->PaneText(0);
        };
        QCOMPARE(moveOnto(CommandId::Program), QString("Program the flash area of device"));
        QVERIFY(!frame->MenuItem(MenuKind::Frame, CommandId::ProgramEeprom)->isEnabled());
        QCOMPARE(moveOnto(CommandId::ProgramEeprom), QString("Program the EEPROM area of device"));
        QCOMPARE(moveOnto(CommandId::ReadEeprom), QString("Read the EEPROM contents from device"));
        QCOMPARE(moveOnto(CommandId::Verify), QString("Verify the flash contents with buffer"));
        device->hide();
    }

    void helpShowsOurPagesOrTheErrorEachTime() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        messages.messages.clear();  // the port of the start
        frame->OnCommand(Id(CommandId::HelpContents));
        frame->OnCommand(Id(CommandId::HelpContents));
        const std::string error =
            "ERROR|Error: Help File Not Found or\nRequires Internet explorer with version 4.0";
        QCOMPARE(messages.Lines(), (std::vector<std::string>{error, error}));
        QVERIFY(frame->HelpWindow() == nullptr);

        std::filesystem::create_directory(dir / "help");
        std::ofstream(dir / "help" / "index.html")
            << "<html><body><h1>zvk manual</h1></body></html>";
        frame->OnCommand(Id(CommandId::HelpContents));
        QCOMPARE(messages.messages.size(), std::size_t{2});
        QVERIFY(frame->HelpWindow() != nullptr);
        QVERIFY(frame->HelpWindow()->isVisible());
        QVERIFY(frame->HelpWindow()->toPlainText().contains("zvk manual"));

        // It has a close box, and Escape and Ctrl+W close it.
        QVERIFY(frame->HelpWindow()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence("Ctrl+W")}) {
            frame->OnCommand(Id(CommandId::HelpContents));
            QVERIFY(QTest::qWaitForWindowActive(frame->HelpWindow()));
            QTest::keySequence(frame->HelpWindow(), keys);
            QVERIFY2(!frame->HelpWindow()->isVisible(), qPrintable(keys.toString()));
        }
    }

    // Locate is greyed while its editor is not open; the opener's button is
    // pressed only while its own window is the active one; the Settings
    // items keep their mnemonics in the buffer windows' menu.
    void bufferCommandsFollowTheOpenWindows() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89S8252;
        frame->UpdateDeviceMenus();
        const auto locate = [&](CommandId id) {
            const bool enabled = frame->MenuItem(MenuKind::Frame, id)->isEnabled();
            if (frame->MenuItem(MenuKind::Child, id)->isEnabled() != enabled) return -1;
            return int(enabled);
        };
        QCOMPARE(locate(CommandId::LocateFlash), 0);
        QCOMPARE(locate(CommandId::LocateEeprom), 0);
        frame->OnCommand(Id(CommandId::Disassembly));
        QCOMPARE(locate(CommandId::LocateFlash), 0);
        frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(locate(CommandId::LocateFlash), 1);
        QCOMPARE(locate(CommandId::LocateEeprom), 0);
        frame->OnCommand(Id(CommandId::EditEeprom));
        QCOMPARE(locate(CommandId::LocateEeprom), 1);

        const auto pressed = [&] {
            QStringList down;
            for (CommandId id :
                 {CommandId::Disassembly, CommandId::EditFlash, CommandId::EditEeprom})
                if (frame->ToolBar()->Button(id)->isChecked()) down << QString::number(Id(id));
            return down;
        };
        QCOMPARE(pressed(), QStringList{QString::number(Id(CommandId::EditEeprom))});
        // Each window brought forward by its button, as a user would click it.
        for (CommandId id : {CommandId::Disassembly, CommandId::EditFlash, CommandId::Disassembly,
                             CommandId::EditEeprom}) {
            frame->ToolBar()->Button(id)->trigger();
            QCOMPARE(pressed(), QStringList{QString::number(Id(id))});
        }
        Child(test::OpenWindow(ui::CommandId::EditFlash))->parentWidget()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(locate(CommandId::LocateFlash), 0);

        for (CommandId id : {CommandId::AutoProgrammingMode, CommandId::Protection}) {
            QCOMPARE(frame->MenuItem(MenuKind::Child, id)->text(),
                     frame->MenuItem(MenuKind::Frame, id)->text());
            QVERIFY(frame->MenuItem(MenuKind::Child, id)->text().startsWith('&'));
        }
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::FrameWndTest)
#include "FrameWndTest.moc"
