#pragma once
// Where the running executable lives (the help pages sit beside it, and in a
// portable copy zvk.dat and COMn links too), and the extension of a path.

#include <string>
#include <string_view>

namespace zvk {

// Fills AppState::ProgramDirectory with the directory that holds the running
// executable, without a trailing separator, and returns it.
const std::string& GetProgramDirectory();

// The extension of the path's file name including its dot ("x/prog.hex" gives
// ".hex"), or an empty text when the file name has none.
std::string GetFileExtension(std::string_view path);

// Joins the program directory and a file name with the platform's separator.
std::string ProgramDirectoryFile(std::string_view fileName);

}  // namespace zvk
