// The disassembly view: stepping and paging by instructions, the thumb, the
// colours, the go-to and in-place edit commands with their messages, program
// line entry, and how little work scrolling costs.

#include <QAction>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <fstream>
#include <initializer_list>
#include <vector>

#include "app/Buffers.h"
#include "app/Messages.h"
#include "mcs51/Disassembler.h"
#include "tests/ui/FrameFixture.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DialogHelpers.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/HexEditWnd.h"
#include "ui/ProgramLineDlg.h"
#include "ui/ProgramWnd.h"
#include "ui/StatusBar.h"
#include "ui/ToolBar.h"

namespace zvk::ui {

using namespace zvk::views;

using test::MessageRecorder;
using test::ModalScript;
using test::TempDir;

namespace {

constexpr std::uint8_t kAt89C51 = 3;  // last Flash address 0FFF
constexpr std::uint8_t kAt89C55 = 9;  // last Flash address 4FFF

void Put(std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) FlashWrite(address++, b);
}

void SelectPart(std::uint8_t part, std::uint16_t lastAddress) {
    App().SelectedDevice = part;
    App().FlashLastAddress = lastAddress;
}

QString RowText(DisassemblyArea* area, int row) {
    return QString::fromStdString(area->View().RowAt(row).text);
}

QString LineAt(std::uint16_t address) {
    std::uint8_t b[3];
    CopyFlashOut(address, b, 3);
    return QString::fromStdString(DisassembleInstruction(address, b[0], b[1], b[2]).text);
}

QPoint Cell(DisassemblyArea* area, int column, int row) {
    return {column * area->CharWidth() + area->CharWidth() / 2,
            row * area->LineHeight() + area->LineHeight() / 2};
}

// The colours found in the cells of a row from a column on, count columns wide.
QSet<QRgb> Colours(const QImage& image, DisassemblyArea* area, int row, int column, int count) {
    QSet<QRgb> found;
    for (int y = row * area->LineHeight(); y < (row + 1) * area->LineHeight(); ++y) {
        for (int x = column * area->CharWidth(); x < (column + count) * area->CharWidth(); ++x)
            found.insert(image.pixel(x, y) & 0xFFFFFF);
    }
    return found;
}

constexpr QRgb Rgb(int r, int g, int b) { return (QRgb(r) << 16) | (QRgb(g) << 8) | QRgb(b); }

// Picks a popup item by id and remembers that the menu was opened.
struct MenuPick {
    int opened = 0;
    int id = 0;
    QAction* operator()(QMenu& menu, const QPoint&) {
        ++opened;
        for (QAction* action : menu.actions()) {
            if (action->data().toInt() == id) return action;
        }
        return nullptr;
    }
};

// A line dialog's step: notes the address and the selected line it offers,
// then stores the given line, or cancels for a null one.
std::function<bool(EditProgramLineDlg*)> Answer(QStringList& seen, const QString& line) {
    return [&seen, line](EditProgramLineDlg* d) {
        seen << d->AddressLabel()->text() + " " + d->Edit()->selectedText();
        if (line.isNull()) {
            d->reject();
        } else {
            d->Edit()->setText(line);
            d->accept();
        }
        return true;
    };
}

// A line dialog's step: notes what it offers and stores it untouched.
std::function<bool(EditProgramLineDlg*)> StoreAsOffered(QStringList& seen) {
    return [&seen](EditProgramLineDlg* d) {
        seen << d->AddressLabel()->text() + " " + d->Edit()->text();
        d->accept();
        return true;
    };
}

// Code whose offered text the assembler reads as other code (EA as the flag
// EA, AC as A and C) or refuses (RESERVED, MOV AC,#12).
struct UntouchedCode {
    std::uint16_t address;
    std::vector<std::uint8_t> bytes;
    QString offered;
};
const UntouchedCode kUntouchedCode[] = {
    {0x0000, {0xD2, 0xEA}, "SETB   EA"},
    {0x0002, {0x05, 0xAC}, "INC    AC"},
    {0x0004, {0xA5}, "RESERVED"},
    {0x0005, {0x75, 0xAC, 0x12}, "MOV    AC,#12"},
    {0x0008, {0x10, 0xEA, 0x05}, "JBC    EA,0010"},
};

// Puts the code, marked as loaded from a file.
void PutUntouchedCode() {
    for (const UntouchedCode& c : kUntouchedCode) {
        for (std::size_t i = 0; i < c.bytes.size(); ++i) {
            const auto a = static_cast<std::uint16_t>(c.address + i);
            FlashWrite(a, c.bytes[i]);
            SetOrigin(BufferKind::Flash, a, OriginFile);
        }
    }
}

bool CodeIsUntouched() {
    bool same = true;
    for (const UntouchedCode& c : kUntouchedCode) {
        for (std::size_t i = 0; i < c.bytes.size(); ++i) {
            const auto a = static_cast<std::uint16_t>(c.address + i);
            same =
                same && FlashRead(a) == c.bytes[i] && GetOrigin(BufferKind::Flash, a) == OriginFile;
        }
    }
    return same;
}

}  // namespace

class ProgramWndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<FrameWnd> frame_;

    // Opens the view with a window of rows lines (the header included).
    DisassemblyArea* OpenView(int rows) {
        frame_->OnCommand(static_cast<int>(CommandId::Disassembly));
        ProgramWnd* view = OpenDisassemblyView(*frame_);
        DisassemblyArea* area = view->Area();
        auto* window = static_cast<QMdiSubWindow*>(view->parentWidget());
        window->showNormal();
        const int extra = window->height() - area->viewport()->height();
        window->resize(800, rows * area->LineHeight() + extra + area->LineHeight() / 2);
        QCoreApplication::processEvents();
        return area;
    }

  private slots:
    void init() {
        CloseProgrammerPort();
        ResetAppState();
        dir_ = std::make_unique<TempDir>();
        messages_ = std::make_unique<MessageRecorder>();
        frame_ = test::StartTestFrame(*dir_);
        SelectPart(kAt89C51, 0x0FFF);
        messages_->messages.clear();
    }
    void cleanup() {
        frame_.reset();
        messages_.reset();
        dir_.reset();
    }

    void lineUpStepsBackByOneInstruction() {
        Put(0x0000, {0x02, 0x00, 0x30, 0x00, 0x00, 0x00});  // LJMP 0030, NOP x3
        DisassemblyArea* area = OpenView(10);
        QCOMPARE(area->View().LineCount(), 10);
        area->MoveTo(0x0006);
        const std::uint64_t before = area->View().DecodedLines();
        QTest::keyClick(area, Qt::Key_Up);
        QCOMPARE(int(area->View().TopAddress()), 0x0005);  // behind a NOP: one byte
        QTest::keyClick(area, Qt::Key_Up);
        QTest::keyClick(area, Qt::Key_Up);
        QCOMPARE(int(area->View().TopAddress()), 0x0003);
        QTest::keyClick(area, Qt::Key_Up);
        QCOMPARE(int(area->View().TopAddress()), 0x0000);    // behind LJMP: three bytes
        QCOMPARE(area->View().DecodedLines() - before, 4u);  // one new row per step
        QTest::keyClick(area, Qt::Key_Up);
        QCOMPARE(int(area->View().TopAddress()), 0x0000);
        QCOMPARE(area->verticalScrollBar()->value(), 0);
        // The shifted rows are the rows a fresh view shows.
        for (int row = 1; row < 10; ++row)
            QCOMPARE(RowText(area, row), LineAt(*area->View().RowAddress(row)));
        QCOMPARE(*area->View().RowAddress(2), std::uint16_t(0x0003));
        QTest::keyClick(area, Qt::Key_Down);
        QCOMPARE(int(area->View().TopAddress()), 0x0003);
        QCOMPARE(RowText(area, 9), LineAt(*area->View().RowAddress(9)));
    }

    void pageDownPastTheLastAddressGivesBlankRows() {
        DisassemblyArea* area = OpenView(10);  // nine rows of one-byte MOV R7,A
        area->MoveTo(0x0FFE - 9);
        QTest::keyClick(area, Qt::Key_PageDown);
        QCOMPARE(int(area->View().TopAddress()), 0x0FFE);
        QCOMPARE(*area->View().RowAddress(2), std::uint16_t(0x0FFF));
        for (int row = 3; row < 10; ++row) QVERIFY(!area->View().RowAddress(row));
        const QImage image = area->viewport()->grab().toImage();
        QVERIFY(Colours(image, area, 2, 0, 40).size() > 1);
        QCOMPARE(Colours(image, area, 3, 0, 60), QSet<QRgb>{Rgb(255, 255, 255)});
        // At the end there is no further page; a right click on a blank row
        // opens no menu.
        QTest::keyClick(area, Qt::Key_PageDown);
        QCOMPARE(int(area->View().TopAddress()), 0x0FFE);
        MenuPick pick;
        area->SetMenuRunner(std::ref(pick));
        QTest::mouseClick(area->viewport(), Qt::RightButton, {}, Cell(area, 30, 4));
        QTest::mouseClick(area->viewport(), Qt::RightButton, {}, Cell(area, 30, 0));
        QCOMPARE(pick.opened, 0);
        QTest::mouseClick(area->viewport(), Qt::RightButton, {}, Cell(area, 30, 1));
        QCOMPARE(pick.opened, 1);
        // Page up comes back by a window of instructions.
        QTest::keyClick(area, Qt::Key_PageUp);
        QVERIFY(area->View().TopAddress() < 0x0FFE && area->View().TopAddress() >= 0x0FFE - 30);
    }

    void thumbDragIntoAnInstruction() {
        Put(0x0100, {0x02, 0x00, 0x30, 0x75, 0x89, 0x21});  // LJMP 0030; MOV TMOD,#21
        DisassemblyArea* area = OpenView(8);
        area->verticalScrollBar()->setSliderPosition(0x0101);
        QCOMPARE(int(area->View().TopAddress()), 0x0101);
        QCOMPARE(RowText(area, 1), LineAt(0x0101));  // 00: NOP
        QVERIFY(RowText(area, 1).contains("NOP"));
        QCOMPARE(*area->View().RowAddress(2), std::uint16_t(0x0102));
        QVERIFY(RowText(area, 2).startsWith("  0102         30 75 89    JNB"));
    }

    void headerAndWordColours() {
        Put(0x0000, {0x75, 0x89, 0x21, 0xD2, 0xAF});  // MOV TMOD,#21; SETB EA
        DisassemblyArea* area = OpenView(6);
        area->MoveTo(0);
        const QImage image = area->viewport()->grab().toImage();
        const QRgb blue = Rgb(0, 0, 255), white = Rgb(255, 255, 255);
        QCOMPARE(Colours(image, area, 0, 0, 2), QSet<QRgb>{blue});
        QVERIFY(Colours(image, area, 0, 2, 7).contains(white));  // "Address"
        QVERIFY(Colours(image, area, 1, 2, 4).contains(Rgb(128, 0, 0)));
        QVERIFY(Colours(image, area, 1, 15, 8).contains(Rgb(0, 128, 0)));
        const QSet<QRgb> mov = Colours(image, area, 1, 27, 3);
        QVERIFY(mov.contains(blue) && !mov.contains(Rgb(255, 0, 0)));
        QVERIFY(Colours(image, area, 1, 34, 4).contains(Rgb(255, 0, 0)));  // TMOD
        const QSet<QRgb> number = Colours(image, area, 1, 39, 3);          // #21
        QVERIFY(number.contains(Rgb(0, 0, 0)) && !number.contains(blue));
        QVERIFY(Colours(image, area, 2, 34, 2).contains(Rgb(255, 0, 255)));  // EA
    }

    void goToAddressAndItsRangeError() {
        DisassemblyArea* area = OpenView(10);
        area->MoveTo(0x0200);
        ModalScript script;
        QString offered;
        script
            .Then<GetAddressDlg>([&](GetAddressDlg* d) {
                offered = d->Edit()->text();
                d->Edit()->setText("1FFF");
                d->accept();
                return true;
            })
            .Then<GetAddressDlg>([](GetAddressDlg* d) {
                d->Edit()->setText("0800");
                d->accept();
                return true;
            });
        QTest::mouseDClick(area->viewport(), Qt::LeftButton, {}, Cell(area, 3, 5));
        QCOMPARE(offered, QString("0204"));
        QCOMPARE(messages_->Lines(),
                 std::vector<std::string>{"Address Error|Address Exceeds Maximum Range."});
        QCOMPARE(int(area->View().TopAddress()), 0x0200);
        QTest::mouseDClick(area->viewport(), Qt::LeftButton, {}, Cell(area, 4, 1));
        QVERIFY(script.Done());
        QCOMPARE(int(area->View().TopAddress()), 0x0800);
        QCOMPARE(area->verticalScrollBar()->value(), 0x0800);
        QCOMPARE(int(OpenDisassemblyView(*frame_)->TopAddress()), 0x0800);
    }

    void editLjmpIntoNopThenRefuseALongerOne() {
        Put(0x0000, {0x02, 0x00, 0x30});
        DisassemblyArea* area = OpenView(10);
        area->MoveTo(0);
        frame_->OnCommand(static_cast<int>(CommandId::EditFlash));
        auto* editor = static_cast<HexEditWnd*>(test::OpenWindow(ui::CommandId::EditFlash));
        QStringList seen;
        {
            ModalScript script;
            script.Then<EditProgramLineDlg>(Answer(seen, "NOP"));
            MenuPick pick{0, kCmdEditInstruction};
            area->SetMenuRunner(std::ref(pick));
            QTest::mouseClick(area->viewport(), Qt::RightButton, {}, Cell(area, 30, 1));
            QVERIFY(script.Done());
        }
        QCOMPARE(seen, QStringList{"0000: LJMP   0030"});
        QCOMPARE(messages_->Lines(),
                 std::vector<std::string>{"Warning|NOP instruction(s) is added"});
        for (std::uint16_t a = 0; a < 3; ++a) {
            QCOMPARE(int(FlashRead(a)), 0x00);
            QCOMPARE(int(GetOrigin(BufferKind::Flash, a)), int(OriginEdited));
        }
        QCOMPARE(int(FlashRead(3)), 0xFF);
        QVERIFY(RowText(area, 3).startsWith("  0002         00          NOP"));
        // The Flash editor shows the stored bytes too.
        for (int a = 0; a < 3; ++a) QCOMPARE(int(editor->Editor().CachedByte(a)), 0x00);

        // NOP into MOV A,#5 (two bytes) is refused, as is a wrong line; the
        // dialog comes back with what was typed.
        messages_->messages.clear();
        seen.clear();
        ModalScript refused;
        refused.Then<EditProgramLineDlg>(Answer(seen, "MOV A,#5"))
            .Then<EditProgramLineDlg>(Answer(seen, "FOO"))
            .Then<EditProgramLineDlg>(Answer(seen, QString()));
        QTest::mouseDClick(area->viewport(), Qt::LeftButton, {}, Cell(area, 28, 1));
        QVERIFY(test::WaitUntil([&] { return refused.Done(); }, 5000));
        QCOMPARE(seen, (QStringList{"0000: NOP", "0000: MOV A,#5", "0000: FOO"}));
        QCOMPARE(messages_->Lines(),
                 (std::vector<std::string>{
                     "Error|1/2 byte instruction cannot be changed to 3 byte instruction",
                     "Error|Illegal mnemonic"}));
        QCOMPARE(int(FlashRead(0)), 0x00);
        QCOMPARE(int(FlashRead(1)), 0x00);
    }

    // Store on the instruction as offered changes nothing, not even for code
    // whose text would assemble to other bytes or not at all.
    void editInstructionStoredAsOfferedKeepsTheCode() {
        PutUntouchedCode();
        DisassemblyArea* area = OpenView(10);
        area->MoveTo(0);
        QStringList seen;
        for (int row = 1; row <= int(std::size(kUntouchedCode)); ++row) {
            ModalScript script;
            script.Then<EditProgramLineDlg>(StoreAsOffered(seen));
            MenuPick pick{0, kCmdEditInstruction};
            area->SetMenuRunner(std::ref(pick));
            QTest::mouseClick(area->viewport(), Qt::RightButton, {}, Cell(area, 30, row));
            QVERIFY(script.Done());
            QCOMPARE(script.Unexpected(), 0);
        }
        QStringList offered;
        for (const UntouchedCode& c : kUntouchedCode)
            offered << QString::asprintf("%04X: ", c.address) + c.offered;
        QCOMPARE(seen, offered);
        QCOMPARE(messages_->Lines(), std::vector<std::string>{});
        QVERIFY(CodeIsUntouched());
        QVERIFY(RowText(area, 1).contains("SETB   EA"));
    }

    // Accepting each offered line in Enter Program keeps the code too and
    // goes on behind each instruction.
    void enterProgramAcceptingTheOfferedLinesKeepsTheCode() {
        PutUntouchedCode();
        OpenView(10);
        App().EnteredAddress = 0x0000;
        QStringList seen;
        ModalScript script;
        for (std::size_t i = 0; i < std::size(kUntouchedCode); ++i)
            script.Then<EditProgramLineDlg>(StoreAsOffered(seen));
        script.Then<EditProgramLineDlg>(Answer(seen, QString()));
        EnterProgram(*frame_, false);
        QVERIFY(script.Done());
        QStringList offered;
        for (const UntouchedCode& c : kUntouchedCode)
            offered << QString::asprintf("%04X: ", c.address) + c.offered;
        offered << "000B: MOV    R7,A";
        QCOMPARE(seen, offered);
        QCOMPARE(messages_->Lines(), std::vector<std::string>{});
        QVERIFY(CodeIsUntouched());
    }

    void enterProgramStoresLjmpThenNop() {
        DisassemblyArea* area = OpenView(10);
        QStringList seen;
        int shownWhileEntering = -1;
        ModalScript script;
        script
            .Then<GetAddressDlg>([](GetAddressDlg* d) {
                d->Edit()->setText("0000");
                d->accept();
                return true;
            })
            .Then<EditProgramLineDlg>(Answer(seen, "LJMP 0100"))
            .Then<EditProgramLineDlg>(Answer(seen, "FOO"))  // refused: the old code comes back
            .Then<EditProgramLineDlg>(Answer(seen, "NOP"))
            .Then<EditProgramLineDlg>([&](EditProgramLineDlg* d) {
                seen << d->AddressLabel()->text();
                shownWhileEntering = 0;
                for (int row = 1; row < 10; ++row)
                    shownWhileEntering += area->View().RowAt(row).shown ? 1 : 0;
                d->reject();
                return true;
            });
        frame_->OnCommand(static_cast<int>(CommandId::EnterProgram));
        QVERIFY(script.Done());
        QCOMPARE(seen, (QStringList{"0000: MOV    R7,A", "0003: MOV    R7,A", "0003: MOV    R7,A",
                                    "0004:"}));
        QCOMPARE(messages_->Lines(), std::vector<std::string>{"Error|Illegal mnemonic"});
        const std::uint8_t expected[] = {0x02, 0x01, 0x00, 0x00, 0xFF};
        for (std::uint16_t a = 0; a < 5; ++a) QCOMPARE(int(FlashRead(a)), int(expected[a]));
        QCOMPARE(shownWhileEntering, 2);
        QVERIFY(!area->View().EntryActive());
        QVERIFY(area->View().RowAt(9).shown);
        QCOMPARE(RowText(area, 2), LineAt(0x0003));
    }

    void enterProgramScrollsOnceTheViewIsFullAndStopsAtTheEnd() {
        DisassemblyArea* area = OpenView(4);  // three instruction rows
        App().EnteredAddress = 0x0FF8;
        QStringList seen;
        ModalScript script;
        for (int i = 0; i < 8; ++i) {
            // The sixth line is blank: it keeps the code there.
            script.Then<EditProgramLineDlg>(Answer(seen, i == 5 ? "" : "INC A"));
        }
        EnterProgram(*frame_, false);
        // 0FF8 to 0FFF, then the run ends by itself.
        QCOMPARE(seen.size(), 8);
        QCOMPARE(seen.back(), QString("0FFF: MOV    R7,A"));
        QCOMPARE(int(area->View().TopAddress()), 0x0FFD);
        QCOMPARE(int(area->View().EnteredLineCount()), 3);
        for (std::uint16_t a = 0x0FF8; a <= 0x0FFF; ++a)
            QCOMPARE(int(FlashRead(a)), a == 0x0FFD ? 0xFF : 0x04);
        QCOMPARE(script.Unexpected(), 0);

        messages_->messages.clear();
        App().EnteredAddress = 0x0FFF;
        EnterProgram(*frame_, false);
        QCOMPARE(messages_->Lines(), std::vector<std::string>{"Address Error|Invalid Address"});
    }

    void pagingThroughA20KImageDecodesOnlyTheVisibleRows() {
        SelectPart(kAt89C55, 0x4FFF);
        std::uint32_t seed = 12345;
        for (std::uint32_t a = 0; a <= 0x4FFF; ++a) {
            seed = seed * 1103515245u + 12345u;
            FlashWrite(static_cast<std::uint16_t>(a), static_cast<std::uint8_t>(seed >> 16));
        }
        DisassemblyArea* area = OpenView(30);
        area->MoveTo(0);
        const int rows = area->View().LineCount() - 1;
        QElapsedTimer clock;
        clock.start();
        int pages = 0;
        std::uint16_t previous = 0;
        for (;;) {
            const std::uint64_t before = area->View().DecodedLines();
            QTest::keyClick(area, Qt::Key_PageDown);
            QVERIFY(area->View().DecodedLines() - before <= std::uint64_t(rows));
            if (area->View().TopAddress() == previous) break;
            QVERIFY(area->View().TopAddress() > previous);
            previous = area->View().TopAddress();
            ++pages;
        }
        QCoreApplication::processEvents();
        QVERIFY(pages > 20480 / (3 * rows));
        QVERIFY(*area->View().RowAddress(1) > 0x4FFF - 3 * rows);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));

        // Stepping decodes one row per step; painting decodes none.
        area->MoveTo(0x1000);
        const std::uint64_t before = area->View().DecodedLines();
        for (int i = 0; i < 100; ++i) QTest::keyClick(area, Qt::Key_Down);
        for (int i = 0; i < 50; ++i) QTest::keyClick(area, Qt::Key_Up);
        area->viewport()->grab();
        QCOMPARE(area->View().DecodedLines() - before, 150u);
    }

    // Any change of size reads the buffer again, also one that keeps the
    // number of rows.
    void aResizeShowsTheBufferAsItIsNow() {
        DisassemblyArea* area = OpenView(10);
        auto* window = static_cast<QMdiSubWindow*>(OpenDisassemblyView(*frame_)->parentWidget());
        Put(0x0000, {0x02, 0x00, 0x30});  // behind the view's back
        QVERIFY(!RowText(area, 1).contains("LJMP"));
        window->resize(window->width() - 40, window->height() + 2);
        QCoreApplication::processEvents();
        QCOMPARE(area->View().LineCount(), 10);
        QCOMPARE(RowText(area, 1), LineAt(0x0000));
        QVERIFY(RowText(area, 1).contains("LJMP   0030"));
    }

    // A change to the Flash buffer shows in the open view at once: before the
    // message or the dialog that ends the change is closed.
    void flashChangesShowAtOnce_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("typing in the hex editor") << "typing";
        QTest::newRow("Fill") << "fill";
        QTest::newRow("Copy") << "copy";
        QTest::newRow("Load") << "load";
    }
    void flashChangesShowAtOnce() {
        QFETCH(QString, change);
        Put(0x0100, {0x02, 0x00, 0x30});
        DisassemblyArea* area = OpenView(10);
        const QString before = RowText(area, 1);
        QString seen;  // row 1 when the change had ended
        const auto look = [&] { seen = RowText(area, 1); };
        const MessagePresenter previous = SetMessagePresenter([&](const Message&) {
            look();
            return MessageResult::Ok;
        });
        ModalScript script;
        const auto fill = [](QStringList texts) {
            return [texts](FieldDialogView* view) {
                for (qsizetype i = 0; i < texts.size(); ++i)
                    view->Edits()[std::size_t(i)]->setText(texts[i]);
                view->OkButton()->click();
                return true;
            };
        };
        if (change == "typing") {
            frame_->OnCommand(static_cast<int>(CommandId::EditFlash));
            auto* editor = static_cast<HexEditWnd*>(test::OpenWindow(ui::CommandId::EditFlash));
            QTest::keyClick(editor->View(), '0');
            QTest::keyClick(editor->View(), '2');
            look();
        } else if (change == "fill") {
            script.Then<FieldDialogView>(fill({"0000", "0000", "02"}));
            frame_->OnCommand(static_cast<int>(CommandId::FillFlash));
        } else if (change == "copy") {
            script.Then<FieldDialogView>(fill({"0100", "0102", "0000"}));
            frame_->OnCommand(static_cast<int>(CommandId::CopyFlash));
        } else {
            const QString path = QString::fromStdString((dir_->Path() / "code.hex").string());
            std::ofstream(path.toStdString()) << ":03000000020030CB\r\n:00000001FF\r\n";
            test::FileAnswer answer(path);
            script.Then<LoadDetailsDialog>([&](LoadDetailsDialog* details) {
                look();
                details->accept();
                return true;
            });
            frame_->OnCommand(static_cast<int>(CommandId::LoadFlash));
        }
        SetMessagePresenter(previous);
        QVERIFY(script.Done());
        QCOMPARE(int(FlashRead(0x0000)), 0x02);
        QVERIFY(seen != before);
        QCOMPARE(seen, LineAt(0x0000));
    }

    void reloadResetScrollAndActivation() {
        DisassemblyArea* area = OpenView(10);
        area->MoveTo(0x0100);
        Put(0x0100, {0x02, 0x00, 0x30});
        QVERIFY(!RowText(area, 1).contains("LJMP"));
        AnnounceBufferChange(BufferKind::Eeprom, 0x0100, 0x0102);
        QVERIFY2(!RowText(area, 1).contains("LJMP"), "the other buffer");
        AnnounceBufferChange(BufferKind::Flash, 0x0100, 0x0102);
        QVERIFY(RowText(area, 1).contains("LJMP   0030"));
        SelectPart(kAt89C55, 0x4FFF);
        test::OpenWindow(ui::CommandId::Disassembly)->ResetScroll();
        QCOMPARE(area->verticalScrollBar()->maximum(), 0x4FFF + 2 - 10);

        QAction* button = frame_->ToolBar()->Button(CommandId::Disassembly);
        QVERIFY(button->isChecked());
        frame_->OnCommand(static_cast<int>(CommandId::EditFlash));
        QVERIFY(!button->isChecked());
        QCOMPARE(frame_->Status()->PaneText(0), QString("Ready"));
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::ProgramWndTest)
#include "ProgramWndTest.moc"
