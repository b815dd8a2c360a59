#pragma once
// Where zvk.dat and the files that go with it (zvk.conf, COMn assignments)
// live, for the desktop program and zvk-cli alike.
//
// An installed copy (app/Installation.h) keeps them in the user's
// configuration folder, $XDG_CONFIG_HOME/zvk, by default ~/.config/zvk, made
// when a file is first written there; on Windows %APPDATA%\zvk. The build
// folder and a portable copy keep them beside the executable when zvk.dat
// already exists there or the folder is writable, else in the user's folder.

#include <string>
#include <string_view>

namespace zvk {

// The folder in use, without a trailing separator. Decided afresh at every
// call from ProgramDirectory and the environment, so that it always agrees
// with what is on disk.
[[nodiscard]] std::string SettingsDirectory();

// The user's own configuration folder for zvk, or an empty text when neither
// XDG_CONFIG_HOME nor HOME (APPDATA on Windows) gives an absolute path.
[[nodiscard]] std::string UserSettingsDirectory();

// The path of a file in the settings folder, to read; empty when there is
// no settings folder (an installed copy run without HOME).
[[nodiscard]] std::string SettingsFilePath(std::string_view fileName);

// The same path, about to be written: the folder is made first when it does
// not exist yet. A folder that cannot be made is left to the write to fail,
// and an empty path, when there is no folder, fails every write.
[[nodiscard]] std::string SettingsFilePathForWriting(std::string_view fileName);

}  // namespace zvk
