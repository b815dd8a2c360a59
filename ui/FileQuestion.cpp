#include "ui/FileQuestion.h"

#include <QFileDialog>

namespace zvk::ui {

namespace {

std::optional<QString> AskWithFileDialog(QWidget* parent, const FileQuestion& question) {
    QFileDialog dialog(parent, question.title);
    dialog.setAcceptMode(question.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(question.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(question.filters);
    if (!question.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(question.defaultSuffix);
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

QString NameFilter(const FileFilter& filter) {
    const QString pattern =
        QString::fromUtf8(filter.pattern.data(), static_cast<qsizetype>(filter.pattern.size()));
    QStringList patterns{pattern};
    for (const QString& variant : {pattern.toUpper(), pattern.toLower()}) {
        if (!patterns.contains(variant)) patterns.append(variant);
    }
    return QString::fromUtf8(filter.label.data(), static_cast<qsizetype>(filter.label.size())) +
           " (" + patterns.join(' ') + ")";
}

QStringList NameFilters(std::span<const FileFilter> filters) {
    QStringList list;
    for (const FileFilter& f : filters) list.append(NameFilter(f));
    return list;
}

}  // namespace zvk::ui
