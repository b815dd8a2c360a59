// Opening files the desktop's way: a file named at start, a file dropped on
// the frame or on the EEPROM editor, and File's recent files across a
// restart. Each path loads as File > Load File does, dialogs included.

#include <QAbstractScrollArea>
#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include <fstream>

#include "app/Buffers.h"
#include "app/DeviceTable.h"
#include "files/RecentFiles.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "ui/DialogHelpers.h"
#include "ui/HexEditWnd.h"
#include "ui/ProgressDialogs.h"

namespace zvk::ui {

using test::MessageRecorder;
using test::ModalScript;
using test::TempDir;

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Four bytes of the value at 0010, as Intel HEX.
std::string Hex(int value) {
    const int sum = (0x100 - ((0x04 + 0x10 + 4 * value) & 0xFF)) & 0xFF;
    return QString(":04001000%1%1%1%1%2\n:00000001FF\n")
        .arg(value, 2, 16, QChar('0'))
        .arg(sum, 2, 16, QChar('0'))
        .toUpper()
        .toStdString();
}

std::function<bool(LoadDetailsDialog*)> AcceptDetails() {
    return [](LoadDetailsDialog* dialog) {
        dialog->accept();
        return true;
    };
}

std::function<bool(GetAddressDlg*)> Address(QString text) {
    return [text](GetAddressDlg* dialog) {
        dialog->Edit()->setText(text);
        dialog->accept();
        return true;
    };
}

HexEditWnd* Editor(ChildWnd* child) { return static_cast<HexEditWnd*>(child); }

// Drags a file list over the widget and drops it there, as a file manager
// does; true when the window took the drag.
bool Drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QUrl Url(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

// The File popup's entries between Save As and Exit, as shown.
QStringList RecentEntries(FrameWnd& frame) {
    QMenu* file = frame.Menu(frame.ShownMenu())->actions().constFirst()->menu();
    emit file->aboutToShow();
    QStringList entries;
    bool inList = false;
    for (QAction* action : file->actions()) {
        if (action->menu() != nullptr && action->text().startsWith("Save")) inList = true;
        if (action->text() == "E&xit") break;
        if (inList && !action->isSeparator() && action->menu() == nullptr) {
            entries << action->text();
        }
    }
    return entries;
}

QString Joined(const std::vector<std::string>& lines) {
    QString all;
    for (const std::string& line : lines) all += QString::fromStdString(line) + "\n";
    return all;
}

QAction* RecentEntry(FrameWnd& frame, int number) {
    QMenu* file = frame.Menu(frame.ShownMenu())->actions().constFirst()->menu();
    emit file->aboutToShow();
    for (QAction* action : file->actions()) {
        if (action->text().startsWith(QString("&%1 ").arg(number))) return action;
    }
    return nullptr;
}

}  // namespace

class OpenFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        CloseProgrammerPort();
        ResetAppState();
    }

    // zvk demo.hex: the Flash editor comes up showing the file's bytes; a
    // binary asks for its address first.
    void aFileNamedAtStartOpensInTheFlashEditor() {
        TempDir dir;
        test::ScopedPorts ports(true);
        MessageRecorder messages;
        WriteFile(dir / "demo.hex", Hex(0x5A));
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            StartUpOptions options;
            options.programDirectory = dir.Path().string();
            options.showAbout = false;
            options.openFile = (dir / "demo.hex").string();
            auto frame = StartFrame(options);
            QTRY_VERIFY(test::OpenWindow(ui::CommandId::EditFlash) != nullptr);
            QVERIFY(script.Done());
            QCOMPARE(Editor(test::OpenWindow(ui::CommandId::EditFlash))->Editor().CachedByte(0x10),
                     0x5A);
            QCOMPARE(Editor(test::OpenWindow(ui::CommandId::EditFlash))->Editor().CachedByte(0x13),
                     0x5A);
            QCOMPARE(Editor(test::OpenWindow(ui::CommandId::EditFlash))->Editor().CachedByte(0x14),
                     0xFF);
        }
        WriteFile(dir / "image.bin", std::string("\x01\x02\x03", 3));
        {
            ModalScript script;
            script.Then<GetAddressDlg>(Address("0100")).Then<LoadDetailsDialog>(AcceptDetails());
            StartUpOptions options;
            options.programDirectory = dir.Path().string();
            options.showAbout = false;
            options.openFile = (dir / "image.bin").string();
            auto frame = StartFrame(options);
            QTRY_VERIFY(test::OpenWindow(ui::CommandId::EditFlash) != nullptr);
            QVERIFY(script.Done());
            QCOMPARE(int(FlashRead(0x0101)), 0x02);
        }
        QCOMPARE(Joined(messages.Lines()), QString("Load Program|File Loaded Successfully.\n"));
    }

    void aDropOnTheFrameLoadsFlashAndOnTheEepromEditorEeprom() {
        TempDir dir;
        test::ScopedPorts ports(true);
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        SelectDevice(*FindDeviceByName("AT89S8252"));
        frame->UpdateDeviceMenus();
        WriteFile(dir / "flash.hex", Hex(0x11));
        WriteFile(dir / "eeprom.hex", Hex(0x22));

        // Text, two files at once and a folder are refused at the door.
        QVERIFY(!Drop(frame->Client()->viewport(), {}));
        QVERIFY(
            !Drop(frame->Client()->viewport(), {Url(dir / "flash.hex"), Url(dir / "eeprom.hex")}));
        QVERIFY(!Drop(frame->Client()->viewport(), {Url(dir.Path())}));

        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            QVERIFY(Drop(frame->Client()->viewport(), {Url(dir / "flash.hex")}));
            QTRY_VERIFY(script.Done());
        }
        QTRY_VERIFY(test::OpenWindow(ui::CommandId::EditFlash) != nullptr);
        QCOMPARE(int(FlashRead(0x0010)), 0x11);

        frame->OnCommand(static_cast<int>(CommandId::EditEeprom));
        QVERIFY(test::OpenWindow(ui::CommandId::EditEeprom) != nullptr);
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            QVERIFY(Drop(Editor(test::OpenWindow(ui::CommandId::EditEeprom))->Canvas(),
                         {Url(dir / "eeprom.hex")}));
            QTRY_VERIFY(script.Done());
        }
        QTRY_COMPARE(int(EepromRead(0x0010)), 0x22);
        QCOMPARE(Editor(test::OpenWindow(ui::CommandId::EditEeprom))->Editor().CachedByte(0x10),
                 0x22);
        QCOMPARE(int(FlashRead(0x0010)), 0x11);  // the Flash buffer kept its file
        QCOMPARE(Joined(messages.Lines()), QString());
    }

    void theLastFourLoadsAreOfferedAfterARestart() {
        TempDir dir;
        test::ScopedPorts ports(true);
        MessageRecorder messages;
        auto frame = test::StartTestFrame(dir);
        SelectDevice(*FindDeviceByName("AT89S8252"));
        frame->UpdateDeviceMenus();
        QCOMPARE(RecentEntries(*frame), QStringList{});

        // Five loads; a.hex twice into Flash counts once, into EEPROM apart.
        const struct {
            const char* name;
            BufferKind kind;
        } loads[] = {{"a.hex", BufferKind::Flash},  {"b.hex", BufferKind::Flash},
                     {"a.hex", BufferKind::Eeprom}, {"c.hex", BufferKind::Flash},
                     {"a.hex", BufferKind::Flash},  {"d.hex", BufferKind::Flash}};
        int value = 0x30;
        for (const auto& load : loads) {
            WriteFile(dir / load.name, Hex(value++));
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            frame->OpenFile(load.kind, QString::fromStdString((dir / load.name).string()), false);
            QVERIFY(script.Done());
        }
        frame.reset();

        frame = test::StartTestFrame(dir);
        SelectDevice(*FindDeviceByName("AT89S8252"));
        frame->UpdateDeviceMenus();
        const QString d = QString::fromStdString(dir.Path().string());
        QCOMPARE(RecentEntries(*frame),
                 (QStringList{"&1 " + d + "/d.hex (Flash)", "&2 " + d + "/a.hex (Flash)",
                              "&3 " + d + "/c.hex (Flash)", "&4 " + d + "/a.hex (EEPROM)"}));
        // A list that is shown again is not doubled.
        QCOMPARE(RecentEntries(*frame).size(), 4);

        // The EEPROM entry loads a.hex into EEPROM, as it was.
        {
            ModalScript script;
            script.Then<LoadDetailsDialog>(AcceptDetails());
            RecentEntry(*frame, 4)->trigger();
            QVERIFY(script.Done());
        }
        QCOMPARE(int(EepromRead(0x0010)), 0x34);
        QCOMPARE(RecentEntries(*frame).constFirst(), "&1 " + d + "/a.hex (EEPROM)");

        // A part without EEPROM greys its entries; the others stay.
        SelectDevice(*FindDeviceByName("AT89S52"));
        frame->UpdateDeviceMenus();
        QVERIFY(!RecentEntry(*frame, 1)->isEnabled());
        QVERIFY(RecentEntry(*frame, 2)->isEnabled());
        QCOMPARE(Joined(messages.Lines()), QString());
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::OpenFilesTest)
#include "OpenFilesTest.moc"
