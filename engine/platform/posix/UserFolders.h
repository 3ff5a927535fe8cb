#pragma once
// The current user's folders as the freedesktop.org conventions name them:
// the home folder, the XDG base folders and the XDG user folders of
// user-dirs.dirs. Native paths without a trailing slash; empty when unknown.

#include <string>

namespace posix {

// $HOME when it is an absolute path, else the password database's entry.
std::string homeFolder();

// $XDG_CONFIG_HOME when absolute, else ~/.config.
std::string xdgConfigHome();

// $XDG_DATA_HOME when absolute, else ~/.local/share.
std::string xdgDataHome();

// The folder user-dirs.dirs names for a key such as "DOCUMENTS" or "DESKTOP"
// (XDG_DOCUMENTS_DIR...); empty when the file or the entry is missing.
std::string xdgUserFolder(const std::string& key);

// The user-dirs.dirs reading of one text, for a given home folder.
std::string parseXdgUserFolder(const std::string& text, const std::string& key,
                               const std::string& home);

// XDG_DOCUMENTS_DIR; else ~/Documents when that folder exists; else the home
// folder, where the XDG tools put documents when no folder is named.
std::string userDocumentsFolder();

// XDG_DESKTOP_DIR; else ~/Desktop, the XDG default.
std::string userDesktopFolder();

} // namespace posix
