#pragma once
// The open-file and save-file questions of the desktop program. They go
// through one replaceable hook so that tests answer them with a path instead
// of a dialog that waits for a user.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "files/FileLoad.h"

class QDropEvent;
class QWidget;

namespace zvk::ui {

struct FileQuestion {
    QString title = {};
    QStringList filters = {};  // Qt name filters: "label (patterns)"
    QString defaultSuffix = {};
    bool save = false;  // a save question asks before replacing a file
    // A save question for a file that is added to, not replaced (a log):
    // an existing file is taken without that question.
    bool appends = false;
    QString directory = {};    // the folder the dialog opens in; empty: the dialog's own choice
    QString initialFile = {};  // the file the dialog opens on; empty: none
};

// Returns the chosen path, or nullopt when the user cancels.
using FileQuestionHook =
    std::function<std::optional<QString>(QWidget* parent, const FileQuestion& question)>;

// Installs a hook; returns the one it replaces. An empty hook restores the
// file dialog.
FileQuestionHook SetFileQuestionHook(FileQuestionHook hook);

[[nodiscard]] std::optional<QString> AskFile(QWidget* parent, const FileQuestion& question);

// The preference that keeps the folder of the image last loaded or saved.
inline constexpr std::string_view kImagesFolderPreference = "images.folder";

// AskFile for an image to load or save: opens in the folder used last for
// images, also in an earlier run, and remembers the folder of the file chosen.
// Until then, or when that folder is gone, the dialog opens where it always
// did.
[[nodiscard]] std::optional<QString> AskImageFile(QWidget* parent, FileQuestion question);

// A filter row as a Qt name filter. The label stays as written; each pattern
// of the row is offered in its own, upper and lower case, so that demo.hex
// shows under "*.HEX" on file systems that tell the cases apart.
[[nodiscard]] QString NameFilter(const FileFilter& filter);
[[nodiscard]] QStringList NameFilters(std::span<const FileFilter> filters);

// The file a drag or a drop brings, when it brings exactly one local file:
// the event is then accepted and the path is the file to load. nullopt for
// anything else (text, several files, a folder, a remote address), which the
// window thereby refuses.
std::optional<QString> DroppedFile(QDropEvent* event);

}  // namespace zvk::ui
