#include "ui/FileQuestion.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "app/Preferences.h"

namespace zvk::ui {

namespace {

std::optional<QString> AskWithFileDialog(QWidget* parent, const FileQuestion& question) {
    QFileDialog dialog(parent, question.title);
    dialog.setAcceptMode(question.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(question.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(question.filters);
    if (!question.directory.isEmpty()) dialog.setDirectory(question.directory);
    if (!question.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(question.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, question.appends);
    if (!question.initialFile.isEmpty()) dialog.selectFile(question.initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

FileQuestionHook& Hook() {
    static FileQuestionHook hook;
    return hook;
}

}  // namespace

FileQuestionHook SetFileQuestionHook(FileQuestionHook hook) {
    FileQuestionHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

std::optional<QString> AskFile(QWidget* parent, const FileQuestion& question) {
    if (Hook()) return Hook()(parent, question);
    return AskWithFileDialog(parent, question);
}

std::optional<QString> AskImageFile(QWidget* parent, FileQuestion question) {
    const QString folder = QString::fromStdString(GetPreference(kImagesFolderPreference));
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) question.directory = folder;
    auto path = AskFile(parent, question);
    if (path && !path->isEmpty()) {
        (void)SetPreference(kImagesFolderPreference, QFileInfo(*path).absolutePath().toStdString());
    }
    return path;
}

QString NameFilter(const FileFilter& filter) {
    const QStringList own =
        QString::fromUtf8(filter.pattern.data(), static_cast<qsizetype>(filter.pattern.size()))
            .split(' ', Qt::SkipEmptyParts);
    QStringList patterns = own;
    for (const bool upper : {true, false}) {
        for (const QString& pattern : own) {
            const QString variant = upper ? pattern.toUpper() : pattern.toLower();
            if (!patterns.contains(variant)) patterns.append(variant);
        }
    }
    return QString::fromUtf8(filter.label.data(), static_cast<qsizetype>(filter.label.size())) +
           " (" + patterns.join(' ') + ")";
}

QStringList NameFilters(std::span<const FileFilter> filters) {
    QStringList list;
    for (const FileFilter& f : filters) list.append(NameFilter(f));
    return list;
}

std::optional<QString> DroppedFile(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile()) return std::nullopt;
    const QString path = urls.constFirst().toLocalFile();
    if (QFileInfo(path).isDir()) return std::nullopt;
    event->acceptProposedAction();
    return path;
}

}  // namespace zvk::ui
