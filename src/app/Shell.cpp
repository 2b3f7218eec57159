#include "app/Shell.h"

#include "app/StartFolder.h"

std::string HelpFile(const std::string& startFolder) {
    return InFolder(startFolder, "Help.htm");
}
