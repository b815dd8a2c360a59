// The progress dialogs against the in-process virtual unit: what they show
// before, during and after the run, how Close and Cancel act, and the range
// and field dialogs' rendering of their models.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QtTest>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Messages.h"
#include "files/BlockOps.h"
#include "files/FileJob.h"
#include "files/FileSave.h"
#include "ops/OperationRange.h"
#include "tests/support/VirtualUnit.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/ProgressDialogs.h"

namespace zvk::ui {

using test::ReadWholeFile;
using test::Shown;
using test::WaitUntil;

using namespace std::chrono_literals;

namespace {

void FillFlash(std::uint16_t from, std::uint16_t count, std::uint8_t seed) {
    for (std::uint16_t i = 0; i < count; ++i) {
        FlashWrite(static_cast<std::uint16_t>(from + i), static_cast<std::uint8_t>(seed + i * 7));
    }
}

// Begins the dialog's job and shows it without blocking.
void Open(JobDialog& dialog) {
    dialog.Driver().Begin();
    dialog.open();
}

// Records when it is stepped; asks for a 60 ms wait once, then finishes.
class TimedJob final : public Job {
  public:
    void Start() override { clock.start(); }
    StepResult Step() override {
        steps.push_back(clock.elapsed());
        if (steps.size() == 1) return StepResult::Continue(60ms);
        return StepResult::Finish(7);
    }
    void Cancel() override { cancelled = true; }

    QElapsedTimer clock;
    std::vector<qint64> steps;
    bool cancelled = false;
};

// Names its file as it starts, like the load and save jobs, then works
// until it is cancelled.
class LabelledJob final : public Job {
  public:
    explicit LabelledJob(std::string label) : label_(std::move(label)) {}
    void Start() override {
        model.title = "Loading...";
        model.label = label_;
        model.progressMax = 100;
    }
    StepResult Step() override {
        return cancelled ? StepResult::Finish(0) : StepResult::Continue(1000ms);
    }
    void Cancel() override { cancelled = true; }

    ProgressModel model;
    bool cancelled = false;

  private:
    std::string label_;
};

}  // namespace

class ProgressDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void driverTicksAfterTheFirstDelayAndTheAskedOnesWithTheBusyCursor() {
        TimedJob job;
        QDialog dialog;
        int renders = 0;
        bool busyWhileRunning = false;
        JobDriver driver(dialog, job, [&] {
            ++renders;
            const QCursor* cursor = QApplication::overrideCursor();
            busyWhileRunning = cursor != nullptr && cursor->shape() == Qt::BusyCursor;
        });
        QCOMPARE(RunJobDialog(dialog, driver), 7);
        QCOMPARE(job.steps.size(), std::size_t{2});
        QVERIFY2(job.steps[0] >= 45, qPrintable(QString::number(job.steps[0])));
        QVERIFY2(job.steps[1] - job.steps[0] >= 55, qPrintable(QString::number(job.steps[1])));
        QCOMPARE(renders, 3);  // after Start and after each step
        QVERIFY(busyWhileRunning);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(!job.cancelled);
    }

    void finishedJobThatStaysOpenEndsWithItsCodeOnClose() {
        TimedJob job;
        QDialog dialog;
        JobDriver driver(dialog, job, {}, [] { return true; });
        driver.Begin();
        dialog.open();
        QVERIFY(WaitUntil([&] { return driver.Finished(); }));
        QVERIFY(dialog.isVisible());
        driver.Cancel();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 7);
        QVERIFY(!job.cancelled);  // the job had already ended
    }

    // The line naming the file is set by the job as it starts, after the
    // dialog was laid out; the dialog still shows all of it.
    void theFileLineShowsTheWholeShortenedName_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("loading") << QString::fromStdString(
            "Loading from: " +
            ShortDisplayName("/home/someone/projects/firmware/traffic_lights_controller_v2.hex"));
        QTest::newRow("saving") << QString::fromStdString(
            "Saving to: " +
            ShortDisplayName("/home/someone/projects/firmware/build/release/images/boot.hex"));
    }
    void theFileLineShowsTheWholeShortenedName() {
        QFETCH(QString, label);
        LabelledJob job(label.toStdString());
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        FileProgressDialog dialog(&owner, job, job.model, "Cancel");
        Open(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.Label()->text(), label);
        const int needed = dialog.Label()->fontMetrics().horizontalAdvance(label);
        QVERIFY2(
            dialog.Label()->contentsRect().width() >= needed,
            qPrintable(QString("%1 < %2").arg(dialog.Label()->contentsRect().width()).arg(needed)));
        // Still centred over its owner (give or take a window frame that
        // comes only once it shows).
        const QPoint middle = dialog.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY2(std::abs(middle.x()) <= 3 && std::abs(middle.y()) <= 3,
                 qPrintable(QString("%1,%2").arg(middle.x()).arg(middle.y())));
        job.cancelled = true;
        dialog.reject();
    }

    void programShowsItsRunAndStaysOpenForClose() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        FillFlash(0x0200, 17, 0x21);
        ProgramJob job({PackStartCount(0x0100, 17),
                        0x0200,
                        BufferKind::Flash,
                        {0x0100, 0x0110, 0x0200, 0},
                        true,
                        true});
        ProgramDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Write to Device - Flash"));
        QCOMPARE(dialog.StopButton()->text(), QString("&Close"));
        QVERIFY(!dialog.StopButton()->isEnabled());
        QVERIFY(dialog.eraseLabel->isEnabled());
        QVERIFY(dialog.verifyLabel->isEnabled());
        QCOMPARE(dialog.eraseResult->text(), QString());
        QCOMPARE(dialog.bytesProgrammed->text(), QString("0"));
        QCOMPARE(dialog.deviceStart->text(), QString("0100H"));
        QCOMPARE(dialog.deviceEnd->text(), QString("0110H"));
        QCOMPARE(dialog.bufferStart->text(), QString("0200H"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));

        // Escape is ignored while the work runs.
        dialog.reject();
        QVERIFY(dialog.isVisible());

        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Status()->text(), QString("Programming Completed..."));
        QCOMPARE(dialog.Percentage()->text(), QString("100%"));
        QCOMPARE(dialog.eraseResult->text(), QString("OK"));
        QCOMPARE(dialog.verifyResult->text(), QString("OK"));
        QCOMPARE(dialog.bytesProgrammed->text(), QString("17"));
        QCOMPARE(dialog.Progress()->value(), 17);
        QVERIFY(dialog.StopButton()->isEnabled());
        for (std::uint16_t i = 0; i < 17; ++i) {
            QCOMPARE(unit.Chip().Flash[0x0100 + i],
                     FlashRead(static_cast<std::uint16_t>(0x0200 + i)));
        }
        QVERIFY(unit.messages.messages.empty());
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
    }

    void programWithOptionsOffGreysTheLabels() {
        test::VirtualUnit unit("AT89S8252");
        ProgramJob job({PackStartCount(0, 4), 0, BufferKind::Eeprom});
        ProgramDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Write to Device - EEPROM"));
        QVERIFY(!dialog.eraseLabel->isEnabled());
        QVERIFY(!dialog.verifyLabel->isEnabled());
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QCOMPARE(dialog.Status()->text(), QString("Programming Completed..."));
        QCOMPARE(dialog.eraseResult->text(), QString());
        QCOMPARE(dialog.verifyResult->text(), QString());
        dialog.reject();  // Escape acts as Close once it is enabled
        QVERIFY(!dialog.isVisible());
    }

    void programFailureReportsAndCloses() {
        test::VirtualUnit unit("AT89C2051", test::FailingAt(0x0103));
        FillFlash(0x0100, 16, 0x00);
        ProgramJob job(
            {PackStartCount(0x0100, 16), 0x0100, BufferKind::Flash, {0x0100, 0x010F, 0x0100, 0}});
        ProgramDialog dialog(nullptr, job);
        Open(dialog);
        QVERIFY(WaitUntil([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(Shown(unit), QStringList({"Error|Programming Failed at 0103"}));
    }

    // The failure's message opens over the dialog as the job has brought it,
    // not as the step before left it; Close stays disabled all the while.
    void aFailureBoxOpensOverTheDialogsCurrentState_data() {
        QTest::addColumn<bool>("autoSequence");
        QTest::newRow("Program") << false;
        QTest::newRow("Auto") << true;
    }
    void aFailureBoxOpensOverTheDialogsCurrentState() {
        QFETCH(bool, autoSequence);
        test::VirtualUnit unit("AT89C2051", test::FailingAt(0x0110));
        ScopedStepDelayLimit fast(1ms);
        App().AutoSequence = kAutoErase | kAutoProgram;
        ProgramJob program({PackStartCount(0x0100, 32),
                            0x0100,
                            BufferKind::Flash,
                            {0x0100, 0x011F, 0x0100, 0},
                            true,
                            false});
        AutoJob autoJob(RememberedAutoRequest());
        std::unique_ptr<JobDialog> dialog;
        if (autoSequence) {
            dialog = std::make_unique<AutoDialog>(nullptr, autoJob);
        } else {
            dialog = std::make_unique<ProgramDialog>(nullptr, program);
        }
        QStringList seen;
        const MessagePresenter previous = SetMessagePresenter([&](const Message& m) {
            seen << QString::fromStdString(m.text) << dialog->Status()->text()
                 << dialog->Percentage()->text() << QString::number(dialog->Progress()->value())
                 << (dialog->StopButton()->isEnabled() ? "Close enabled" : "Close disabled");
            return MessageResult::Ok;
        });
        Open(*dialog);
        const bool closeAtStart = dialog->StopButton()->isEnabled();
        QVERIFY(WaitUntil([&] { return !dialog->isVisible(); }));
        SetMessagePresenter(previous);
        QVERIFY(!closeAtStart);
        if (autoSequence) {
            QCOMPARE(seen, (QStringList{"Programming Failed at 0110", "Programming...", "13%",
                                        "272", "Close disabled"}));
            QVERIFY(static_cast<AutoDialog*>(dialog.get())->boxes[0]->isChecked());
        } else {
            QCOMPARE(seen, (QStringList{"Programming Failed at 0110", "Writing to AT89C2051...",
                                        "50%", "16", "Close disabled"}));
            QCOMPARE(static_cast<ProgramDialog*>(dialog.get())->eraseResult->text(), QString("OK"));
        }
    }

    void readFillsTheBufferAndCloses() {
        test::VirtualUnit unit("AT89C2051");
        for (int i = 0; i < 40; ++i) unit.Chip().Flash[0x0020 + i] = static_cast<std::uint8_t>(i);
        ReadJob job({PackStartCount(0x0020, 40), 0x0300});
        ReadDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Read from Device - Flash"));
        QCOMPARE(dialog.StopButton()->text(), QString("&Cancel"));
        QCOMPARE(dialog.Status()->text(), QString("Reading from AT89C2051..."));
        QCOMPARE(dialog.Percentage()->text(), QString("0%"));
        QVERIFY(WaitUntil([&] { return !dialog.isVisible(); }));
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(dialog.Percentage()->text(), QString("100%"));
        for (int i = 0; i < 40; ++i) QCOMPARE(int(FlashRead(std::uint16_t(0x0300 + i))), i);
    }

    void readCancelStopsBetweenBlocksAndKeepsWhatWasRead() {
        test::VirtualUnit unit("AT89C2051");
        for (int i = 0; i < 64; ++i) unit.Chip().Flash[i] = 0x11;
        ReadJob job({PackStartCount(0, 64), 0}, 0ms);  // one block per step
        ReadDialog dialog(nullptr, job);
        Open(dialog);
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 1);
        QVERIFY(job.model.cancelled);
        QCOMPARE(int(FlashRead(0)), 0xFF);  // stopped before the first block
    }

    void verifyListsDifferencesAndStoresThem() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        for (int i = 0; i < 17; ++i) {
            unit.Chip().Flash[i] = 0x55;
            FlashWrite(std::uint16_t(i), 0x55);
        }
        unit.Chip().Flash[0x0002] = 0x12;
        unit.Chip().Flash[0x0010] = 0x34;  // in the short last block
        VerifyJob job({PackStartCount(0, 17), 0, BufferKind::Flash, {0x0000, 0x0010, 0x0000, 0}});
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Verify Device - Flash"));
        QVERIFY(dialog.storeButton != nullptr);
        QVERIFY(!dialog.storeButton->isEnabled());
        QCOMPARE(dialog.StopButton()->text(), QString("Close"));
        QVERIFY(dialog.StopButton()->isEnabled());
        QCOMPARE(dialog.deviceStart->text(), QString("0000H"));
        QCOMPARE(dialog.deviceEnd->text(), QString("0010H"));
        QCOMPARE(dialog.bufferStart->text(), QString("0000H"));
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.storeButton->isEnabled());
        QCOMPARE(dialog.ListText(), QString(" 0002\t\t12\t\t55\n 0010\t\t34\t\t55\n"));

        QTemporaryDir dir;
        const QString report = dir.filePath("report.txt");
        FileQuestion asked;
        const auto previous = SetFileQuestionHook([&](QWidget*, const FileQuestion& q) {
            asked = q;
            return std::optional<QString>(report);
        });
        QTest::mouseClick(dialog.storeButton, Qt::LeftButton);
        QCOMPARE(asked.title, QString("SaveAs"));
        QCOMPARE(asked.defaultSuffix, QString("txt"));
        QVERIFY(asked.save);
        QCOMPARE(asked.filters.first(), QString("Text Files (*.TXT) (*.txt *.TXT)"));
        QCOMPARE(ReadWholeFile(report), QString(" Address\tDevice data\tBuffer data\r\n"
                                                " 0002\t\t12\t\t55\r\n 0010\t\t34\t\t55\r\n"));

        // A report that cannot be written names the file.
        SetFileQuestionHook([&](QWidget*, const FileQuestion&) {
            return std::optional<QString>(dir.filePath("missing/dir/out.txt"));
        });
        QTest::mouseClick(dialog.storeButton, Qt::LeftButton);
        SetFileQuestionHook(previous);
        QCOMPARE(Shown(unit), QStringList({"Error|out.txt"}));
        QVERIFY(dialog.isVisible());
    }

    // "Store to disk" opens on the report file chosen last, in the same
    // verify or a later one; a cancelled question forgets nothing.
    void theReportQuestionOpensOnTheLastFileChosen() {
        test::VirtualUnit unit("AT89C2051");
        unit.Chip().Flash[0x0003] = 0x00;
        QTemporaryDir dir;
        QStringList offered;
        std::optional<QString> answer = dir.filePath("first.txt");
        const auto previous = SetFileQuestionHook([&](QWidget*, const FileQuestion& q) {
            offered << q.initialFile;
            return answer;
        });
        const auto storeTwice = [&] {
            VerifyJob job({PackStartCount(0, 16), 0});
            ScanDialog dialog(nullptr, job);
            Open(dialog);
            QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
            QTest::mouseClick(dialog.storeButton, Qt::LeftButton);
            QTest::mouseClick(dialog.storeButton, Qt::LeftButton);
        };
        storeTwice();
        answer = std::nullopt;
        storeTwice();
        answer = dir.filePath("second.txt");
        storeTwice();
        SetFileQuestionHook(previous);
        QCOMPARE(offered.mid(1), (QStringList{dir.filePath("first.txt"), dir.filePath("first.txt"),
                                              dir.filePath("first.txt"), dir.filePath("first.txt"),
                                              dir.filePath("second.txt")}));
        QCOMPARE(ReadWholeFile(dir.filePath("second.txt")),
                 QString(" Address\tDevice data\tBuffer data\r\n 0003\t\t00\t\tFF\r\n"));
    }

    void verifyListGrowsStepByStepUpToItsCut() {
        test::VirtualUnit unit("AT89C51");  // 4K: more differences than the list holds
        for (int i = 0; i < 4096; ++i) FlashWrite(std::uint16_t(i), 0x00);
        VerifyJob job({PackStartCount(0, 4096), 0}, 0ms);  // one block per step
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QString expected = QString::fromStdString(job.model.list);
        expected.remove('\r');
        QCOMPARE(dialog.ListText(), expected);
        QVERIFY(dialog.ListText().endsWith("\nMore ..."));
        QCOMPARE(dialog.ListText().count('\n'), 1934);
        QCOMPARE(dialog.Status()->text(), QString("Verification Completed - Error"));
    }

    // The differences found before the unit went silent are kept on show
    // and can be stored.
    void verifyCutShortByTheLinkKeepsItsList() {
        test::VirtualUnit unit("AT89C2051", test::SilentAfter(40));
        for (int i = 0; i < 20; ++i) FlashWrite(std::uint16_t(i), 0x00);
        VerifyJob job({PackStartCount(0, 256), 0}, 0ms);
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.ListText().count('\n'), 20);
        QVERIFY(dialog.ListText().startsWith(" 0000\t\tFF\t\t00\n"));
        QVERIFY(dialog.storeButton->isEnabled());
        QCOMPARE(dialog.Status()->text(), QString("Verification Stopped - Error"));
        QCOMPARE(Shown(unit), QStringList({"ERROR|Time out error",
                                           "ERROR|Read Time out error in serial communication!"}));
    }

    void verifyOfAnEqualChipSaysOk() {
        test::VirtualUnit unit("AT89S8252");
        VerifyJob job({PackStartCount(0, 32), 0, BufferKind::Eeprom});
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Verify Device - EEPROM"));
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QCOMPARE(dialog.ListText(), QString("Verification OK"));
        QVERIFY(!dialog.storeButton->isEnabled());
        QCOMPARE(dialog.Status()->text(), QString("Verification Completed - OK"));
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    void blankCheckShowsTheOutcomeInItsList() {
        test::VirtualUnit unit("AT89C2051");
        unit.Chip().Flash[0x0010] = 0x7F;
        BlankCheckJob job({PackStartCount(0, 17), 0, BufferKind::Flash, {0x0000, 0x0010, 0, 0}});
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Blank Check Device - Flash"));
        QVERIFY(dialog.storeButton == nullptr);
        QVERIFY(dialog.bufferStart == nullptr);
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QCOMPARE(dialog.ListText(), QString(" 0010\t\t7F\n"));
        QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QString("BlankCheck History:"));
        QCOMPARE(dialog.Status()->text(), QString("BlankCheck Completed..."));
        QCOMPARE(dialog.Percentage()->text(), QString("100%"));
        QStringList texts;
        for (auto* label : dialog.findChildren<QLabel*>()) texts.append(label->text());
        QVERIFY(texts.contains("Device Data"));
        QVERIFY(!texts.contains("Buffer Data"));
    }

    // Each heading starts where its column starts in the list's lines.
    void listHeadingsStandOverTheirColumns_data() {
        QTest::addColumn<bool>("verify");
        QTest::newRow("Verify") << true;
        QTest::newRow("Blank Check") << false;
    }
    void listHeadingsStandOverTheirColumns() {
        QFETCH(bool, verify);
        test::VirtualUnit unit("AT89C2051");
        unit.Chip().Flash[0x0002] = 0x12;
        FlashWrite(0x0002, 0x34);
        VerifyJob verifyJob({PackStartCount(0, 16), 0});
        BlankCheckJob blankJob({PackStartCount(0, 16), 0});
        std::unique_ptr<ScanDialog> dialog = verify
                                                 ? std::make_unique<ScanDialog>(nullptr, verifyJob)
                                                 : std::make_unique<ScanDialog>(nullptr, blankJob);
        Open(*dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY(WaitUntil([&] { return dialog->Driver().Finished(); }));
        const QString line = dialog->ListText().section('\n', 0, 0);
        QCOMPARE(line, QString(verify ? " 0002\t\t12\t\t34" : " 0002\t\t12"));
        // Where the list draws the character at an index of its first line.
        const auto listX = [&](int index) {
            QTextCursor cursor(dialog->list->document());
            cursor.setPosition(index);
            const QPoint at = dialog->list->cursorRect(cursor).topLeft();
            return dialog->list->viewport()->mapTo(dialog.get(), at).x();
        };
        const auto headingX = [&](const QString& text) {
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->text() == text)
                    return label->mapTo(dialog.get(), label->contentsRect().topLeft()).x();
            }
            return -1000;
        };
        const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
        QVERIFY2(near(headingX("Address"), listX(1)),
                 qPrintable(QString("%1 %2").arg(headingX("Address")).arg(listX(1))));
        QVERIFY2(near(headingX("Device Data"), listX(line.indexOf("12"))),
                 qPrintable(QString("%1 %2").arg(headingX("Device Data")).arg(listX(7))));
        if (verify) {
            QVERIFY2(near(headingX("Buffer Data"), listX(line.indexOf("34"))),
                     qPrintable(QString("%1 %2").arg(headingX("Buffer Data")).arg(listX(11))));
        }
        // The data stand under their headings, not merely start there.
        QVERIFY(listX(line.indexOf("12")) > headingX("Address") + 60);
    }

    void closeDuringTheCheckEndsItAtOnce() {
        test::VirtualUnit unit("AT89C2051");
        BlankCheckJob job({PackStartCount(0, 2048), 0}, 0ms);
        ScanDialog dialog(nullptr, job);
        Open(dialog);
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QVERIFY(job.model.cancelled);
    }

    void autoGreysUnchosenStepsAndTicksTheDoneOnes() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        App().AutoSequence = 0x04 | 0x08;  // Program, Verify
        FillFlash(0, 2048, 0x03);
        AutoJob job(RememberedAutoRequest());
        AutoDialog dialog(nullptr, job);
        Open(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Auto Programming Mode - AT89C2051"));
        const bool chosen[] = {false, false, true, true, false};
        for (std::size_t i = 0; i < kAutoStepCount; ++i) {
            QCOMPARE(dialog.boxes[i]->isEnabled(), chosen[i]);
            QCOMPARE(dialog.labels[i]->isEnabled(), chosen[i]);
            QCOMPARE(dialog.labels[i]->text(), QString::fromUtf8(kAutoSteps[i].progressLabel));
        }
        QVERIFY(WaitUntil([&] { return dialog.Driver().Finished(); }));
        QVERIFY(dialog.isVisible());
        for (std::size_t i = 0; i < kAutoStepCount; ++i)
            QCOMPARE(dialog.boxes[i]->isChecked(), chosen[i]);
        QVERIFY(dialog.StopButton()->isEnabled());
        QVERIFY(unit.messages.messages.empty());
        QCOMPARE(unit.Chip().Flash[0x07FF], FlashRead(0x07FF));
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    // A production run: after each chip the dialog waits, with the tally in
    // its status line and Close enabled, for the chip to go and the next one
    // to come; Close during the wait ends the run. Every chip is logged.
    void autoRepeatWaitsForTheNextChipUntilClose() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        QTemporaryDir dir;
        App().AutoSequence = kAutoProgram | kAutoVerify;
        FillFlash(0, 2048, 0x11);
        ProductionJob job({.request = RememberedAutoRequest(),
                           .repeat = true,
                           .count = std::nullopt,
                           .firstChipChecked = true,
                           .image = "demo.hex",
                           .logPath = dir.filePath("run.csv").toStdString(),
                           .serial = SerialPlan{.buffer = BufferKind::Flash,
                                                .address = 0x07F0,
                                                .format = *ParseSerialFormat("be16"),
                                                .file = dir.filePath("sn.txt").toStdString(),
                                                .start = 7,
                                                .step = 1,
                                                .overwrite = false},
                           .station = "COM1",
                           .wallClock = {}});
        QVERIFY(job.OpenLog());
        AutoDialog dialog(nullptr, job);
        Open(dialog);
        QVERIFY(!dialog.StopButton()->isEnabled());  // the first chip is under way
        QCOMPARE(dialog.serial->text(), QString("Serial number: 7"));
        QVERIFY(!dialog.nextChip->isEnabled());
        const auto statusBecomes = [&](const QString& text) {
            return WaitUntil([&] { return dialog.Status()->text() == text; });
        };
        QVERIFY(statusBecomes("Passed 1, failed 0. Remove the chip..."));
        QVERIFY(dialog.StopButton()->isEnabled());
        QVERIFY(dialog.boxes[2]->isChecked() && dialog.boxes[3]->isChecked());
        unit.RemoveChip();
        QVERIFY(statusBecomes("Passed 1, failed 0. Insert a chip..."));
        unit.InsertChip();
        unit.Chip().Flash[0x0400] = 0x00;  // a byte programming cannot set
        QVERIFY(statusBecomes("Passed 1, failed 1. Remove the chip..."));
        QCOMPARE(Shown(unit), QStringList({"Error|Verify Failed at 0400"}));
        QVERIFY(dialog.isVisible());
        unit.RemoveChip();
        QVERIFY(statusBecomes("Passed 1, failed 1. Insert a chip..."));
        unit.InsertChip();
        QVERIFY(statusBecomes("Passed 2, failed 1. Remove the chip..."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(unit.Chip().Flash[0x07F0], 0x00);
        QCOMPARE(unit.Chip().Flash[0x07F1], 0x09);
        // A swap too fast to be seen: Next Chip programs the chip in the socket.
        QVERIFY(dialog.nextChip->isEnabled());
        unit.RemoveChip();
        unit.InsertChip();
        QTest::mouseClick(dialog.nextChip, Qt::LeftButton);
        QVERIFY(statusBecomes("Passed 3, failed 1. Remove the chip..."));
        QCOMPARE(dialog.serial->text(), QString("Serial number: 10"));
        unit.ClearWire();
        QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(unit.WireLines().empty());
        const QStringList log =
            ReadWholeFile(dir.filePath("run.csv")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 5);
        QVERIFY(log[1].contains(",AT89C2051,demo.hex,") && log[1].contains(",pass,"));
        QVERIFY2(log[2].contains(",fail,verify,0400,"), qPrintable(log[2]));
        QVERIFY(log[3].contains(",pass,"));
        // A failed chip keeps its number as spent.
        for (int i = 1; i < 5; ++i) QVERIFY(log[i].endsWith(QString(",%1,COM1").arg(6 + i)));
        QCOMPARE(ReadWholeFile(dir.filePath("sn.txt")), QString("11\n"));
    }

    // The unit's adapter is pulled out part-way: the link's message comes
    // once, and the dialog closes by itself instead of waiting on a job that
    // cannot go on.
    void aLinkFailureShowsOneMessageThenTheDialogCloses_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("writesBeforeTheBreak");
        QTest::addColumn<int>("endCode");
        // Program and Auto break off in the middle of programming, and the
        // unit cannot be reached to bring it back.
        QTest::addColumn<bool>("unitLeftProgramming");
        QTest::newRow("read") << 0 << 4 << 1 << false;
        QTest::newRow("verify") << 1 << 4 << 0 << false;
        QTest::newRow("blank check") << 2 << 4 << 0 << false;
        QTest::newRow("program") << 3 << 20 << 0 << true;
        QTest::newRow("auto") << 4 << 200 << 1 << true;
    }
    void aLinkFailureShowsOneMessageThenTheDialogCloses() {
        QFETCH(int, operation);
        QFETCH(int, writesBeforeTheBreak);
        QFETCH(int, endCode);
        QFETCH(bool, unitLeftProgramming);
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        App().AutoSequence = kAutoErase | kAutoBlankCheck | kAutoProgram | kAutoVerify;
        unit.BreakAfterWrites(std::size_t(writesBeforeTheBreak));
        const DeviceRangeRequest run{
            PackStartCount(0, 2048), 0, BufferKind::Flash, {}, false, true};
        const auto endsOnItsOwn = [&](JobDialog& dialog) {
            Open(dialog);
            QVERIFY(WaitUntil([&] { return !dialog.isVisible(); }));
            QVERIFY(dialog.Driver().Finished());
            QCOMPARE(dialog.result(), endCode);
        };
        switch (operation) {
            case 0: {
                ReadJob job(run);
                ReadDialog dialog(nullptr, job);
                endsOnItsOwn(dialog);
                break;
            }
            case 1: {
                VerifyJob job(run);
                ScanDialog dialog(nullptr, job);
                endsOnItsOwn(dialog);
                break;
            }
            case 2: {
                BlankCheckJob job(run);
                ScanDialog dialog(nullptr, job);
                endsOnItsOwn(dialog);
                break;
            }
            case 3: {
                ProgramJob job(run);
                ProgramDialog dialog(nullptr, job);
                endsOnItsOwn(dialog);
                break;
            }
            default: {
                AutoJob job(RememberedAutoRequest());
                AutoDialog dialog(nullptr, job);
                endsOnItsOwn(dialog);
                break;
            }
        }
        QStringList expected{"ERROR|Serial port communication error!"};
        if (unitLeftProgramming) {
            expected << "ERROR|The programmer unit did not come back from programming that "
                        "stopped part-way. Reset the programmer unit!";
        }
        QCOMPARE(Shown(unit), expected);
        QCOMPARE(int(unit.WireLines().size()), writesBeforeTheBreak);
    }

    void rangeDialogsRenderTheirModel_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("bufferField");
        QTest::newRow("blank check")
            << int(RangeOperation::BlankCheck) << "Blank Check - Flash" << false;
        QTest::newRow("program") << int(RangeOperation::Program) << "Program - Flash" << true;
        QTest::newRow("verify") << int(RangeOperation::Verify) << "Verify - Flash" << true;
        QTest::newRow("read") << int(RangeOperation::Read) << "Read - Flash" << true;
    }
    void rangeDialogsRenderTheirModel() {
        QFETCH(int, operation);
        QFETCH(QString, title);
        QFETCH(bool, bufferField);
        test::VirtualUnit unit("AT89C2051");
        const auto op = static_cast<RangeOperation>(operation);
        RangeRecord(op) = {0x0010, 0x01FF, 0x0020, 0};
        RangeDialog model(op);
        RangeDialogView view(nullptr, model);
        QCOMPARE(view.windowTitle(), title);
        QCOMPARE(view.FullDevice()->text(), QString("Full Device"));
        QCOMPARE(view.DeviceStart()->text(), QString("0010"));
        QCOMPARE(view.DeviceEnd()->text(), QString("01FF"));
        QCOMPARE(view.DeviceStart()->maxLength(), 4);
        QCOMPARE(view.BufferStart() != nullptr, bufferField);
        if (bufferField) QCOMPARE(view.BufferStart()->text(), QString("0020"));

        // Full Device greys the fields at once, and Cancel undoes the click.
        view.FullDevice()->click();
        QVERIFY(!view.DeviceStart()->isEnabled());
        QVERIFY(!view.DeviceEnd()->isEnabled());
        QCOMPARE(RangeRecord(op).Flags & kRangeFullDevice, kRangeFullDevice);
        view.reject();
        QCOMPARE(RangeRecord(op).Flags & kRangeFullDevice, 0);
    }

    void rangeDialogOkKeepsBadEntriesOpen() {
        test::VirtualUnit unit("AT89C2051");
        App().ProgramRange = {0, 0, 0, 0};
        RangeDialog model(RangeOperation::Program);
        RangeDialogView view(nullptr, model);
        view.DeviceStart()->clear();
        QTest::keyClicks(view.DeviceStart(), "1ff");
        QCOMPARE(view.DeviceStart()->text(), QString("1FF"));  // typed letters in upper case
        view.DeviceEnd()->setText("12G");
        view.accept();
        QVERIFY(view.result() != QDialog::Accepted);
        QVERIFY(unit.messages.messages.empty());
        view.DeviceEnd()->setText("0100");
        view.accept();  // start above end
        QVERIFY(view.result() != QDialog::Accepted);
        QCOMPARE(
            Shown(unit),
            QStringList({"Error|Device Ending Address is Less than Device Starting Address!"}));
        view.DeviceEnd()->setText("03FF");
        view.accept();
        QCOMPARE(view.result(), int(QDialog::Accepted));
        QCOMPARE(App().ProgramRange.DeviceStart, 0x01FF);
        QCOMPARE(App().ProgramRange.DeviceEnd, 0x03FF);
    }

    void fieldDialogsRenderTheirModel() {
        test::VirtualUnit unit("AT89C2051");
        ResetFileOperationSettings();
        FieldDialog fill = FillDialog();
        FieldDialogView view(nullptr, fill);
        QCOMPARE(view.windowTitle(), QString("Fill - Flash Buffer"));
        QCOMPARE(view.OkButton()->text(), QString("&Fill"));
        QCOMPARE(view.CancelButton()->text(), QString("Cancel"));
        QCOMPARE(view.Edits().size(), std::size_t{3});
        QCOMPARE(view.Edits()[0]->text(), QString("0000"));
        QCOMPARE(view.Edits()[2]->text(), QString("00"));
        QCOMPARE(view.Edits()[2]->maxLength(), 2);
        view.Edits()[0]->setText("0010");
        view.Edits()[1]->setText("xyz");
        view.accept();  // the first field keeps its value, the dialog stays open
        QVERIFY(view.result() != QDialog::Accepted);
        QCOMPARE(BlockOperationSettings().fillStart, 0x0010);
        QVERIFY(unit.messages.messages.empty());
    }

    void saveDialogRadioTakesEffectEvenOnCancel() {
        test::VirtualUnit unit("AT89C2051");
        ResetFileOperationSettings();
        App().CurrentBufferKind = BufferKind::Eeprom;
        FieldDialog save = SaveMemoryDialog();
        FieldDialogView view(nullptr, save);
        QCOMPARE(view.windowTitle(), QString("Save EEPROM Buffer"));
        QCOMPARE(view.OkButton()->text(), QString("&Save"));
        QCOMPARE(view.Radios().size(), std::size_t{2});
        QCOMPARE(view.Radios()[0]->text(), QString("&Intel Hex"));
        QVERIFY(view.Radios()[0]->isChecked());
        QTest::mouseClick(view.Radios()[1], Qt::LeftButton);
        view.reject();
        QCOMPARE(int(FileSaveSettings().format), int(kSaveFormatBinary));
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::ProgressDialogsTest)
#include "ProgressDialogsTest.moc"
