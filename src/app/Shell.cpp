#include "app/Shell.h"

#include "app/StartFolder.h"

void OpenHelp(IShell& shell, const std::string& startFolder) {
    shell.OpenDocument(InFolder(startFolder, "Help.htm"));
}
