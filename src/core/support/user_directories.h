#pragma once

#include <filesystem>

namespace garbello {

// The user's configuration directory by the XDG convention: an absolute
// $XDG_CONFIG_HOME, else ~/.config (the home directory from $HOME, else the
// password database). Nothing is created.
std::filesystem::path userConfigurationDirectory();

// The user's data directory by the XDG convention: an absolute
// $XDG_DATA_HOME, else ~/.local/share. Nothing is created.
std::filesystem::path userDataDirectory();

// Where the program keeps its own files (settings, weather cache): the
// directory "Garbello" inside the user's configuration directory.
std::filesystem::path garbelloDataDirectory();

} // namespace garbello
