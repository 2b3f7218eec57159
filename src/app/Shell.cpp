#include "app/Shell.h"

#include "base/StartFolder.h"

std::string HelpFile(const std::string& startFolder) {
    return InFolder(startFolder, "Help.htm");
}
