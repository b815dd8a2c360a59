// The edit-compile-program loop in the desktop program: File > Reload (menu,
// F5, toolbar) after the file changed, across runs, and the question that
// Program, Verify and Auto ask first, each answer played against the virtual
// unit in-process. One case builds its images with sdcc.

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "files/Reload.h"
#include "sim/InProcessTransport.h"
#include "sim/UnitLine.h"
#include "sim/UnitModel.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/HexEditWnd.h"
#include "ui/ProgressDialogs.h"
#include "ui/ToolBar.h"
#include "views/HexEditor.h"

namespace zvk::ui {

using namespace zvk::views;

using test::FileAnswer;
using test::MessageRecorder;
using test::ModalScript;
using test::ReadTextFile;
using test::TempDir;

namespace {

int Id(CommandId id) { return static_cast<int>(id); }

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// 16 bytes of one value at 0000, as Intel HEX.
std::string Image(int value) {
    QString line = QString(":10000000");
    int sum = 0x10;
    for (int i = 0; i < 16; ++i) {
        line += QString("%1").arg(value, 2, 16, QChar('0')).toUpper();
        sum += value;
    }
    line += QString("%1").arg((0x100 - (sum & 0xFF)) & 0xFF, 2, 16, QChar('0')).toUpper();
    return line.toStdString() + "\n:00000001FF\n";
}

std::function<bool(LoadDetailsDialog*)> AcceptDetails() {
    return [](LoadDetailsDialog* dialog) {
        dialog->accept();
        return true;
    };
}

std::function<bool(RangeDialogView*)> FullDevice() {
    return [](RangeDialogView* view) {
        if (!view->FullDevice()->isChecked()) view->FullDevice()->click();
        view->accept();
        return true;
    };
}

// Fails a test fast that waits for a dialog which never comes: after a while
// it closes every modal dialog that shows up, so that the test goes on to its
// checks instead of hanging until Qt Test gives up.
class Watchdog {
  public:
    Watchdog() {
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (clock_.elapsed() < 20000) return;
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->done(0);
            }
        });
        clock_.start();
        timer_.start();
    }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
};

// The desktop program started in its own folder with the virtual unit as
// its port, in-process, on a manual clock; every byte on the wire is logged.
class FrameWithUnit {
  public:
    explicit FrameWithUnit(std::string_view part, std::uint8_t autoSequence = 0xFF)
        : scopedClock_(clock_) {
        CloseProgrammerPort();
        ResetAppState();
        sim::UnitConfig config;
        config.Part = *FindDeviceByName(part);
        model_ = std::make_unique<sim::UnitModel>(config);
        line_ = std::make_unique<sim::UnitLine>(*model_, sim::LineNoise{}, &wire_);
        previousFactory_ = SetTransportFactory([this]() -> std::unique_ptr<SerialTransport> {
            return std::make_unique<sim::InProcessTransport>(*line_,
                                                             ResolvePortName(App().PortIndex));
        });
        frame = test::StartTestFrame(dir);
        SelectDevice(config.Part);
        App().ProgrammingMode = kModeParallel;
        App().AutoSequence = autoSequence;
        frame->UpdateDeviceMenus();
        messages.messages.clear();
    }
    ~FrameWithUnit() {
        frame.reset();
        CloseProgrammerPort();
        SetTransportFactory(previousFactory_);
    }
    FrameWithUnit(const FrameWithUnit&) = delete;
    FrameWithUnit& operator=(const FrameWithUnit&) = delete;

    // File > Load File into the buffer, answering its dialogs.
    void Load(CommandId command, const std::filesystem::path& path) {
        FileAnswer answer(QString::fromStdString(path.string()));
        ModalScript script;
        script.Then<LoadDetailsDialog>(AcceptDetails());
        frame->OnCommand(Id(command));
        QVERIFY(script.Done());
    }
    [[nodiscard]] std::string Wire() const { return wire_.str(); }
    void ClearWire() { wire_.str(""); }
    sim::ChipState& Chip() { return model_->Chip(); }

  private:
    Watchdog watchdog_;
    ManualClock clock_;
    ScopedClock scopedClock_;
    std::ostringstream wire_;
    std::unique_ptr<sim::UnitModel> model_;
    std::unique_ptr<sim::UnitLine> line_;
    TransportFactory previousFactory_;

  public:
    TempDir dir;
    MessageRecorder messages;
    std::unique_ptr<FrameWnd> frame;
};

const std::string kAsked =
    "File Changed|demo.hex has changed on disk since it was loaded. Reload it first?";

// What the Flash editor shows of its first 16 bytes.
QList<int> ShownInEditor() {
    auto* window = static_cast<HexEditWnd*>(test::OpenWindow(ui::CommandId::EditFlash));
    QList<int> bytes;
    for (int i = 0; i < 16; ++i) bytes << window->Editor().CachedByte(i);
    return bytes;
}

QList<int> Sixteen(int value) { return QList<int>(16, value); }

// "enabled" or "greyed", the same in both menus and on the toolbar.
QString ReloadState(const FrameWnd& frame) {
    const bool states[] = {
        frame.MenuItem(MenuKind::Frame, CommandId::ReloadFile)->isEnabled(),
        frame.MenuItem(MenuKind::Child, CommandId::ReloadFile)->isEnabled(),
        frame.ToolBar()->Button(CommandId::ReloadFile)->isEnabled(),
    };
    if (states[0] != states[1] || states[1] != states[2]) return "menus and button disagree";
    return states[0] ? "enabled" : "greyed";
}

// Runs a shell command; true when it exited with 0.
bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

class ReloadTest : public QObject {
    Q_OBJECT

  private slots:
    void reloadShowsTheNewBytesAndIsRememberedAcrossRuns() {
        FrameWithUnit zvk("AT89C2051");
        const auto path = zvk.dir / "demo.hex";
        QCOMPARE(ReloadState(*zvk.frame), QString("greyed"));
        QCOMPARE(zvk.frame->MenuItem(MenuKind::Frame, CommandId::ReloadFile)->text(),
                 QString("Reload"));
        QCOMPARE(zvk.frame->MenuItem(MenuKind::Frame, CommandId::ReloadFile)->shortcut(),
                 QKeySequence("F5"));

        WriteFile(path, Image(0x11));
        zvk.Load(CommandId::LoadFlash, path);
        QCOMPARE(ReloadState(*zvk.frame), QString("enabled"));
        zvk.frame->OnCommand(Id(CommandId::EditFlash));
        QCOMPARE(ShownInEditor(), Sixteen(0x11));

        // Rebuilt; F5 while the editor has the focus.
        WriteFile(path, Image(0x22));
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            zvk.frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(zvk.frame.get()));
            QTest::keyClick(
                static_cast<HexEditWnd*>(test::OpenWindow(ui::CommandId::EditFlash))->View(),
                Qt::Key_F5);
            QVERIFY(script.Done());
        }
        QCOMPARE(ShownInEditor(), Sixteen(0x22));
        QCOMPARE(zvk.messages.Lines(), std::vector<std::string>{});

        // The toolbar button does the same.
        WriteFile(path, Image(0x33));
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            zvk.frame->ToolBar()->Button(CommandId::ReloadFile)->trigger();
            QVERIFY(script.Done());
        }
        QCOMPARE(ShownInEditor(), Sixteen(0x33));

        // The next run remembers the file; then the file goes away.
        zvk.frame.reset();
        WriteFile(path, Image(0x44));
        zvk.frame = test::StartTestFrame(zvk.dir);
        QCOMPARE(ReloadState(*zvk.frame), QString("enabled"));
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            zvk.frame->MenuItem(MenuKind::Frame, CommandId::ReloadFile)->trigger();
            QVERIFY(script.Done());
        }
        QCOMPARE(int(FlashRead(0x000F)), 0x44);
        std::filesystem::remove(path);
        zvk.messages.messages.clear();
        zvk.frame->OnCommand(Id(CommandId::ReloadFile));
        QCOMPARE(zvk.messages.Lines(),
                 std::vector<std::string>{"ERROR|Unable to open the selected file"});
        QVERIFY(ReadTextFile(zvk.dir / "zvk.conf").find("reload.file=" + path.string()) !=
                std::string::npos);
    }

    void programAsksAndEachAnswerDoesWhatItSays() {
        struct Case {
            const char* name;
            MessageResult answer;
            int programmed;  // the chip's byte at 0000 afterwards
        };
        const Case cases[] = {
            {"Yes programs the new bytes", MessageResult::Yes, 0x22},
            {"No programs the old bytes", MessageResult::No, 0x11},
            {"Cancel talks to no unit", MessageResult::Cancel, 0xFF},
        };
        for (const Case& c : cases) {
            FrameWithUnit zvk("AT89C2051");
            const auto path = zvk.dir / "demo.hex";
            WriteFile(path, Image(0x11));
            zvk.Load(CommandId::LoadFlash, path);
            WriteFile(path, Image(0x22));
            zvk.messages.messages.clear();
            zvk.messages.answers = {c.answer};
            zvk.ClearWire();
            ModalScript script;
            if (c.answer == MessageResult::Yes) script.Then<LoadDetailsDialog>(AcceptDetails());
            if (c.answer != MessageResult::Cancel) {
                script.Then<RangeDialogView>(FullDevice())
                    .Then<ProgramDialog>(test::CloseWhenDone<ProgramDialog>());
            }
            zvk.frame->MenuItem(MenuKind::Frame, CommandId::Program)->trigger();
            QVERIFY2(script.Done(), c.name);
            QCOMPARE(script.Unexpected(), 0);
            QVERIFY2(!zvk.messages.messages.empty(), c.name);
            QCOMPARE(zvk.messages.Lines()[0], kAsked);
            QCOMPARE(zvk.messages.messages[0].buttons, MessageButtons::YesNoCancel);
            QCOMPARE(int(zvk.Chip().Flash[0x000F]), c.programmed);
            if (c.answer == MessageResult::Cancel) {
                QCOMPARE(zvk.Wire(), std::string());
                QCOMPARE(zvk.messages.Lines().size(), std::size_t{1});
            }
        }
    }

    void whichCommandsAsk() {
        struct Case {
            CommandId command;
            CommandId loadedWith;
            std::uint8_t autoSequence;
            bool asks;
        };
        const std::uint8_t noBufferSteps = kAutoErase | kAutoBlankCheck | kAutoProtect;
        const Case cases[] = {
            {CommandId::Program, CommandId::LoadFlash, 0xFF, true},
            {CommandId::Verify, CommandId::LoadFlash, 0xFF, true},
            {CommandId::Auto, CommandId::LoadFlash, 0xFF, true},
            {CommandId::Auto, CommandId::LoadFlash, kAutoVerify, true},
            {CommandId::Auto, CommandId::LoadFlash, noBufferSteps, false},
            {CommandId::Read, CommandId::LoadFlash, 0xFF, false},
            {CommandId::BlankCheck, CommandId::LoadFlash, 0xFF, false},
            {CommandId::ProgramEeprom, CommandId::LoadEeprom, 0xFF, true},
            {CommandId::VerifyEeprom, CommandId::LoadEeprom, 0xFF, true},
            {CommandId::Program, CommandId::LoadEeprom, 0xFF, false},
        };
        for (const Case& c : cases) {
            FrameWithUnit zvk("AT89S8252", c.autoSequence);
            const auto path = zvk.dir / "demo.hex";
            WriteFile(path, Image(0x11));
            zvk.Load(c.loadedWith, path);
            WriteFile(path, Image(0x22));
            zvk.messages.messages.clear();
            zvk.messages.answers = {MessageResult::Cancel};
            zvk.ClearWire();
            ModalScript script;  // closes whatever a command that does not ask opens
            zvk.frame->OnCommand(Id(c.command));
            const auto shown = zvk.messages.Lines();
            const bool asked = !shown.empty() && shown[0] == kAsked;
            QVERIFY2(asked == c.asks,
                     qPrintable(
                         QString("command %1 after %2").arg(Id(c.command)).arg(Id(c.loadedWith))));
            if (c.asks) QCOMPARE(zvk.Wire(), std::string());
        }
    }

    void aHexRebuiltBySdccIsPickedUpByReload() {
        FrameWithUnit zvk("AT89S52");
        App().OptionFlags |= kOptionClearBeforeLoad;
        const std::string dir = zvk.dir.Path().string();
        const auto build = [&](int step) {
            WriteFile(zvk.dir / "blink.c",
                      "#include <8051.h>\n"
                      "static __code const unsigned char steps[] = {" +
                          std::to_string(step) + ", " + std::to_string(step * 3) +
                          ", 0x5A};\n"
                          "void main(void) {\n"
                          "    unsigned char i = 0;\n"
                          "    for (;;) P1 = steps[i++ % 3] + " +
                          std::to_string(step) + ";\n}\n");
            return Run("cd " + dir + " && sdcc -mmcs51 blink.c -o " + dir +
                       "/blink.hex >sdcc.txt 2>&1");
        };
        // The image the file holds, as srec_cat reads it: all of the part's
        // Flash, FF where the file has nothing.
        const auto image = [&] {
            const std::string flash = std::to_string(App().FlashLastAddress + 1);
            if (!Run("srec_cat " + dir + "/blink.hex -intel -fill 0xFF 0 " + flash + " -o " + dir +
                     "/blink.bin -binary 2>" + dir + "/srec.txt")) {
                return std::string();
            }
            return ReadTextFile(zvk.dir / "blink.bin");
        };
        const auto buffer = [] {
            std::string bytes;
            for (std::uint32_t a = 0; a <= App().FlashLastAddress; ++a) {
                bytes += static_cast<char>(FlashRead(static_cast<std::uint16_t>(a)));
            }
            return bytes;
        };

        QVERIFY2(build(17), ("sdcc is needed: " + ReadTextFile(zvk.dir / "sdcc.txt")).c_str());
        zvk.Load(CommandId::LoadFlash, zvk.dir / "blink.hex");
        const std::string first = image();
        QVERIFY2(!first.empty(),
                 ("srec_cat is needed: " + ReadTextFile(zvk.dir / "srec.txt")).c_str());
        QVERIFY(buffer() == first);

        // Rebuilt at once, most likely within the same second, and to the same size.
        QVERIFY(build(23));  // the same size as the first
        QCOMPARE(
            ChangedFileQuestion(BufferKind::Flash),
            std::string("blink.hex has changed on disk since it was loaded. Reload it first?"));
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            zvk.frame->OnCommand(Id(CommandId::ReloadFile));
            QVERIFY(script.Done());
        }
        const std::string second = image();
        QVERIFY(second != first);
        QVERIFY(buffer() == second);
        QCOMPARE(ChangedFileQuestion(BufferKind::Flash), std::string());
        QCOMPARE(zvk.messages.Lines(), std::vector<std::string>{});
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::ReloadTest)
#include "ReloadTest.moc"
