// The commands' whole flows as the frame runs them: the file question, the
// modal dialogs one after the other (played by ModalScript), the messages
// (recorded) and what ends up in the buffers, the files and the chip.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "app/AppState.h"
#include "app/Buffers.h"
#include "app/Preferences.h"
#include "files/BlockOps.h"
#include "files/FileSave.h"
#include "tests/support/SettingsFolders.h"
#include "tests/support/VirtualUnit.h"
#include "tests/ui/ModalScript.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DialogHelpers.h"
#include "ui/FieldDialogs.h"
#include "ui/FileQuestion.h"
#include "ui/OperationDialogs.h"
#include "ui/ProgressDialogs.h"

namespace zvk::ui {

using test::FileAnswer;
using test::ReadWholeFile;
using test::Shown;

using namespace std::chrono_literals;
using test::ModalScript;

namespace {

void WriteFile(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// Fills the field dialog's edits in order and presses its OK button.
std::function<bool(FieldDialogView*)> Answer(QStringList texts) {
    return [texts](FieldDialogView* view) {
        for (qsizetype i = 0; i < texts.size(); ++i)
            view->Edits()[std::size_t(i)]->setText(texts[i]);
        view->OkButton()->click();
        return true;
    };
}

// Closes the progress dialog once its job is done, noting on every look
// whether the busy cursor was up.
template <typename D>
std::function<bool(D*)> CloseWhenDoneNotingCursor(bool* sawBusyCursor) {
    return [sawBusyCursor, close = test::CloseWhenDone<D>()](D* dialog) {
        if (QApplication::overrideCursor() != nullptr &&
            QApplication::overrideCursor()->shape() == Qt::BusyCursor) {
            *sawBusyCursor = true;
        }
        return close(dialog);
    };
}

}  // namespace

class OperationFlowsTest : public QObject {
    Q_OBJECT

  private slots:
    // The image folder is a preference: kept in a scratch settings folder,
    // never in the user's own.
    void initTestCase() {
        QVERIFY(config_.isValid());
        xdg_ = std::make_unique<test::ScopedEnvironment>("XDG_CONFIG_HOME",
                                                         config_.path().toStdString());
    }
    void cleanupTestCase() { xdg_.reset(); }
    void init() { ResetFileOperationSettings(); }

    void loadHexShowsTheDetails() {
        test::VirtualUnit unit("AT89C2051");
        QTemporaryDir dir;
        const QString path = dir.filePath("demo.hex");
        WriteFile(path,
                  ":10010000000102030405060708090A0B0C0D0E0F77\r\n"
                  ":02020000A5A5B2\r\n:00000001FF\r\n");
        FileAnswer answer(path);
        QString details;
        QString headline;
        ModalScript script;
        script.Then<LoadDetailsDialog>([&](LoadDetailsDialog* d) {
            details = d->Details()->toPlainText();
            headline = d->Headline()->text();
            d->accept();
            return true;
        });
        RunLoadFile(nullptr);
        QCOMPARE(Shown(unit), QStringList({}));
        QVERIFY(script.Done());
        QCOMPARE(headline, QString("File Loaded Succesfully."));
        QCOMPARE(answer.questions.size(), std::size_t{1});
        QCOMPARE(answer.questions[0].title, QString("Load File"));
        QCOMPARE(answer.questions[0].filters,
                 QStringList({"Intel Hex Files *.Hex (*.HEX *.IHX *.IHEX *.hex *.ihx *.ihex)",
                              "Binary Files *.Bin (*.BIN *.bin)", "All Files (*)"}));
        QVERIFY(!answer.questions[0].save);
        QCOMPARE(details, QString("0100H to 010FH\n0200H to 0201H"));
        QCOMPARE(int(FlashRead(0x010F)), 0x0F);
        QCOMPARE(int(FlashRead(0x0201)), 0xA5);
        QCOMPARE(App().SelectedFileName, path.toStdString());
    }

    void loadBinaryAsksTheStartAddress() {
        test::VirtualUnit unit("AT89C2051");
        QTemporaryDir dir;
        const QString path = dir.filePath("image.bin");
        WriteFile(path, std::string(300, '\x42'));
        FileAnswer answer(path);
        QString details;
        ModalScript script;
        script
            .Then<GetAddressDlg>([](GetAddressDlg* d) {
                d->Edit()->setText("0100");
                d->accept();
                return true;
            })
            .Then<LoadDetailsDialog>([&](LoadDetailsDialog* d) {
                details = d->Details()->toPlainText();
                d->accept();
                return true;
            });
        RunLoadFile(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(details, QString("0100H to 022BH"));
        QCOMPARE(Shown(unit), QStringList({"Load Program|File Loaded Successfully."}));
        QCOMPARE(int(FlashRead(0x022B)), 0x42);
        QCOMPARE(int(FlashRead(0x022C)), 0xFF);
    }

    // After an overflow the details dialog names it instead of claiming
    // success, for a HEX file and for a binary one; the ranges stay listed.
    void loadDetailsAfterAnOverflowDoNotClaimSuccess() {
        struct Case {
            const char* name;
            std::string content;
            QString details;
        };
        const std::vector<Case> cases = {
            {"big.bin", std::string(4096, '\x42'), "0000H to 07FFH"},
            {"big.hex", ":0207FE00A5A5AF\r\n:020800001111D4\r\n:00000001FF\r\n", "07FEH to 07FFH"},
        };
        for (const auto& c : cases) {
            test::VirtualUnit unit("AT89C2051");
            QTemporaryDir dir;
            const QString path = dir.filePath(c.name);
            WriteFile(path, c.content);
            FileAnswer answer(path);
            QString details;
            QString headline;
            ModalScript script;
            if (QString(c.name).endsWith(".bin")) {
                script.Then<GetAddressDlg>([](GetAddressDlg* d) {
                    d->Edit()->setText("0000");
                    d->accept();
                    return true;
                });
            }
            script.Then<LoadDetailsDialog>([&](LoadDetailsDialog* d) {
                details = d->Details()->toPlainText();
                headline = d->Headline()->text();
                d->accept();
                return true;
            });
            RunLoadFile(nullptr);
            QVERIFY(script.Done());
            QCOMPARE(Shown(unit), QStringList({"ERROR|Address Exceeds the Buffer Capacity."}));
            QCOMPARE(headline, QString("Address Exceeds the Buffer Capacity."));
            QCOMPARE(details, c.details);
            QCOMPARE(int(FlashRead(0x07FF)), c.content.front() == ':' ? 0xA5 : 0x42);
        }
    }

    void loadStopsWhenTheAddressIsDeclinedOrTheFileQuestionCancelled() {
        test::VirtualUnit unit("AT89C2051");
        {
            FileAnswer answer(std::nullopt);
            ModalScript script;
            RunLoadFile(nullptr);
            QCOMPARE(script.Unexpected(), 0);
            QVERIFY(unit.messages.messages.empty());
            QVERIFY(App().SelectedFileName.empty());
        }
        QTemporaryDir dir;
        const QString path = dir.filePath("image.bin");
        WriteFile(path, "abc");
        FileAnswer answer(path);
        ModalScript script;
        script.Then<GetAddressDlg>([](GetAddressDlg* d) {
            d->reject();
            return true;
        });
        RunLoadFile(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(script.Unexpected(), 0);
        QCOMPARE(Shown(unit), QStringList({"ERROR|File Loading Stopped"}));
        QCOMPARE(int(FlashRead(0)), 0xFF);
    }

    // The real file dialog: it opens in the folder used last, its first
    // filter shows sdcc's .ihx files beside .hex ones, "All Files (*)" shows
    // the rest, and an .ihx file chosen there loads as Intel HEX.
    void theLoadDialogOffersIhxAndAllFilesInTheFolderUsedLast() {
        test::VirtualUnit unit("AT89C2051");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("images"));
        const QString images = dir.filePath("images");
        WriteFile(images + "/demo.ihx", ":03000000020100FA\n:00000001FF\n");
        WriteFile(images + "/old.HEX", ":00000001FF\n");
        WriteFile(images + "/notes.txt", "text");
        QVERIFY(SetPreference(kImagesFolderPreference, images.toStdString()));

        // The names the dialog lists, once its folder has been read.
        const auto listed = [](QFileDialog* d) {
            QStringList names;
            const auto* view = d->findChild<QListView*>("listView");
            if (view == nullptr) return names;
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row) {
                names << view->model()->index(row, 0, root).data().toString();
            }
            names.sort();
            return names;
        };
        // The folder is read in the background: each step waits for the
        // listing it expects, but only so long, so that a dialog in the wrong
        // folder fails the comparisons below instead of hanging.
        int polls = 0;
        const auto settled = [&polls](bool ready) {
            if (ready || ++polls > 400) {
                polls = 0;
                return true;
            }
            return false;
        };
        QString directory;
        QStringList underHex;
        QStringList underAll;
        ModalScript script;
        script
            .Then<QFileDialog>([&](QFileDialog* d) {
                if (!settled(!listed(d).isEmpty())) return false;
                directory = d->directory().absolutePath();
                underHex = listed(d);
                d->selectNameFilter(d->nameFilters().last());
                return true;
            })
            .Then<QFileDialog>([&](QFileDialog* d) {
                if (!settled(listed(d) != underHex)) return false;
                underAll = listed(d);
                d->selectNameFilter(d->nameFilters().first());
                return true;
            })
            .Then<QFileDialog>([&](QFileDialog* d) {
                if (!settled(listed(d) == underHex)) return false;
                auto* name = d->findChild<QLineEdit*>("fileNameEdit");
                if (name == nullptr) return false;
                name->setText(images + "/demo.ihx");  // as typed
                QMetaObject::invokeMethod(d, "accept");
                return true;
            })
            .Then<LoadDetailsDialog>([](LoadDetailsDialog* d) {
                d->accept();
                return true;
            });
        RunLoadFile(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(script.Unexpected(), 0);
        QCOMPARE(directory, images);
        QCOMPARE(underHex, QStringList({"demo.ihx", "old.HEX"}));
        QCOMPARE(underAll, QStringList({"demo.ihx", "notes.txt", "old.HEX"}));
        QCOMPARE(Shown(unit), QStringList({}));
        QCOMPARE(int(FlashRead(0x0000)), 0x02);
        QCOMPARE(int(FlashRead(0x0002)), 0x00);
    }

    // Load and Save open in the folder of the image last loaded or saved,
    // also after a restart; the first time, and once that folder is gone,
    // where they always did.
    void loadAndSaveOpenInTheFolderUsedLast() {
        test::VirtualUnit unit("AT89C2051");
        QTemporaryDir dir;
        App().ProgramDirectory = dir.path().toStdString();  // zvk.conf goes here
        const QString first = dir.filePath("first");
        const QString second = dir.filePath("second");
        QVERIFY(QDir(dir.path()).mkdir("first") && QDir(dir.path()).mkdir("second"));
        WriteFile(first + "/demo.hex", ":0100000055AA\n:00000001FF\n");
        const auto restart = [] { LoadPreferences(); };
        restart();

        const auto load = [&](std::optional<QString> path) {
            FileAnswer answer(path);
            ModalScript script;
            script.Then<LoadDetailsDialog>([](LoadDetailsDialog* d) {
                d->accept();
                return true;
            });
            RunLoadFile(nullptr);
            return answer.questions.at(0).directory;
        };
        const auto save = [&](std::optional<QString> path) {
            FileAnswer answer(path);
            ModalScript script;
            script.Then<FieldDialogView>(Answer({"0000", "0000"}));
            RunSaveAs(nullptr);
            return answer.questions.at(0).directory;
        };

        QCOMPARE(load(first + "/demo.hex"), QString());
        QCOMPARE(int(FlashRead(0x0000)), 0x55);
        restart();
        QCOMPARE(save(second + "/out.hex"), first);
        QVERIFY(QFileInfo::exists(second + "/out.hex"));
        restart();
        QCOMPARE(load(std::nullopt), second);
        QCOMPARE(save(std::nullopt), second);  // a cancelled question changes nothing
        QCOMPARE(test::ReadWholeFile(dir.filePath("zvk.conf")),
                 "images.folder=" + second + "\nreload.file=" + first +
                     "/demo.hex\nreload.buffer=flash\nreload.address=0000\nrecent.1=flash:" +
                     first + "/demo.hex\nrecent.2=\nrecent.3=\nrecent.4=\n");
        QVERIFY(QDir(second).removeRecursively());
        restart();
        QCOMPARE(load(std::nullopt), QString());
        App().ProgramDirectory.clear();
    }

    // A folder or a FIFO is refused at once, before any dialog, and the
    // buffer stays as it was.
    void loadRefusesWhatIsNotAFile() {
        test::VirtualUnit unit("AT89C2051");
        FlashWrite(0x0000, 0x55);
        QTemporaryDir dir;
        const QString fifo = dir.filePath("pipe.hex");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        for (const QString& path : {dir.path(), fifo}) {
            unit.messages.messages.clear();
            FileAnswer answer(path);
            ModalScript script;
            RunLoadFile(nullptr);
            QCOMPARE(script.Unexpected(), 0);
            QCOMPARE(Shown(unit), QStringList({"ERROR|Unable to open the selected file"}));
            QCOMPARE(int(FlashRead(0x0000)), 0x55);
        }
    }

    void saveAsWritesTheFileAndSaysSo() {
        test::VirtualUnit unit("AT89C2051");
        for (int i = 0; i < 32; ++i) FlashWrite(std::uint16_t(i), std::uint8_t(i));
        QTemporaryDir dir;
        const QString path = dir.filePath("out.hex");
        FileAnswer answer(path);
        ModalScript script;
        script.Then<FieldDialogView>(Answer({"0000", "0010"}));
        RunSaveAs(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(answer.questions.size(), std::size_t{1});
        QCOMPARE(answer.questions[0].title, QString("Save Memory"));
        QCOMPARE(answer.questions[0].defaultSuffix, QString("Hex"));
        QCOMPARE(answer.questions[0].filters,
                 QStringList({"Hex Files *.Hex (*.hex *.HEX)", "All Files *.* (*.*)"}));
        QVERIFY(answer.questions[0].save);
        QCOMPARE(Shown(unit), QStringList({"Save Memory|Operation Completed Succesfully."}));
        QCOMPARE(ReadWholeFile(path),
                 QString(":11000000000102030405060708090A0B0C0D0E0F1067\r\n:00000001FF\n"));
    }

    void saveAsRangeErrorsComeBeforeTheFileQuestion() {
        test::VirtualUnit unit("AT89C2051");
        FileAnswer answer(std::nullopt);
        ModalScript script;
        script.Then<FieldDialogView>(Answer({"0000", "0800"}));
        RunSaveAs(nullptr);
        QVERIFY(script.Done());
        QVERIFY(answer.questions.empty());
        QCOMPARE(Shown(unit),
                 QStringList({"Address Error|Ending Address exceeds device capacity!"}));
    }

    void fillCopyAndChecksumWorkOnTheBuffer() {
        test::VirtualUnit unit("AT89C2051");
        ModalScript script;
        script
            .Then<FieldDialogView>([](FieldDialogView* v) {
                return v->windowTitle() == "Fill - Flash Buffer" &&
                       Answer({"0000", "000F", "5A"})(v);
            })
            .Then<FieldDialogView>([](FieldDialogView* v) {
                return v->windowTitle() == "Copy - Flash Buffer" &&
                       Answer({"0000", "000F", "0100"})(v);
            })
            .Then<FieldDialogView>([](FieldDialogView* v) {
                return v->windowTitle() == "Checksum - Flash Buffer" && Answer({"0100", "010F"})(v);
            });
        RunFill(nullptr);
        RunCopy(nullptr);
        RunChecksum(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(int(FlashRead(0x010F)), 0x5A);
        QCOMPARE(Shown(unit), QStringList({"Buffer Fill|Fill Operation Completed Succesfully.",
                                           "Buffer Copy|Operation Completed Successfully",
                                           "Checksum|Check sum = 05A0"}));
    }

    void programThroughTheRangeDialogWithTheBusyCursor() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        App().OptionFlags = kOptionEraseBeforeProgram | kOptionVerifyAfterProgram;
        for (int i = 0; i < 0x40; ++i)
            FlashWrite(std::uint16_t(0x0200 + i), std::uint8_t(0x80 + i));
        bool busy = false;
        ModalScript script;
        script
            .Then<RangeDialogView>([](RangeDialogView* v) {
                if (v->windowTitle() != "Program - Flash") return false;
                v->DeviceStart()->setText("0000");
                v->DeviceEnd()->setText("003F");
                v->BufferStart()->setText("0200");
                v->accept();
                return true;
            })
            .Then<ProgramDialog>(CloseWhenDoneNotingCursor<ProgramDialog>(&busy));
        RunProgram(nullptr);
        QVERIFY(script.Done());
        QVERIFY(busy);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(unit.messages.messages.empty());
        for (int i = 0; i < 0x40; ++i) QCOMPARE(int(unit.Chip().Flash[i]), 0x80 + i);
        QCOMPARE(int(unit.Chip().Flash[0x40]), 0xFF);
    }

    void verifyAndBlankCheckOfTheFullDevice() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        App().VerifyRange = {0x0010, 0x0020, 0x0030, kRangeFullDevice};
        App().BlankCheckRange = {0, 0, 0, kRangeFullDevice};
        unit.Chip().Flash[0x07FF] = 0x00;
        QString verifyList;
        QString blankList;
        ModalScript script;
        script
            .Then<RangeDialogView>([](RangeDialogView* v) {
                if (!v->FullDevice()->isChecked() || v->DeviceStart()->isEnabled()) return false;
                v->accept();
                return true;
            })
            .Then<ScanDialog>(
                test::CloseWhenDone<ScanDialog>([&](ScanDialog* d) { verifyList = d->ListText(); }))
            .Then<RangeDialogView>([](RangeDialogView* v) {
                v->accept();
                return true;
            })
            .Then<ScanDialog>(
                test::CloseWhenDone<ScanDialog>([&](ScanDialog* d) { blankList = d->ListText(); }));
        RunVerify(nullptr);
        RunBlankCheck(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(verifyList, QString(" 07FF\t\t00\t\tFF\n"));
        QCOMPARE(blankList, QString(" 07FF\t\t00\n"));
        QCOMPARE(App().VerifyRange.DeviceEnd, 0x07FF);
        QCOMPARE(App().VerifyRange.BufferStart, 0);
        QCOMPARE(App().BlankCheckRange.DeviceEnd, 0x07FF);
    }

    void readThenCancelledRangeChangesNothing() {
        test::VirtualUnit unit("AT89C2051");
        for (int i = 0; i < 16; ++i) unit.Chip().Flash[0x0100 + i] = std::uint8_t(i);
        App().ReadRange = {0x0100, 0x010F, 0x0000, 0};
        ModalScript script;
        script
            .Then<RangeDialogView>([](RangeDialogView* v) {
                v->accept();
                return true;
            })
            .Then<RangeDialogView>([](RangeDialogView* v) {
                v->DeviceStart()->setText("0300");
                v->FullDevice()->click();
                v->reject();
                return true;
            });
        RunRead(nullptr);  // the read dialog closes by itself at the end
        RunRead(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(script.Unexpected(), 0);
        QCOMPARE(int(FlashRead(0x000F)), 0x0F);
        QCOMPARE(App().ReadRange.DeviceStart, 0x0100);
        QCOMPARE(int(App().ReadRange.Flags), 0);
    }

    void autoRunsTheChosenStepsOrSaysNoneIsChosen() {
        test::VirtualUnit unit("AT89C2051");
        ScopedStepDelayLimit fast(1ms);
        App().AutoSequence = 0;
        {
            ModalScript script;
            RunAuto(nullptr);
            QCOMPARE(script.Unexpected(), 0);
        }
        QCOMPARE(Shown(unit),
                 QStringList({"Error|No Operation is Selected for Auto Programming."}));
        unit.messages.messages.clear();
        App().AutoSequence = 0x01 | 0x02 | 0x04;  // Erase, Blank Check, Program
        for (int i = 0; i < 2048; ++i) FlashWrite(std::uint16_t(i), std::uint8_t(i));
        QString status;
        ModalScript script;
        script.Then<AutoDialog>(
            test::CloseWhenDone<AutoDialog>([&](AutoDialog* d) { status = d->Status()->text(); }));
        RunAuto(nullptr);
        QVERIFY(script.Done());
        QCOMPARE(status, QString("Auto Programming Process Completed..."));
        QVERIFY(unit.messages.messages.empty());
        QCOMPARE(int(unit.Chip().Flash[0x07FF]), 0xFF);
        QCOMPARE(int(unit.Chip().Flash[0x0123]), 0x23);
    }

    // The run log names the file loaded into the Flash buffer, which Auto
    // programs, even when a file was loaded into the EEPROM buffer since.
    void autoLogNamesTheFileInTheFlashBuffer() {
        test::VirtualUnit unit("AT89S8252");
        ScopedStepDelayLimit fast(1ms);
        const QString log = config_.filePath("run.csv");
        QVERIFY(SetPreference("auto.log", log.toStdString()));
        App().AutoSequence = 0x04;  // Program
        App().LoadedFiles[static_cast<std::size_t>(BufferKind::Flash)].path = "/images/code.hex";
        App().LoadedFiles[static_cast<std::size_t>(BufferKind::Eeprom)].path = "/images/data.bin";
        App().SelectedFileName = "/images/data.bin";
        ModalScript script;
        script.Then<AutoDialog>(test::CloseWhenDone<AutoDialog>([](AutoDialog*) {}));
        RunAuto(nullptr);
        QVERIFY(script.Done());
        QVERIFY(SetPreference("auto.log", ""));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].section(',', 2, 2), QString("/images/code.hex"));
    }

  private:
    QTemporaryDir config_;
    std::unique_ptr<test::ScopedEnvironment> xdg_;
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::OperationFlowsTest)
#include "OperationFlowsTest.moc"
