// The user manual as shipped beside the programs: every link and picture
// resolves, every page is reachable from the contents, and every menu command
// of the frame is described.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QtTest>

#include "app/AppState.h"
#include "ui/FrameWnd.h"

namespace zvk::ui {

namespace {

QString HelpDir() { return QCoreApplication::applicationDirPath() + "/help"; }

QString ReadPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The local targets of a page's links and pictures, without their anchors.
QStringList LocalTargets(const QString& html) {
    QStringList targets;
    static const QRegularExpression ref(R"re((?:href|src)\s*=\s*"([^"#][^"]*)")re");
    for (auto it = ref.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1).section('#', 0, 0);
        if (!target.contains(':')) targets.append(target);
    }
    return targets;
}

}  // namespace

class HelpPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void everyLinkAndPictureResolvesAndEveryPageIsReachable() {
        const QDir dir(HelpDir());
        QVERIFY2(dir.exists("index.html"), qPrintable(HelpDir()));
        QSet<QString> reached{"index.html"};
        QStringList queue{"index.html"};
        while (!queue.isEmpty()) {
            const QString page = queue.takeFirst();
            for (const QString& target : LocalTargets(ReadPage(dir.filePath(page)))) {
                QVERIFY2(QFileInfo::exists(dir.filePath(target)),
                         qPrintable(page + " refers to a missing " + target));
                if (target.endsWith(".html") && !reached.contains(target)) {
                    reached.insert(target);
                    queue.append(target);
                }
            }
        }
        for (const QString& page : dir.entryList({"*.html"})) {
            QVERIFY2(reached.contains(page), qPrintable(page + " is not linked"));
        }
    }

    void everyMenuCommandIsDescribed() {
        QString manual;
        const QDir dir(HelpDir());
        for (const QString& page : dir.entryList({"*.html"})) {
            QTextDocument document;
            document.setHtml(ReadPage(dir.filePath(page)));
            manual += document.toPlainText() + "\n";
        }
        ResetAppState();
        FrameWnd frame;
        int described = 0;
        for (const FrameCommand& command : FrameCommands()) {
            const QAction* item = frame.MenuItem(MenuKind::Frame, command.id);
            if (item == nullptr) item = frame.MenuItem(MenuKind::Child, command.id);
            if (item == nullptr) continue;  // commands without a menu item
            QString text = item->text().section('\t', 0, 0).remove('&').trimmed();
            text.remove(QRegularExpression(R"(\.\.\.$)"));
            text = text.simplified();
            QVERIFY2(manual.contains(text, Qt::CaseInsensitive),
                     qPrintable("the manual does not describe " + text));
            ++described;
        }
        QVERIFY(described >= 40);
    }
};

}  // namespace zvk::ui

QTEST_MAIN(zvk::ui::HelpPagesTest)
#include "HelpPagesTest.moc"
