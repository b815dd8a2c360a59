// The desktop program against the virtual unit on a pseudo-terminal, driven
// through its real menu items: select the part and the options, load a HEX
// file, program with erase and verify, verify, clear and read back. The
// messages shown are recorded and the chip is checked in the unit's dump.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <sstream>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "link/QtSerialTransport.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/JobDriver.h"
#include "ui/ProgressDialogs.h"
#include "ui/SettingsDialogs.h"
#include "ui/StatusBar.h"

namespace zvk::ui {

using namespace std::chrono_literals;
using test::MessageRecorder;
using test::ModalScript;
using test::TempDir;
using test::UnitSimProcess;

namespace {

constexpr int kAt89S52 = 15;
constexpr std::size_t kAt89S52Flash = 0x2000;

// What the fixture HEX file holds: 64 bytes from 0000 and 16 from 1F00.
std::map<int, int> FixtureBytes() {
    std::map<int, int> bytes;
    for (int a = 0; a < 0x40; ++a) bytes[a] = (a * 7 + 3) & 0xFF;
    for (int i = 0; i < 16; ++i) bytes[0x1F00 + i] = 0xA0 + i;
    return bytes;
}

// The Flash lines of the unit's dump, as address -> byte.
std::vector<int> DumpedFlash(const std::string& dump) {
    std::vector<int> flash;
    std::istringstream in(dump);
    bool inFlash = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("flash ", 0) == 0) {
            inFlash = true;
            continue;
        }
        if (line.rfind("eeprom", 0) == 0) break;
        if (!inFlash || line.size() < 6) continue;
        std::istringstream bytes(line.substr(6));
        for (std::string b; bytes >> b;) flash.push_back(std::stoi(b, nullptr, 16));
    }
    return flash;
}

// Full Device on, then OK.
std::function<bool(RangeDialogView*)> FullDevice(QString title) {
    return [title](RangeDialogView* view) {
        if (view->windowTitle() != title) return false;
        if (!view->FullDevice()->isChecked()) view->FullDevice()->click();
        view->accept();
        return true;
    };
}

// Closes the progress dialog once its job is done, keeping what it says.
template <typename D>
std::function<bool(D*)> CloseNoting(QStringList& said) {
    return test::CloseWhenDone<D>([&said](D* dialog) {
        said << dialog->Status()->text();
        if constexpr (std::is_same_v<D, ScanDialog>) said << dialog->ListText();
        if constexpr (std::is_same_v<D, ProgramDialog>) {
            said << dialog->eraseResult->text() << dialog->verifyResult->text();
        }
    });
}

}  // namespace

class FrameEndToEndTest : public QObject {
    Q_OBJECT

  private slots:
    // Every test talks to a unit of its own through the real serial port.
    void init() {
        CloseProgrammerPort();
        ResetAppState();
        previous_ = SetTransportFactory(MakeQtSerialTransport);
    }
    void cleanup() {
        CloseProgrammerPort();
        SetTransportFactory(std::move(previous_));
    }

    void loadProgramVerifyReadThroughTheMenus() {
        TempDir dir;
        UnitSimProcess unit;
        QVERIFY(unit.Start(dir.Path(), "COM2", {"--part", "AT89S52"}));
        ScopedStepDelayLimit fast(1ms);
        MessageRecorder messages;
        const QString hex = qEnvironmentVariable("ZVK_SOURCE_DIR") + "/tests/data/frame_e2e.hex";
        const FileQuestionHook previousHook =
            SetFileQuestionHook([hex](QWidget*, const FileQuestion&) { return hex; });
        {
            auto frame = test::StartTestFrame(dir);
            QVERIFY(App().ProgrammerLink != nullptr);
            const auto menu = [&](CommandId id) {
                frame->MenuItem(frame->ShownMenu(), id)->trigger();
            };

            // The part in the socket, and erase and verify with every Program.
            frame->SetDialogRunner([](QDialog& dialog) {
                auto& settings = dynamic_cast<SettingsDlg&>(dialog);
                if (dynamic_cast<SelectDeviceDlg*>(&dialog) != nullptr) {
                    settings.Button(kFirstDeviceRadioId + kAt89S52)->click();
                    settings.Button(SelectDeviceDlg::kParallelId)->click();
                } else {
                    settings.Button(1038)->click();
                    settings.Button(1040)->click();
                }
                settings.Button(kOkId)->click();
                return dialog.result();
            });
            menu(CommandId::SelectDevice);
            menu(CommandId::Options);
            QCOMPARE(int(App().FlashLastAddress), 0x1FFF);
            QCOMPARE(int(App().OptionFlags),
                     int(kOptionEraseBeforeProgram | kOptionVerifyAfterProgram));

            QStringList said;
            ModalScript script;
            script
                .Then<LoadDetailsDialog>([](LoadDetailsDialog* d) {
                    d->accept();
                    return true;
                })
                .Then<RangeDialogView>(FullDevice("Program - Flash"))
                .Then<ProgramDialog>(CloseNoting<ProgramDialog>(said))
                .Then<RangeDialogView>(FullDevice("Verify - Flash"))
                .Then<ScanDialog>(CloseNoting<ScanDialog>(said))
                .Then<RangeDialogView>(FullDevice("Read - Flash"));
            menu(CommandId::LoadFlash);
            for (const auto& [address, value] : FixtureBytes()) {
                QCOMPARE(int(FlashRead(std::uint16_t(address))), value);
            }
            menu(CommandId::Program);
            menu(CommandId::Verify);
            // Program erased and verified; Verify found no difference.
            QCOMPARE(said, (QStringList{"Programming Completed...", "OK", "OK",
                                        "Verification Completed - OK", "Verification OK"}));
            menu(CommandId::ClearFlash);
            QCOMPARE(int(FlashRead(0x0001)), 0xFF);
            menu(CommandId::Read);
            QVERIFY(script.Done());
            QCOMPARE(script.Unexpected(), 0);
            for (const auto& [address, value] : FixtureBytes()) {
                QCOMPARE(int(FlashRead(std::uint16_t(address))), value);
                QCOMPARE(GetOrigin(BufferKind::Flash, std::uint16_t(address)), OriginDevice);
            }
            QCOMPARE(int(FlashRead(0x0040)), 0xFF);

            // The frame goes the way Exit goes: the port is closed.
            menu(CommandId::Exit);
            QVERIFY(frame->Closed());
            QVERIFY(App().ProgrammerLink == nullptr);
        }
        SetFileQuestionHook(previousHook);

        // Everything went well: no message box was needed.
        QCOMPARE(messages.Lines(), std::vector<std::string>{});
        QCOMPARE(unit.Stop(), 0);
        const std::vector<int> flash = DumpedFlash(unit.Dump());
        QCOMPARE(flash.size(), kAt89S52Flash);
        const std::map<int, int> expected = FixtureBytes();
        for (std::size_t a = 0; a < flash.size(); ++a) {
            const auto found = expected.find(int(a));
            QCOMPARE(flash[a], found == expected.end() ? 0xFF : found->second);
        }
    }

    // The unit restarted on the same link: the status bar shows the port in
    // error, and the next command reaches the new unit without a message box.
    void aUnitRestartedOnTheSameLinkIsReachedByTheNextCommand() {
        TempDir dir;
        UnitSimProcess unit;
        QVERIFY(unit.Start(dir.Path(), "COM2", {"--part", "AT89S52"}));
        MessageRecorder messages;
        {
            auto frame = test::StartTestFrame(dir);
            App().SelectedDevice = kAt89S52;
            App().ProgrammingMode = kModeParallel;
            const auto erase = [&] {
                frame->MenuItem(frame->ShownMenu(), CommandId::Erase)->trigger();
            };
            erase();
            QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - OK"));
            QCOMPARE(unit.Stop(), 0);
            QVERIFY(unit.Start(dir.Path(), "COM2", {"--part", "AT89S52"}));
            // What the frame's port watch does between commands.
            frame->Status()->ShowPortState();
            QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - Error"));
            erase();
            QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - OK"));
        }
        QCOMPARE(messages.Lines(), (std::vector<std::string>{"Erase|Chip Erased Sucessfully",
                                                             "Erase|Chip Erased Sucessfully"}));
    }

  private:
    TransportFactory previous_;
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::FrameEndToEndTest)
#include "FrameEndToEndTest.moc"
