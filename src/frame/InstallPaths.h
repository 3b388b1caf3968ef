#pragma once
// Where an installed game (cmake --install, the .deb) finds its data and
// keeps its configuration. Run from the build folder nothing changes: the
// data is ./data/ and the configuration file lies beside the executable.

#include <string>

// The folder that holds the installed data/, from the executable's path:
// <prefix>/share/grapple for <prefix>/bin/grapple.
std::string InstalledDataRoot(const std::string& executablePath);

// Enters the installed data root when the working directory holds no
// data/ and the installed one exists, so that "./data/..." finds the
// scene. True when the working directory was changed.
bool EnterInstalledDataRoot(const std::string& executablePath);

// Where the configuration file lives: `besidePath` (beside the executable)
// when its folder is writable, else the same file name in
// $XDG_CONFIG_HOME/grapple/ ($HOME/.config/grapple/ when that is unset or
// not absolute). Empty when there is no such place.
std::string ChooseConfigPath(const std::string& besidePath, bool besideWritable, const char* xdgConfigHome,
                             const char* home);
// The same for this process: the folder's writability and the environment.
std::string ChooseConfigPath(const std::string& besidePath);

// Creates the folders above `path` that do not exist yet. False when that
// fails (the caller's write then fails too, and the game asks again next
// time).
bool MakeParentFolders(const std::string& path);
