#pragma once
// The start folder of a program launched from the desktop's menu.  A menu entry has no
// folder of its own to start in, so the launcher asks for the per-user data folder
// ($XDG_DATA_HOME/tunevarn, normally ~/.local/share/tunevarn).  It is created on the
// first start and filled with the shipped data (help page, tips, languages, the sample
// driver.lst, cover pictures) that it lacks.  Files the user changed are never
// overwritten; shipped files the user left alone follow a newer installed version.
#include <string>

// The per-user start folder: xdgDataHome + "/tunevarn" when xdgDataHome is an absolute
// path, else home + "/.local/share/tunevarn"; "" when neither gives a folder.
std::string DesktopStartFolderFor(const char* xdgDataHome, const char* home);

// The same from the environment (XDG_DATA_HOME, HOME, else the password database).
std::string DesktopStartFolder();

// The installed data beside an executable in PREFIX/bin: PREFIX/share/tunevarn when that
// is a folder, else "".
std::string ShippedDataFolder(const std::string& executable);

// Copies into folder every file under shipped that folder lacks, and replaces a shipped
// file the user has not changed since it was copied when the installed one is newer.
// What was copied is remembered in folder's ".shipped" file.  Creates folder (and its
// parents) when needed.  Nothing is ever written through a symbolic link below folder:
// links, read-only files and anything else the user put in the way are left alone and
// named in leftAlone (one line, "" when none).  False, with the first problem in words
// (and its reason), when something could not be created or written; the rest is still
// seeded.
bool SeedStartFolder(const std::string& shipped, const std::string& folder, std::string& problem,
                     std::string& leftAlone);

// For the launcher: makes the per-user start folder, seeds it from the data installed
// beside the running executable, and makes it the current folder.  False, with the
// problem in words, when the folder cannot be made or entered (the current folder is
// then unchanged); a seeding problem alone is reported in problem but returns true.
bool EnterDesktopStartFolder(std::string& problem, std::string& leftAlone);
