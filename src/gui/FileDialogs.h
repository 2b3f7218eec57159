#pragma once
// The file dialogs the commands ask for, built from their requests: the filter string
// "Display {*.ext}|*.ext|...||" becomes the dialog's list of file types (matched in any
// letter case), the dialog opens in the request's folder, a name typed without an
// extension gets the default one, and a save dialog asks before replacing a file.
#include <QStringList>
#include <string>
#include <vector>

#include "ui/FileDialogRequest.h"

class QWidget;

// The dialog's file types from a filter string, in its order: "Display (*.ext)", the
// display text without the pattern it gives in braces.
QStringList NameFilters(const std::string& filter);

// Open dialog for existing files; the chosen paths (one unless several), empty when
// cancelled.
std::vector<std::string> AskOpenFiles(QWidget* parent, const CFileDialogRequest& request,
                                      bool several);
// Save dialog; true with the chosen path.
bool AskSaveFile(QWidget* parent, const CFileDialogRequest& request, std::string& chosen);
// Folder dialog with a caption, opening in folder; true with the chosen folder.
bool AskFolder(QWidget* parent, const std::string& caption, const std::string& folder,
               std::string& chosen);
