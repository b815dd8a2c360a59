// The address dialog, dialog centring and the message boxes.

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app/AppState.h"
#include "app/Messages.h"
#include "ui/DialogHelpers.h"

namespace zvk::ui {

class DialogHelpersTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { ResetAppState(); }

    void addressDialogShowsTheLastAddressSelected() {
        App().EnteredAddress = 0x1F;
        GetAddressDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Address"));
        QCOMPARE(dialog.Edit()->text(), QString("001F"));
        QCOMPARE(dialog.Edit()->selectedText(), QString("001F"));
        QCOMPARE(dialog.Edit()->maxLength(), 4);
    }

    void addressDialogAcceptsOnlyHexadecimalEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("address");
        QTest::newRow("lower case") << "1ff" << true << 0x01FF;
        QTest::newRow("four digits") << "4FFF" << true << 0x4FFF;
        QTest::newRow("empty") << "" << false << 0x0123;
        QTest::newRow("G") << "12G" << false << 0x0123;
        QTest::newRow("0x prefix") << "0x1" << false << 0x0123;
        QTest::newRow("H suffix") << "12H" << false << 0x0123;
    }
    void addressDialogAcceptsOnlyHexadecimalEntries() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, address);
        App().EnteredAddress = 0x0123;
        GetAddressDlg dialog(nullptr);
        dialog.Edit()->setText(text);
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(int(App().EnteredAddress), address);
    }

    void cancelKeepsTheAddress() {
        App().EnteredAddress = 0x0042;
        GetAddressDlg dialog(nullptr);
        dialog.Edit()->setText("0100");
        dialog.reject();
        QCOMPARE(int(App().EnteredAddress), 0x0042);
    }

    // A message box waits for the user: it shows the arrow even when the
    // program was busy as it came up, and the busy cursor comes back after.
    void aMessageBoxShowsTheArrowOverABusyCursor() {
        InstallMessageBoxPresenter();
        QApplication::setOverrideCursor(Qt::BusyCursor);
        int shownWithBox = -1;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            shownWithBox = QApplication::overrideCursor()->shape();
            box->accept();
        });
        ShowMessage("Programming Failed at 0110", "Error", MessageIcon::Stop);
        const int after = QApplication::overrideCursor()->shape();
        QApplication::restoreOverrideCursor();
        SetMessagePresenter({});
        QCOMPARE(shownWithBox, int(Qt::ArrowCursor));
        QCOMPARE(after, int(Qt::BusyCursor));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void centringKeepsTheDialogOnTheScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QWidget parent;
        parent.setGeometry(100, 100, 400, 300);
        QWidget dialog;
        dialog.resize(200, 100);
        CenterDialog(&dialog, &parent);
        QCOMPARE(dialog.frameGeometry().center().x(), parent.frameGeometry().center().x());

        parent.move(-300, -300);
        CenterDialog(&dialog, &parent);
        QCOMPARE(dialog.pos(), QPoint(0, 0));

        parent.move(screen.width() - 50, screen.height() - 50);
        CenterDialog(&dialog, &parent);
        QCOMPARE(dialog.frameGeometry().right() + 1, screen.width());
        QCOMPARE(dialog.frameGeometry().bottom() + 1, screen.height());
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::DialogHelpersTest)
#include "DialogHelpersTest.moc"
