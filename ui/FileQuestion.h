#pragma once
// The open-file and save-file questions of the desktop program. They go
// through one replaceable hook so that tests answer them with a path instead
// of a dialog that waits for a user.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>

#include "files/FileLoad.h"

class QWidget;

namespace zvk::ui {

struct FileQuestion {
    QString title;
    QStringList filters;  // Qt name filters: "label (patterns)"
    QString defaultSuffix;
    bool save = false;  // a save question asks before replacing a file
    QString initialFile = {};  // the file the dialog opens on; empty: none
};

// Returns the chosen path, or nullopt when the user cancels.
using FileQuestionHook =
    std::function<std::optional<QString>(QWidget* parent, const FileQuestion& question)>;

// Installs a hook; returns the one it replaces. An empty hook restores the
// file dialog.
FileQuestionHook SetFileQuestionHook(FileQuestionHook hook);

[[nodiscard]] std::optional<QString> AskFile(QWidget* parent, const FileQuestion& question);

// A filter row as a Qt name filter. The label stays as written; the pattern
// is offered in upper, lower and its own case, so that demo.hex shows under
// "*.HEX" on file systems that tell the cases apart.
[[nodiscard]] QString NameFilter(const FileFilter& filter);
[[nodiscard]] QStringList NameFilters(std::span<const FileFilter> filters);

}  // namespace zvk::ui
