// The Flash and EEPROM hex editors: typing and its colours, the caret's wraps
// and scrolls, Locate, the status bar, the frame's menus and buttons, and
// paging through a large image without reading more than the rows shown.

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <fstream>
#include <memory>

#include "app/Buffers.h"
#include "files/ImageFile.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "ui/DialogHelpers.h"
#include "ui/FindDlg.h"
#include "ui/HexEditWnd.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace zvk::ui {

using namespace zvk::views;

using test::MessageRecorder;
using test::TempDir;

namespace {

int Id(CommandId id) { return static_cast<int>(id); }

// Whether the cell of a text at (column, row) is drawn exactly as that text
// in that colour on white.
bool CellShows(HexEditWnd& window, int column, int row, const QString& text, QColor colour) {
    const int cw = window.CharWidth();
    const int lh = window.LineHeight();
    const QRect cell((column - window.Editor().HorizontalPosition()) * cw, row * lh,
                     cw * static_cast<int>(text.size()), lh - 7);
    const QImage drawn =
        window.Canvas()->grab(cell).toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(cell.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter painter(&expected);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(0, QFontMetrics(font).ascent(), text);
    painter.end();
    return drawn == expected;
}

QString StatusText() { return test::CurrentFrame()->Status()->PaneText(0); }

// Answers the address dialog with a text and reports what it offered.
struct AddressAnswer {
    explicit AddressAnswer(const QString& text) {
        script.Then<GetAddressDlg>([this, text](GetAddressDlg* dialog) {
            offered = dialog->Edit()->text();
            dialog->Edit()->setText(text);
            dialog->accept();
            return true;
        });
    }
    test::ModalScript script;
    QString offered;
};

}  // namespace

class HexEditWndTest : public QObject {
    Q_OBJECT

  private:
    TempDir dir_;
    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<FrameWnd> frame_;

    // Opens an editor with the caret on the first digit of byte 0 of row 0.
    HexEditWnd& Open(CommandId opener) {
        frame_->OnCommand(Id(opener));
        auto* window = static_cast<HexEditWnd*>(opener == CommandId::EditFlash
                                                    ? test::OpenWindow(ui::CommandId::EditFlash)
                                                    : test::OpenWindow(ui::CommandId::EditEeprom));
        window->parentWidget()->resize(window->View()->sizeHint() + QSize(20, 40));
        QCoreApplication::processEvents();
        window->View()->setFocus();
        // The caret stays where the last window left it; back to the first digit.
        window->Editor().Click(9, 0);
        QTest::keyClick(window->View(), Qt::Key_Home);
        return *window;
    }

  private slots:
    void init() {
        messages_ = std::make_unique<MessageRecorder>();
        frame_ = test::StartTestFrame(dir_);
        App().SelectedDevice = 11;  // AT89S8252: 8 KB of Flash and an EEPROM
        App().FlashLastAddress = 0x1FFF;
    }

    void cleanup() {
        frame_.reset();
        messages_.reset();
    }

    void typingHexDigitsStoresTheByteInRed() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        QTest::keyClick(window.View(), '4');
        QCOMPARE(int(FlashRead(0)), 0x4F);
        QTest::keyClick(window.View(), '1');
        QCOMPARE(int(FlashRead(0)), 0x41);
        QCOMPARE(int(GetOrigin(BufferKind::Flash, 0)), int(OriginEdited));
        HexEditor& editor = window.Editor();
        QCOMPARE(editor.CaretColumn(), 13);
        QCOMPARE(editor.CaretRow(), 0);
        QVERIFY(!editor.LowNibble());
        QCOMPARE(QString::fromStdString(editor.RowText(0)).left(20),
                 QString(" 0000    41  FF  FF "));
        QVERIFY(CellShows(window, 9, 0, "41", Qt::red));
        QVERIFY(CellShows(window, 74, 0, "A", Qt::red));
        QVERIFY(!CellShows(window, 13, 0, "FF", Qt::black));  // the caret covers it
        QVERIFY(CellShows(window, 17, 0, "FF", Qt::black));
        QVERIFY(CellShows(window, 1, 0, "0000", Qt::black));
        QCOMPARE(StatusText(), QString("Current editing address : 0001"));
    }

    // Edit > Undo and Redo act on the buffer of the active window, from the
    // menu and from their keys (in the character area too, where other
    // control keys type their bytes), and grey when nothing is left to do.
    void undoAndRedoActOnTheActiveWindowsBuffer() {
        QAction* undo = frame_->MenuItem(MenuKind::Child, CommandId::Undo);
        QAction* redo = frame_->MenuItem(MenuKind::Child, CommandId::Redo);
        QCOMPARE(undo->text(), QString("&Undo"));
        QCOMPARE(redo->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
        HexEditWnd& flash = Open(CommandId::EditFlash);
        flash.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&flash));
        QVERIFY(!undo->isEnabled());
        QTest::keyClick(flash.View(), '4');
        QTest::keyClick(flash.View(), '1');
        QVERIFY(undo->isEnabled());
        QVERIFY(!redo->isEnabled());

        QTest::keyClick(flash.View(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(FlashRead(0)), 0x4F);
        undo->trigger();
        QCOMPARE(int(FlashRead(0)), 0xFF);
        QCOMPARE(int(GetOrigin(BufferKind::Flash, 0)), int(OriginNone));
        QVERIFY(!undo->isEnabled());
        QVERIFY(redo->isEnabled());
        QCOMPARE(QString::fromStdString(flash.Editor().RowText(0)).mid(9, 2), QString("FF"));

        const int cw = flash.CharWidth();
        QTest::mouseClick(flash.Canvas(), Qt::LeftButton, {}, QPoint(75 * cw + 1, 2));
        QTest::keyClick(flash.View(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(int(FlashRead(0)), 0x4F);
        QTest::keyClick(flash.View(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(int(FlashRead(0)), 0x41);
        QCOMPARE(int(GetOrigin(BufferKind::Flash, 0)), int(OriginEdited));
        QCOMPARE(int(FlashRead(1)), 0xFF);  // no control byte typed
        QVERIFY(CellShows(flash, 9, 0, "41", Qt::red));
        QVERIFY(!redo->isEnabled());

        // The EEPROM editor undoes in its own buffer only.
        HexEditWnd& eeprom = Open(CommandId::EditEeprom);
        eeprom.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&eeprom));
        QVERIFY(!undo->isEnabled());
        QTest::keyClick(eeprom.View(), '7');
        QTest::keyClick(eeprom.View(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(EepromRead(0)), 0xFF);
        QCOMPARE(int(FlashRead(0)), 0x41);
    }

    void aGIsIgnoredAmongTheDigitsAndStoredAmongTheCharacters() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        QTest::keyClick(window.View(), 'g');
        QCOMPARE(int(FlashRead(0)), 0xFF);
        QCOMPARE(int(GetOrigin(BufferKind::Flash, 0)), int(OriginNone));
        QCOMPARE(window.Editor().CaretColumn(), 9);

        const int cw = window.CharWidth();
        QTest::mouseClick(window.Canvas(), Qt::LeftButton, {}, QPoint(74 * cw + 1, 2));
        QCOMPARE(window.Editor().CaretColumn(), 74);
        QTest::keyClick(window.View(), 'g');
        QCOMPARE(int(FlashRead(0)), 0x67);
        QCOMPARE(window.Editor().CaretColumn(), 75);
        QVERIFY(CellShows(window, 74, 0, "g", Qt::red));
        QVERIFY(CellShows(window, 9, 0, "67", Qt::red));
    }

    // Control keys are bytes among the characters, even one that is also a
    // shortcut of the frame, and nothing among the digits; none of them
    // closes the editor. AltGr, which Windows sends as Ctrl+Alt, types the
    // character it makes.
    void controlKeysTypeTheirControlCharacters_data() {
        QTest::addColumn<bool>("characterArea");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");  // as the platform sends it; empty: as Qt Test makes it
        QTest::addColumn<int>("stored");    // 0xFF: nothing typed
        QTest::addColumn<int>("shortcutRuns");
        QTest::addColumn<bool>("alt");  // Ctrl+Alt rather than Ctrl
        QTest::newRow("Ctrl+W, sent as 17")
            << true << int(Qt::Key_W) << "\x17" << 0x17 << 0 << false;
        QTest::newRow("Ctrl+W, sent as w") << true << int(Qt::Key_W) << "" << 0x17 << 0 << false;
        QTest::newRow("Ctrl+A") << true << int(Qt::Key_A) << "" << 0x01 << 0 << false;
        QTest::newRow("Ctrl+[") << true << int(Qt::Key_BracketLeft) << "" << 0x1B << 0 << false;
        QTest::newRow("Ctrl+R, a shortcut")
            << true << int(Qt::Key_R) << "\x12" << 0x12 << 0 << false;
        QTest::newRow("Ctrl+A among the digits")
            << false << int(Qt::Key_A) << "" << 0xFF << 0 << false;
        QTest::newRow("Ctrl+W among the digits")
            << false << int(Qt::Key_W) << "\x17" << 0xFF << 0 << false;
        QTest::newRow("Ctrl+R among the digits")
            << false << int(Qt::Key_R) << "\x12" << 0xFF << 1 << false;
        QTest::newRow("AltGr+Q, sent as @") << true << int(Qt::Key_Q) << "@" << 0x40 << 0 << true;
        QTest::newRow("AltGr+Q among the digits")
            << false << int(Qt::Key_Q) << "@" << 0xFF << 0 << true;
        QTest::newRow("Ctrl+Alt+W, sent as 17")
            << true << int(Qt::Key_W) << "\x17" << 0xFF << 0 << true;
    }
    void controlKeysTypeTheirControlCharacters() {
        QFETCH(bool, characterArea);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, stored);
        QFETCH(int, shortcutRuns);
        QFETCH(bool, alt);
        const Qt::KeyboardModifiers modifiers =
            alt ? Qt::ControlModifier | Qt::AltModifier : Qt::ControlModifier;
        int runs = 0;
        QAction shortcut(frame_.get());
        shortcut.setShortcut(QKeySequence("Ctrl+R"));
        connect(&shortcut, &QAction::triggered, [&] { ++runs; });
        frame_->addAction(&shortcut);
        HexEditWnd& window = Open(CommandId::EditFlash);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        if (characterArea) {
            QTest::mouseClick(window.Canvas(), Qt::LeftButton, {},
                              QPoint(74 * window.CharWidth() + 1, 2));
        }
        if (text.isEmpty()) {
            QTest::keyClick(window.View(), Qt::Key(key), modifiers);
        } else {
            QTest::sendKeyEvent(QTest::Click, window.View(), Qt::Key(key), text, modifiers);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(test::OpenWindow(ui::CommandId::EditFlash) == &window);
        QCOMPARE(int(FlashRead(0)), stored);
        QCOMPARE(window.Editor().CaretColumn(), !characterArea ? 9 : stored != 0xFF ? 75 : 74);
        QCOMPARE(runs, shortcutRuns);
    }

    void clicksPlaceTheCaretOnDigitsOnly() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        const int cw = window.CharWidth();
        const int lh = window.LineHeight();
        QTest::mouseClick(window.Canvas(), Qt::LeftButton, {}, QPoint(14 * cw + 1, lh + 2));
        QCOMPARE(window.Editor().CaretColumn(), 14);
        QCOMPARE(window.Editor().CaretRow(), 1);
        QVERIFY(window.Editor().LowNibble());
        QCOMPARE(StatusText(), QString("Current editing address : 0011"));
        // The blanks between two bytes leave the caret alone.
        QTest::mouseClick(window.Canvas(), Qt::LeftButton, {}, QPoint(16 * cw + 1, 2));
        QCOMPARE(window.Editor().CaretColumn(), 14);
        QCOMPARE(window.Editor().CaretRow(), 1);
    }

    void rightWrapsToTheNextRowAndScrollsAtTheBottom() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        HexEditor& editor = window.Editor();
        const int last = editor.RowCount() - 1;
        QVERIFY(last > 0);
        QTest::keyClick(window.View(), Qt::Key_End);
        QCOMPARE(editor.CaretColumn(), 70);
        QCOMPARE(editor.CaretRow(), last);
        QTest::keyClick(window.View(), Qt::Key_Right);
        QCOMPARE(int(editor.TopAddress()), 0x0010);
        QCOMPARE(editor.CaretColumn(), 9);
        QCOMPARE(editor.CaretRow(), last);
        QVERIFY(!editor.LowNibble());
        QCOMPARE(window.View()->verticalScrollBar()->value(), 1);

        // At the end of the buffer the caret goes back to byte 0 of the last row.
        AddressAnswer answer("FFFF");
        frame_->OnCommand(Id(CommandId::LocateFlash));
        const int endTop = (0x1FFF / 16 - editor.RowCount() + 1) * 16;
        QCOMPARE(int(editor.TopAddress()), endTop);
        QTest::keyClick(window.View(), Qt::Key_End);
        QTest::keyClick(window.View(), Qt::Key_Right);
        QCOMPARE(int(editor.TopAddress()), endTop);
        QCOMPARE(editor.CaretColumn(), 9);
        QCOMPARE(editor.CaretRow(), last);
        QCOMPARE(StatusText(), QString("Current editing address : 1FF0"));
    }

    void leftAtTheStartStaysPut() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        HexEditor& editor = window.Editor();
        QTest::keyClick(window.View(), Qt::Key_Left);
        QCOMPARE(editor.CaretColumn(), 9);
        QCOMPARE(editor.CaretRow(), 0);
        QCOMPARE(int(editor.TopAddress()), 0);
        QTest::mouseClick(window.Canvas(), Qt::LeftButton, {},
                          QPoint(74 * window.CharWidth() + 1, 2));
        QTest::keyClick(window.View(), Qt::Key_Left);
        QCOMPARE(editor.CaretColumn(), 74);
        QCOMPARE(editor.CaretRow(), 0);
        QCOMPARE(int(editor.TopAddress()), 0);
        // One row further down the same keys wrap to the end of the row above.
        QTest::keyClick(window.View(), Qt::Key_Down);
        QTest::keyClick(window.View(), Qt::Key_Left);
        QCOMPARE(editor.CaretColumn(), 89);
        QCOMPARE(editor.CaretRow(), 0);
    }

    void locateShowsTheRowAtTheTop() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        {
            AddressAnswer answer("0123");
            frame_->OnCommand(Id(CommandId::LocateFlash));
            QVERIFY(answer.script.Done());
        }
        QCOMPARE(int(window.Editor().TopAddress()), 0x0120);
        QCOMPARE(window.TopAddress(), std::uint16_t{0x0120});
        QCOMPARE(QString::fromStdString(window.Editor().RowText(0)).left(5), QString(" 0120"));
        QCOMPARE(StatusText(), QString("Current editing address : 0120"));

        // A double click on a row's address offers that address.
        AddressAnswer answer("0200");
        QTest::mouseDClick(window.Canvas(), Qt::LeftButton, {},
                           QPoint(2 * window.CharWidth(), 2 * window.LineHeight() + 2));
        QCOMPARE(answer.offered, QString("0140"));
        QCOMPARE(int(window.Editor().TopAddress()), 0x0200);
    }

    void coloursFollowTheOrigins() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        const QString path = QString::fromStdString((dir_.Path() / "part.hex").string());
        std::ofstream(path.toStdString()) << ":0400000012345678E8\r\n:00000001FF\r\n";
        QVERIFY(LoadImageFile(path.toStdString(), BufferKind::Flash).Loaded());
        QVERIFY(CellShows(window, 13, 0, "34", Qt::blue));
        QVERIFY(CellShows(window, 74 + 2, 0, "V", Qt::blue));

        // What a Read leaves behind: bytes marked as read from the chip, announced.
        FlashWrite(0x0010, 0x31);
        SetOrigin(BufferKind::Flash, 0x0010, OriginDevice);
        AnnounceBufferChange(BufferKind::Flash, 0x0010, 0x0010);
        QVERIFY(CellShows(window, 9, 1, "31", QColor(0, 128, 0)));
        QVERIFY(CellShows(window, 74, 1, "1", QColor(0, 128, 0)));

        QTest::keyClick(window.View(), Qt::Key_Right);
        QTest::keyClick(window.View(), Qt::Key_Right);
        QTest::keyClick(window.View(), 'a');
        QTest::keyClick(window.View(), 'b');
        QVERIFY(CellShows(window, 13, 0, "AB", Qt::red));
        QVERIFY(CellShows(window, 9, 0, "12", Qt::blue));

        frame_->OnCommand(Id(CommandId::ClearFlash));
        for (int column : {9, 13, 21}) QVERIFY(CellShows(window, column, 0, "FF", Qt::black));
        QVERIFY(CellShows(window, 9, 1, "FF", Qt::black));
        QVERIFY(CellShows(window, 74, 1, ".", Qt::black));
    }

    void statusShowsTheEditingAddress() {
        HexEditWnd& window = Open(CommandId::EditFlash);
        QTest::keyClick(window.View(), Qt::Key_Down);
        for (int i = 0; i < 11; ++i) QTest::keyClick(window.View(), Qt::Key_Right);
        QCOMPARE(window.Editor().CaretColumn(), 30);
        QVERIFY(window.Editor().LowNibble());
        QCOMPARE(StatusText(), QString("Current editing address : 0015"));
    }

    void theEepromEditorKeepsItsPlaceAndWritesTheEeprom() {
        HexEditWnd& eeprom = Open(CommandId::EditEeprom);
        QCOMPARE(eeprom.windowTitle(), QString("Buffer - EEPROM"));
        {
            AddressAnswer answer("0400");
            frame_->OnCommand(Id(CommandId::LocateEeprom));
        }
        QTest::keyClick(eeprom.View(), '5');
        QTest::keyClick(eeprom.View(), 'a');
        QCOMPARE(int(EepromRead(0x0400)), 0x5A);
        QCOMPARE(int(GetOrigin(BufferKind::Eeprom, 0x0400)), int(OriginEdited));
        QCOMPARE(int(FlashRead(0x0400)), 0xFF);

        eeprom.parentWidget()->close();
        QCoreApplication::processEvents();
        QVERIFY(test::OpenWindow(ui::CommandId::EditEeprom) == nullptr);
        QCOMPARE(StatusText(), QString("Ready"));
        HexEditWnd& again = Open(CommandId::EditEeprom);
        QCOMPARE(int(again.Editor().TopAddress()), 0x0400);

        // The Flash editor starts at the top every time.
        HexEditWnd& flash = Open(CommandId::EditFlash);
        AddressAnswer answer("0300");
        frame_->OnCommand(Id(CommandId::LocateFlash));
        QCOMPARE(int(flash.Editor().TopAddress()), 0x0300);
        flash.parentWidget()->close();
        QCoreApplication::processEvents();
        QCOMPARE(int(Open(CommandId::EditFlash).Editor().TopAddress()), 0);
    }

    void activationSwitchesMenusAndButtons() {
        FrameToolBar* bar = frame_->ToolBar();
        const auto pressed = [bar](CommandId id) { return bar->Button(id)->isChecked(); };
        Open(CommandId::EditFlash);
        QCOMPARE(frame_->ShownMenu(), MenuKind::Child);
        QVERIFY(bar->Button(CommandId::LocateFlash)->isEnabled());
        QVERIFY(bar->Button(CommandId::CloseAll)->isEnabled());
        QVERIFY(pressed(CommandId::EditFlash));
        QCOMPARE(StatusText(), QString("Current editing address : 0000"));

        HexEditWnd& eeprom = Open(CommandId::EditEeprom);
        QVERIFY(!bar->Button(CommandId::LocateFlash)->isEnabled());
        QVERIFY(pressed(CommandId::EditEeprom));
        QVERIFY(!pressed(CommandId::EditFlash));
        QTest::keyClick(eeprom.View(), Qt::Key_Down);
        QCOMPARE(StatusText(), QString::fromStdString(EditAddressText(
                                   std::uint16_t(eeprom.Editor().TopAddress() + 16))));

        // Coming forward again, the Flash editor shows its own address.
        frame_->OnCommand(Id(CommandId::EditFlash));
        QTRY_COMPARE(StatusText(), QString("Current editing address : 0000"));
        QVERIFY(bar->Button(CommandId::LocateFlash)->isEnabled());
        QVERIFY(pressed(CommandId::EditFlash));
        QVERIFY(!pressed(CommandId::EditEeprom));

        frame_->OnCommand(Id(CommandId::CloseAll));
        QCoreApplication::processEvents();
        QCOMPARE(frame_->ShownMenu(), MenuKind::Frame);
        QVERIFY(!bar->Button(CommandId::LocateFlash)->isEnabled());
        QVERIFY(!bar->Button(CommandId::CloseAll)->isEnabled());
        QVERIFY(!pressed(CommandId::EditEeprom));
        QCOMPARE(StatusText(), QString("Ready"));
    }

    void pagingThroughALargeImageReadsOnlyTheRowsShown() {
        App().FlashLastAddress = 0x4FFF;  // AT89C55
        HexEditWnd& window = Open(CommandId::EditFlash);
        HexEditor& editor = window.Editor();
        const std::size_t page = std::size_t(16 * editor.RowCount());
        const std::size_t before = editor.BytesRead();
        QElapsedTimer clock;
        clock.start();
        int pages = 0;
        for (int top = -1; top != editor.TopAddress(); ++pages) {
            top = editor.TopAddress();
            QTest::keyClick(window.View(), Qt::Key_PageDown);
            window.Canvas()->repaint();
        }
        QCOMPARE(int(editor.TopAddress()), (0x4FF - editor.RowCount() + 1) * 16);
        QCOMPARE(editor.BytesRead() - before, std::size_t(pages) * page);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        // A line scroll reads one row.
        const std::size_t afterPages = editor.BytesRead();
        QTest::keyClick(window.View(), Qt::Key_Home);
        QTest::keyClick(window.View(), Qt::Key_Up);
        QCOMPARE(editor.BytesRead() - afterPages, std::size_t{16});
        // Dragging the thumb reads the one page it lands on.
        QScrollBar* bar = window.View()->verticalScrollBar();
        const std::size_t beforeDrag = editor.BytesRead();
        bar->setSliderPosition(0x123);  // a tracking bar reports the move itself
        QCOMPARE(int(editor.TopAddress()), 0x1230);
        QCOMPARE(bar->value(), 0x123);
        QCOMPARE(editor.BytesRead() - beforeDrag, page);
    }

    // Ctrl+F asks, F3 goes on (from the start after the end), Ctrl+G is
    // Locate, in either area of the editor and in the disassembly view.
    void findAndGoToByKeys() {
        messages_->messages.clear();  // the port of the start
        for (const std::uint16_t at : {0x0005, 0x0FF0, 0x1FFE}) {
            FlashWrite(at, 0x5A);
            FlashWrite(static_cast<std::uint16_t>(at + 1), 0xC3);
        }
        FlashWrite(0x0800, 'Z');
        FlashWrite(0x0801, 'V');
        FlashWrite(0x0802, 'K');
        HexEditWnd& window = Open(CommandId::EditFlash);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto find = [&](int key, Qt::KeyboardModifiers modifiers,
                              std::optional<FindQuery> answer) {
            test::ModalScript script;
            if (answer) {
                script.Then<FindDlg>([answer](FindDlg* dialog) {
                    dialog->Edit()->setText(QString::fromStdString(answer->typed));
                    (answer->text ? dialog->TextButton() : dialog->HexButton())->click();
                    dialog->accept();
                    return true;
                });
            }
            // The offscreen platform gives the activation back to no window
            // when a dialog closes.
            window.activateWindow();
            if (!QTest::qWaitForWindowActive(&window)) return false;
            QTest::keyClick(window.View(), Qt::Key(key), modifiers);
            return script.Done() && script.Unexpected() == 0;
        };
        QVERIFY(find(Qt::Key_F, Qt::ControlModifier, FindQuery{"5a c3", false}));
        QCOMPARE(int(window.Editor().EditingAddress()), 0x0005);
        QVERIFY(window.Editor().InHexArea());
        QVERIFY(find(Qt::Key_F3, {}, std::nullopt));
        QCOMPARE(int(window.Editor().EditingAddress()), 0x0FF0);
        QVERIFY(window.Editor().TopAddress() <= 0x0FF0);  // the row is in view
        QVERIFY(find(Qt::Key_F3, {}, std::nullopt));
        QCOMPARE(int(window.Editor().EditingAddress()), 0x1FFE);
        QVERIFY(find(Qt::Key_F3, {}, std::nullopt));
        QCOMPARE(int(window.Editor().EditingAddress()), 0x0005);
        QCOMPARE(StatusText(), QString("Passed the end of the buffer; found from its start"));

        // Text lands the caret in the character area, where Ctrl+F is not
        // typed as a byte.
        QVERIFY(find(Qt::Key_F, Qt::ControlModifier, FindQuery{"ZVK", true}));
        QCOMPARE(int(window.Editor().EditingAddress()), 0x0800);
        QVERIFY(!window.Editor().InHexArea());
        QVERIFY(find(Qt::Key_F, Qt::ControlModifier, FindQuery{"ZVQ", true}));
        QCOMPARE(int(FlashRead(0x0800)), int('Z'));
        QCOMPARE(messages_->Lines(), std::vector<std::string>{"Find|\"ZVQ\" was not found."});

        {
            AddressAnswer answer("1230");
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::keyClick(window.View(), Qt::Key_G, Qt::ControlModifier);
            QVERIFY(answer.script.Done());
        }
        QCOMPARE(int(window.Editor().TopAddress()), 0x1230);
        QCOMPARE(int(FlashRead(0x0800)), int('Z'));

        // The disassembly view goes on with the same query from its top row.
        frame_->OnCommand(Id(CommandId::Disassembly));
        auto* view = static_cast<ChildWnd*>(test::OpenWindow(ui::CommandId::Disassembly));
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        LastFindQuery() = {"5AC3", false};
        view->setFocus();
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr && view->isAncestorOf(focus));
        QTest::keyClick(focus, Qt::Key_F3);
        QCOMPARE(int(view->TopAddress()), 0x0005);
        QTest::keyClick(focus, Qt::Key_F3);
        QCOMPARE(int(view->TopAddress()), 0x0FF0);
    }
};

}  // namespace zvk::ui

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        zvk::ui::HexEditWndTest windows;
        status |= QTest::qExec(&windows, argc, argv);
    }
    return status;
}
#include "HexEditWndTest.moc"
