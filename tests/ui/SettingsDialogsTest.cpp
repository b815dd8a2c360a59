// The settings dialogs: what each click writes, the cumulative lock levels,
// Cancel, and what the frame's openers do after the dialog.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "app/Preferences.h"
#include "app/UndoHistory.h"
#include "ops/Production.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/SettingsFolders.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ChildWnd.h"
#include "ui/FileQuestion.h"
#include "ui/HexEditWnd.h"
#include "ui/ProgramWnd.h"
#include "ui/SettingsDialogs.h"
#include "ui/StartUp.h"
#include "ui/StatusBar.h"

namespace zvk::ui {

using test::MessageRecorder;
using test::ScopedPorts;
using test::TempDir;

namespace {

constexpr int kPart = kFirstDeviceRadioId;
constexpr std::uint8_t kAt89C2051 = 1;
constexpr std::uint8_t kAt89S52 = 15;
constexpr std::uint8_t kAt89C55 = 9;

// Clicks the buttons in order, then OK (1) or Cancel (2) when the list ends
// with one, as a user would.
FrameWnd::DialogRunner Clicks(std::vector<int> ids) {
    return [ids](QDialog& dialog) {
        auto& settings = dynamic_cast<SettingsDlg&>(dialog);
        for (int id : ids) settings.Button(id)->click();
        return dialog.result();
    };
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        CloseProgrammerPort();
        ResetAppState();
    }

    // The dialog works on its own part and mode: AppState stays as it was
    // until OK.
    void selectDeviceGreysSpiForPartsWithoutIt() {
        App().ProgrammingMode = 0;
        App().SelectedDevice = kAt89S52;
        App().FlashLastAddress = 0x1FFF;
        SelectDeviceDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Select Device"));
        QCOMPARE(dialog.Button(kPart + 13)->text(), QString("89C1051U"));
        QVERIFY(dialog.Button(SelectDeviceDlg::kSpiId)->isChecked());
        dialog.Button(kPart + kAt89C2051)->click();
        QCOMPARE(int(dialog.Part()), int(kAt89C2051));
        QVERIFY(!dialog.Button(SelectDeviceDlg::kSpiId)->isEnabled());
        QVERIFY(dialog.Button(SelectDeviceDlg::kParallelId)->isChecked());
        QCOMPARE(int(dialog.Mode()), int(kModeParallel));
        QCOMPARE(int(App().SelectedDevice), int(kAt89S52));
        QCOMPARE(int(App().ProgrammingMode), 0);
        dialog.Button(kPart + kAt89S52)->click();
        QVERIFY(dialog.Button(SelectDeviceDlg::kSpiId)->isEnabled());
        QVERIFY(dialog.Button(SelectDeviceDlg::kParallelId)->isChecked());
        dialog.Button(SelectDeviceDlg::kSpiId)->click();
        QCOMPARE(int(dialog.Mode()), 0);
        dialog.Button(kPart + kAt89C55)->click();
        dialog.Button(SelectDeviceDlg::kParallelId)->click();
        QCOMPARE(int(App().SelectedDevice), int(kAt89S52));
        QCOMPARE(int(App().ProgrammingMode), 0);
        QCOMPARE(int(App().FlashLastAddress), 0x1FFF);
        dialog.Button(kOkId)->click();
        QCOMPARE(int(App().SelectedDevice), int(kAt89C55));
        QCOMPARE(int(App().ProgrammingMode), int(kModeParallel));
        QCOMPARE(int(App().FlashLastAddress), int(DeviceTable[kAt89C55].LastAddress()));
    }

    void selectingAnotherPart_data() {
        QTest::addColumn<bool>("clearOption");
        QTest::addColumn<int>("part");
        QTest::newRow("another part, clearing on") << true << int(kAt89C55);
        QTest::newRow("another part, clearing off") << false << int(kAt89C55);
        QTest::newRow("the same part, clearing on") << true << int(kAt89S52);
    }
    void selectingAnotherPart() {
        QFETCH(bool, clearOption);
        QFETCH(int, part);
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89S52;
        App().FlashLastAddress = 0x1FFF;
        App().ProgrammingMode = kModeParallel;
        App().OptionFlags = clearOption ? kOptionClearOnPartChange : 0;
        FlashWrite(0x0100, 0x12);
        FlashWrite(0x0000, 0x12);  // LCALL: three bytes, where FF is one
        EepromWrite(0x0010, 0x34);
        FillBufferRange(BufferKind::Flash, 0x0300, 0x030F, 0x56);  // a step to undo
        frame->OnCommand(static_cast<int>(CommandId::EditFlash));
        frame->OnCommand(static_cast<int>(CommandId::Disassembly));
        auto* editor = static_cast<ChildWnd*>(test::OpenWindow(ui::CommandId::EditFlash));
        auto* disassembly = static_cast<ChildWnd*>(test::OpenWindow(ui::CommandId::Disassembly));
        editor->SetTopAddress(0x0100);
        disassembly->SetTopAddress(0x0200);
        frame->SetDialogRunner(Clicks({kPart + part, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SelectDevice));

        const bool changed = part != kAt89S52;
        const bool cleared = changed && clearOption;
        QCOMPARE(int(App().SelectedDevice), part);
        QCOMPARE(int(App().FlashLastAddress), int(DeviceTable[std::size_t(part)].LastAddress()));
        QCOMPARE(int(FlashRead(0x0100)), cleared ? 0xFF : 0x12);
        QCOMPARE(int(EepromRead(0x0010)), cleared ? 0xFF : 0x34);
        QCOMPARE(int(editor->TopAddress()), changed ? 0 : 0x0100);
        QCOMPARE(int(disassembly->TopAddress()), changed ? 0 : 0x0200);
        // Undo stays within one part.
        QCOMPARE(CanUndo(BufferKind::Flash), !changed);
        QCOMPARE(frame->MenuItem(MenuKind::Child, CommandId::Undo)->isEnabled(), !changed);
        if (changed) {
            // Both views show the buffer as it now is, from the top, and
            // scroll over the new part's size.
            QCOMPARE(int(static_cast<HexEditWnd*>(editor)->Editor().CachedByte(0)),
                     cleared ? 0xFF : 0x12);
            DisassemblyArea* area = static_cast<ProgramWnd*>(disassembly)->Area();
            QCOMPARE(int(area->View().RowLength(1)), cleared ? 1 : 3);
            QCOMPARE(area->verticalScrollBar()->maximum(),
                     std::max(0, App().FlashLastAddress + 2 - area->View().LineCount()));
        }
        QCOMPARE(frame->Status()->PaneText(2),
                 QString::fromLatin1(DeviceTable[std::size_t(part)].PartName.data()));
    }

    void cancelPutsPartAndModeBack() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89S52;
        App().ProgrammingMode = 0;
        App().FlashLastAddress = 0x1FFF;
        frame->SetDialogRunner(Clicks({kPart + kAt89C2051, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::SelectDevice));
        QCOMPARE(int(App().SelectedDevice), int(kAt89S52));
        QCOMPARE(int(App().ProgrammingMode), 0);
        QCOMPARE(int(App().FlashLastAddress), 0x1FFF);
        QCOMPARE(frame->Status()->PaneText(3), QString("SPI"));
    }

    void serialPortReopensOnlyWhenItChanged() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        auto frame = test::StartTestFrame(dir);
        QCOMPARE(ports.made, 1);
        frame->SetDialogRunner([](QDialog& dialog) {
            auto& select = dynamic_cast<PortSelectDlg&>(dialog);
            select.Button(1004)->click();
            const bool untouched = select.Port() == 4 && App().PortIndex == 1;
            select.Button(kCancelId)->click();
            return untouched ? dialog.result() : -1;
        });
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(int(App().PortIndex), 1);
        QCOMPARE(ports.made, 1);
        frame->SetDialogRunner(Clicks({1004, 1001, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(ports.made, 1);
        frame->SetDialogRunner(Clicks({1004, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(int(App().PortIndex), 4);
        QCOMPARE(ports.made, 2);
        QCOMPARE(frame->Status()->PaneText(1), QString("COM5 - OK"));
    }

    // The adapter plugged in after the start: choosing the same port again
    // opens it; Cancel does not, and a port that is open stays as it is.
    void serialPortInErrorReopensWhenChosenAgain() {
        TempDir dir;
        MessageRecorder messages;
        std::unique_ptr<FrameWnd> frame;
        {
            ScopedPorts unplugged(false);
            frame = test::StartTestFrame(dir);
        }
        QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - Error"));
        ScopedPorts plugged(true);
        frame->SetDialogRunner(Clicks({kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(plugged.made, 0);
        QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - Error"));
        frame->SetDialogRunner(Clicks({1001, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(plugged.made, 1);
        QVERIFY(App().ProgrammerLink != nullptr);
        QCOMPARE(frame->Status()->PaneText(1), QString("COM2 - OK"));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(plugged.made, 1);
        QCOMPARE(messages.Lines(),
                 std::vector<std::string>{"Error|Cannot Establish Communication"});
    }

    void serialPortShowsTheDeviceOfEachName() {
        TempDir dir;
        App().ProgramDirectory = dir.Path().string();
        std::filesystem::create_symlink("/dev/null", dir / "COM3");
        std::filesystem::create_symlink(dir / "unplugged", dir / "COM4");
        App().PortIndex = 2;
        PortSelectDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Serial Port Setting"));
        QVERIFY(dialog.Button(1002)->isChecked());
        QCOMPARE(dialog.Button(1008)->text(), QString("COM9"));
        QCOMPARE(PortSelectDlg::PortDevice(2), QString::fromStdString((dir / "COM3").string()) +
                                                   " -> /dev/null (beside the program)");
        QCOMPARE(PortSelectDlg::PortDevice(3),
                 QString::fromStdString((dir / "COM4").string()) + " -> " +
                     QString::fromStdString((dir / "unplugged").string()) +
                     " (not present) (beside the program)");
        // Such a link is not the dialog's to remove.
        QVERIFY(!dialog.Button(PortSelectDlg::kUnassignId)->isEnabled());
        QVERIFY(dialog.Note().contains("COM3 is a link beside the program"));
        QVERIFY(dialog.Note().contains("cannot be removed here"));
        QVERIFY(PortSelectDlg::PortDevice(0).startsWith("/dev/ttyS0"));
        QCOMPARE(PortSelectDlg::PortDevice(8), QString("/dev/ttyS8 (not present)"));
        const auto labels = dialog.findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
            return label->text() == PortSelectDlg::PortDevice(3);
        }));
    }

    // Assign lists the machine's ports and links the chosen one, by its
    // stable name, as the selected COM name in the settings folder; Remove
    // Assignment takes the link away again.
    void serialPortAssignsAndRemovesAPort() {
        TempDir dir;
        test::FakeSysfs sysfs(dir.Path());
        sysfs.AddUart("ttyS0", "pnp0/00:01", "serial", 4);
        sysfs.AddUsb("ttyUSB0", "usb1/1-2", "FT232R USB UART", "FTDI", "A50285BI", true);
        sysfs.AddById("usb-FTDI_FT232R-if00-port0", "ttyUSB0");
        const std::string byId = sysfs.Dev() + "/serial/by-id/usb-FTDI_FT232R-if00-port0";
        std::filesystem::create_directories(dir / "bin");
        test::ReadOnlyFolder program(dir / "bin");
        test::ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir / "config").string());
        const auto settings = dir / "config" / "zvk";
        App().ProgramDirectory = program.Path().string();
        MessageRecorder messages;

        App().PortIndex = 2;
        PortSelectDlg dialog(nullptr, {sysfs.Sys(), sysfs.Dev()});
        QVERIFY(!dialog.Button(PortSelectDlg::kUnassignId)->isEnabled());
        QStringList listed;
        QString title;
        test::ModalScript script;
        script.Then<PortAssignDlg>([&](PortAssignDlg* chooser) {
            title = chooser->windowTitle();
            for (int row = 0; row < chooser->List()->topLevelItemCount(); ++row) {
                QStringList fields;
                for (int column = 0; column < 5; ++column) {
                    fields << chooser->List()->topLevelItem(row)->text(column);
                }
                listed << fields.join("|");
            }
            chooser->List()->setCurrentItem(chooser->List()->topLevelItem(1));
            chooser->AssignButton()->click();
            return true;
        });
        dialog.Button(PortSelectDlg::kAssignId)->click();
        QVERIFY(script.Done());
        QCOMPARE(title, QString("Assign Serial Port"));
        QCOMPARE(
            listed,
            (QStringList{QString::fromStdString(sysfs.NodePath("ttyS0")) + "|serial (platform)|||",
                         QString::fromStdString(sysfs.NodePath("ttyUSB0")) +
                             "|FT232R USB UART|FTDI|A50285BI|" + QString::fromStdString(byId)}));
        QCOMPARE(std::filesystem::read_symlink(settings / "COM3").string(), byId);
        QCOMPARE(PortSelectDlg::PortDevice(2),
                 QString::fromStdString((settings / "COM3").string() + " -> " + byId));
        QVERIFY(dialog.Button(PortSelectDlg::kUnassignId)->isEnabled());
        QCOMPARE(int(App().PortIndex), 2);

        // Another name, with a device typed in; then one that does not exist.
        dialog.Button(1004)->click();
        QVERIFY(!dialog.Button(PortSelectDlg::kUnassignId)->isEnabled());
        script.Then<PortAssignDlg>([](PortAssignDlg* chooser) {
            chooser->DeviceField()->setText("/dev/null");
            chooser->AssignButton()->click();
            return true;
        });
        script.Then<PortAssignDlg>([&](PortAssignDlg* chooser) {
            chooser->DeviceField()->setText(QString::fromStdString((dir / "gone").string()));
            chooser->AssignButton()->click();
            return true;
        });
        dialog.Button(PortSelectDlg::kAssignId)->click();
        dialog.Button(PortSelectDlg::kAssignId)->click();
        QVERIFY(script.Done());
        QCOMPARE(std::filesystem::read_symlink(settings / "COM5").string(),
                 std::string("/dev/null"));
        QCOMPARE(messages.Lines(),
                 std::vector<std::string>{"Error|" + (dir / "gone").string() + " does not exist"});

        // Remove Assignment acts on OK only.
        dialog.Button(1002)->click();
        QVERIFY(dialog.Note().isEmpty());
        dialog.Button(PortSelectDlg::kUnassignId)->click();
        QVERIFY(std::filesystem::is_symlink(settings / "COM3"));
        QVERIFY(!dialog.Button(PortSelectDlg::kUnassignId)->isEnabled());
        dialog.Button(kOkId)->click();
        QVERIFY(!std::filesystem::is_symlink(settings / "COM3"));
        QCOMPARE(PortSelectDlg::PortDevice(2), QString("/dev/ttyS2 (not present)"));
        QVERIFY(std::filesystem::is_empty(program.Path()));
        QCOMPARE(script.Unexpected(), 0);
    }

    // A device typed as in a shell, "~/vport", is the one in the home folder
    // (where zvk-unit-sim --link ~/vport put its link).
    void assignTakesTildeAsTheHomeFolder() {
        TempDir dir;
        test::FakeSysfs sysfs(dir.Path());
        test::ScopedEnvironment home("HOME", (dir / "home").string());
        test::ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir / "config").string());
        std::filesystem::create_directories(dir / "home");
        std::ofstream(dir / "home" / "vport") << "";
        std::filesystem::create_directories(dir / "bin");
        test::ReadOnlyFolder program(dir / "bin");
        App().ProgramDirectory = program.Path().string();
        MessageRecorder messages;

        App().PortIndex = 1;
        PortSelectDlg dialog(nullptr, {sysfs.Sys(), sysfs.Dev()});
        test::ModalScript script;
        script.Then<PortAssignDlg>([](PortAssignDlg* chooser) {
            chooser->DeviceField()->setText("~/vport");
            chooser->AssignButton()->click();
            return true;
        });
        dialog.Button(PortSelectDlg::kAssignId)->click();
        QVERIFY(script.Done());
        QVERIFY(messages.Lines().empty());
        QCOMPARE(std::filesystem::read_symlink(dir / "config" / "zvk" / "COM2"),
                 dir / "home" / "vport");
    }

    // Remove Assignment then Cancel: the link stays, and so does the port.
    // Then OK: the link goes, and the name's new device is opened.
    void serialPortRemovesAnAssignmentOnlyOnOk() {
        TempDir dir;
        test::ScopedEnvironment xdg("XDG_CONFIG_HOME", (dir / "config").string());
        test::ReadOnlyFolder program(dir / "bin");
        MessageRecorder messages;
        QCOMPARE(AssignPort(1, "/dev/null"), std::string());
        const auto link = dir / "config" / "zvk" / "COM2";
        QVERIFY(std::filesystem::is_symlink(link));
        ScopedPorts ports(true);
        StartUpOptions options;
        options.programDirectory = program.Path().string();
        options.showAbout = false;
        auto frame = StartFrame(options);
        QCOMPARE(ports.made, 1);
        frame->SetDialogRunner(Clicks({PortSelectDlg::kUnassignId, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QVERIFY(std::filesystem::is_symlink(link));
        QCOMPARE(ports.made, 1);
        frame->SetDialogRunner(Clicks({PortSelectDlg::kUnassignId, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QVERIFY(!std::filesystem::is_symlink(link));
        QCOMPARE(ports.made, 2);
        QVERIFY(messages.Lines().empty());
    }

    // The port in use given another device in the dialog is opened again,
    // even when the COM number stays.
    void serialPortReopensWhenItsAssignmentChanged() {
        TempDir dir;
        MessageRecorder messages;
        ScopedPorts ports(true);
        auto frame = test::StartTestFrame(dir);
        QCOMPARE(ports.made, 1);
        test::ModalScript script;
        script.Then<PortAssignDlg>([](PortAssignDlg* chooser) {
            chooser->DeviceField()->setText("/dev/null");
            chooser->AssignButton()->click();
            return true;
        });
        frame->SetDialogRunner(Clicks({PortSelectDlg::kAssignId, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(int(App().PortIndex), 1);
        QCOMPARE(ports.made, 2);
        QCOMPARE(std::filesystem::read_symlink(dir / "COM2").string(), std::string("/dev/null"));
        frame->SetDialogRunner(Clicks({kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::SerialPort));
        QCOMPARE(ports.made, 2);
        QVERIFY(script.Done());
    }

    void optionsWriteEachBitAndCancelPutsThemBack() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().OptionFlags = kOptionClearBeforeLoad;
        frame->SetDialogRunner([](QDialog& dialog) {
            auto& options = dynamic_cast<OptionDlg&>(dialog);
            options.Button(1040)->click();
            options.Button(1036)->click();
            options.Button(1038)->click();
            const bool chosen =
                options.Flags() == (kOptionVerifyAfterProgram | kOptionEraseBeforeProgram) &&
                App().OptionFlags == kOptionClearBeforeLoad;
            options.Button(kOkId)->click();
            return chosen ? dialog.result() : -1;
        });
        frame->OnCommand(static_cast<int>(CommandId::Options));
        QCOMPARE(int(App().OptionFlags),
                 int(kOptionVerifyAfterProgram | kOptionEraseBeforeProgram));
        frame->SetDialogRunner(Clicks({1037, 1040, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::Options));
        QCOMPARE(int(App().OptionFlags),
                 int(kOptionVerifyAfterProgram | kOptionEraseBeforeProgram));
        OptionDlg dialog(nullptr);
        QCOMPARE(dialog.Button(1037)->text(), QString("Clear Buffer for new device selection"));
        QVERIFY(dialog.Button(1038)->isChecked() && !dialog.Button(1036)->isChecked());
    }

    void protectionLevelsStayCumulative_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("bits");
        QTest::newRow("LB3 checks LB1 and LB2") << 0 << QList<int>{1038} << 0x07;
        QTest::newRow("unchecking LB3 keeps LB1 and LB2") << 0 << QList<int>{1038, 1038} << 0x03;
        QTest::newRow("LB2 cannot go while LB3 is set") << 0 << QList<int>{1038, 1037} << 0x07;
        QTest::newRow("LB1 cannot go while LB2 is set") << 0 << QList<int>{1037, 1036} << 0x03;
        QTest::newRow("LB2 checks LB1") << 0 << QList<int>{1037} << 0x03;
        QTest::newRow("LB1 alone") << 0 << QList<int>{1036, 1036, 1036} << 0x01;
        QTest::newRow("20-pin LB2 checks LB1") << 0 << QList<int>{1041} << 0x30;
        QTest::newRow("20-pin LB1 stays under LB2") << 0 << QList<int>{1041, 1040} << 0x30;
        QTest::newRow("20-pin LB2 off keeps LB1") << 0x30 << QList<int>{1041} << 0x10;
        QTest::newRow("both families") << 0 << QList<int>{1040, 1037} << 0x13;
    }
    void protectionLevelsStayCumulative() {
        QFETCH(int, start);
        QFETCH(QList<int>, clicks);
        QFETCH(int, bits);
        App().ProtectionOptions = static_cast<std::uint8_t>(start);
        ProtectionDlg dialog(nullptr);
        for (int id : clicks) dialog.Button(id)->click();
        QCOMPARE(int(dialog.Bits()), bits);
        QCOMPARE(int(App().ProtectionOptions), start);
        const std::pair<int, int> boxes[] = {
            {1036, 0x01}, {1037, 0x02}, {1038, 0x04}, {1040, 0x10}, {1041, 0x20}};
        for (const auto& [id, bit] : boxes)
            QCOMPARE(dialog.Button(id)->isChecked(), (bits & bit) != 0);
    }

    void protectionCancelAndStatusBar() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().SelectedDevice = kAt89S52;
        frame->SetDialogRunner(Clicks({1038, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::Protection));
        QCOMPARE(int(App().ProtectionOptions), 0);
        frame->SetDialogRunner(Clicks({1037, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::Protection));
        QCOMPARE(frame->Status()->PaneText(4), QString("LB1 LB2  "));
        ProtectionDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Setting - Device Protection"));
        QCOMPARE(dialog.Button(1041)->text(), QString("Disable Verify "));
    }

    void autoProgrammingModeWritesStepsAndCancelPutsThemBack() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        App().AutoSequence = kAutoErase;
        frame->SetDialogRunner(Clicks({1038, 1040, 1036, kOkId}));
        frame->OnCommand(static_cast<int>(CommandId::AutoProgrammingMode));
        QCOMPARE(int(App().AutoSequence), int(kAutoProgram | kAutoVerify));
        frame->SetDialogRunner(Clicks({1041, 1037, kCancelId}));
        frame->OnCommand(static_cast<int>(CommandId::AutoProgrammingMode));
        QCOMPARE(int(App().AutoSequence), int(kAutoProgram | kAutoVerify));
        AutoProgramDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString(" Setting - Auto Programming Mode"));
        QCOMPARE(dialog.Button(1041)->text(), QString("Protect Device"));
        QCOMPARE(dialog.Button(kOkId)->text(), QString("&OK"));
    }

    // Repeat and the log file live in zvk.conf, kept on OK only; Browse asks
    // for a file that is appended to, so an existing log is not "replaced".
    void autoProgrammingModeKeepsTheProductionChoicesOnOk() {
        TempDir dir;
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        messages.messages.clear();  // the start-up's, about the port
        const QString log = QString::fromStdString((dir / "line 1.csv").string());
        std::optional<FileQuestion> asked;
        const auto previous = SetFileQuestionHook(
            [&](QWidget*, const FileQuestion& question) -> std::optional<QString> {
                asked = question;
                return log;
            });
        for (const int end : {kCancelId, kOkId}) {
            frame->SetDialogRunner([end](QDialog& d) {
                auto& dialog = dynamic_cast<AutoProgramDlg&>(d);
                if (dialog.RepeatBox()->isChecked()) return -1;  // must open unticked
                dialog.RepeatBox()->click();
                dialog.BrowseButton()->click();
                dialog.Button(end)->click();
                return dialog.result();
            });
            frame->OnCommand(static_cast<int>(CommandId::AutoProgrammingMode));
            const ProductionSettings kept = LoadProductionSettings();
            QCOMPARE(kept.repeat, end == kOkId);
            QCOMPARE(QString::fromStdString(kept.logPath), end == kOkId ? log : QString());
        }
        SetFileQuestionHook(previous);
        QVERIFY(asked && asked->save && asked->appends);
        const QString conf =
            test::ReadWholeFile(QString::fromStdString((dir / "zvk.conf").string()));
        QVERIFY2(conf.contains("auto.repeat=1\n") && conf.contains("auto.log=" + log + "\n"),
                 qPrintable(conf));

        AutoProgramDlg reopened(nullptr);
        QVERIFY(reopened.RepeatBox()->isChecked());
        QCOMPARE(reopened.RepeatBox()->text(), QString("Repeat for the next chip"));
        QCOMPARE(reopened.LogField()->text(), log);
        reopened.LogField()->clear();
        reopened.RepeatBox()->click();
        reopened.accept();
        QVERIFY(!LoadProductionSettings().repeat);
        QVERIFY(LoadProductionSettings().logPath.empty());
        QVERIFY(messages.messages.empty());
    }

    // The serial number's choices: greyed until the box is ticked, kept in
    // zvk.conf on OK, and shown again as kept.
    void autoProgrammingModeKeepsTheSerialNumberChoices() {
        TempDir dir;
        App().ProgramDirectory = dir.Path().string();
        LoadPreferences();
        {
            AutoProgramDlg dialog(nullptr);
            QCOMPARE(dialog.SerialBox()->text(), QString("Serial number in every chip"));
            QVERIFY(!dialog.SerialBox()->isChecked());
            QVERIFY(!dialog.SerialAddressField()->isEnabled());
            QVERIFY(!dialog.SerialFileField()->isEnabled());
            dialog.SerialBox()->click();
            QVERIFY(dialog.SerialAddressField()->isEnabled());
            dialog.SerialBufferField()->setCurrentIndex(1);
            dialog.SerialAddressField()->setText("7f0");
            dialog.SerialFormatField()->setCurrentText("bcd8");
            dialog.SerialFileField()->setText("/line/sn.txt");
            dialog.accept();
        }
        const QString conf =
            test::ReadWholeFile(QString::fromStdString((dir / "zvk.conf").string()));
        for (const char* line :
             {"auto.serial=1\n", "auto.serial.buffer=eeprom\n", "auto.serial.address=07F0\n",
              "auto.serial.format=bcd8\n", "auto.serial.file=/line/sn.txt\n"}) {
            QVERIFY2(conf.contains(line), qPrintable(conf));
        }
        LoadPreferences();
        AutoProgramDlg reopened(nullptr);
        QVERIFY(reopened.SerialBox()->isChecked());
        QCOMPARE(reopened.SerialBufferField()->currentText(), QString("EEPROM"));
        QCOMPARE(reopened.SerialAddressField()->text(), QString("07F0"));
        QCOMPARE(reopened.SerialFormatField()->currentText(), QString("bcd8"));
        QCOMPARE(reopened.SerialFileField()->text(), QString("/line/sn.txt"));
        // Cancel keeps what was kept.
        reopened.SerialBox()->click();
        reopened.reject();
        QVERIFY(LoadProductionSettings().serial);
    }

    // In SPI mode a run cannot see chips come and go: Repeat is greyed and
    // says why. A part without SPI runs Parallel whatever was stored.
    void repeatIsGreyedWithItsReasonInSpiMode() {
        TempDir dir;
        App().ProgramDirectory = dir.Path().string();
        App().ProgrammingMode = 0;
        App().SelectedDevice = kAt89S52;
        {
            AutoProgramDlg dialog(nullptr);
            QVERIFY(!dialog.RepeatBox()->isEnabled());
            QCOMPARE(dialog.RepeatBox()->toolTip(), QString::fromUtf8(kRepeatNeedsParallelText));
            const auto labels = dialog.findChildren<QLabel*>();
            QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
                return label->text() == QString::fromUtf8(kRepeatNeedsParallelText);
            }));
        }
        for (const auto& [mode, part] : {std::pair{kModeParallel, kAt89S52}, {0, kAt89C2051}}) {
            App().ProgrammingMode = static_cast<std::uint8_t>(mode);
            App().SelectedDevice = part;
            AutoProgramDlg dialog(nullptr);
            QVERIFY(dialog.RepeatBox()->isEnabled());
        }
    }

    // Every check box is a tab stop of its own, in the dialog's order, and
    // Space toggles it; none of these dialogs offers to maximise.
    void everyCheckBoxIsReachedWithTabAndToggledWithSpace() {
        TempDir dir;
        App().ProgramDirectory = dir.Path().string();
        App().ProgrammingMode = kModeParallel;
        std::vector<std::unique_ptr<SettingsDlg>> dialogs;
        dialogs.push_back(std::make_unique<OptionDlg>(nullptr));
        dialogs.push_back(std::make_unique<ProtectionDlg>(nullptr));
        dialogs.push_back(std::make_unique<AutoProgramDlg>(nullptr));
        dialogs.push_back(std::make_unique<SelectDeviceDlg>(nullptr));
        dialogs.push_back(std::make_unique<PortSelectDlg>(nullptr));
        for (const auto& dialog : dialogs) {
            QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
            const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
            if (boxes.isEmpty()) continue;
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
            QList<QCheckBox*> reached;
            for (int i = 0; i < 40; ++i) {
                auto* box = qobject_cast<QCheckBox*>(QApplication::focusWidget());
                if (box != nullptr && !reached.contains(box)) reached << box;
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QCOMPARE(reached, boxes);
            dialog->hide();
        }
        App().OptionFlags = 0;
        OptionDlg options(nullptr);
        options.show();
        QVERIFY(QTest::qWaitForWindowActive(&options));
        options.Button(1038)->setFocus();
        QTest::keyClick(options.Button(1038), Qt::Key_Space);
        QCOMPARE(int(options.Flags()), int(kOptionEraseBeforeProgram));
    }

    // Select Device starts with the keyboard on the selected part, and the
    // arrow keys move the selection.
    void selectDeviceIsWorkedWithTheArrowKeys() {
        // AT89S51 (14), in the last of three columns.
        App().SelectedDevice = 14;
        App().ProgrammingMode = kModeParallel;
        SelectDeviceDlg dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.Button(kPart + 14));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(int(dialog.Part()), 13);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(int(dialog.Part()), 10);
        QVERIFY(dialog.Button(kPart + 10)->isChecked());
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
