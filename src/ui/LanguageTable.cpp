#include "ui/LanguageTable.h"

#include <algorithm>
#include <iterator>

namespace {
struct Row {
    int32_t id;
    const char* text;
};

// Sorted by id, so lookups can bisect.
constexpr Row kBuiltIn[] = {
    {101, "CD Recorder: %s %s %s"},
    {102, "No CDR driver found."},
    {103, "&Insert"},
    {104, "&Delete"},
    {105, "&Exit"},
    {106, "&Record"},
    {111, "MP3 Title"},
    {112, "Time"},
    {113, "Full Path"},
    {114, "%d songs, total time: %02d:%02d, time left:<74min disc>%02d:%02d <80min disc>%02d:%02d"},
    {200, "Playing: %s"},
    {201, "&Stop"},
    {202, "Time: %02d:%02d"},
    {300, "Record"},
    {301, "Total tracks: %d  Total time: %02d:%02d"},
    {302, "&Test"},
    {303, "Select writing speed"},
    {304, "Initializing..."},
    {305, "Writing track %d, total %02d%% done."},
    {306, "Finalizing disk..."},
    {307, "Writing lead-in area..."},
    {315, "Normalize Setting"},
    {316, "Normalize"},
    {317, "...but only the track is"},
    {318, "Normalize to"},
    {319, "Or"},
    {320, "Higher than"},
    {321, "Lower than"},
    {322, "&Max Speed"},
    {323, "&1x (Recommended)"},
    {324, "Use CD-TEXT"},
    {325, "Album Title"},
    {700,
     "Normalizing feature let you burn every songs on the CD in the same volume level, even if "
     "your MP3 files have different volume levels. \n"},
    {800, "Enter new MP3 title:"},
    {801, "Rename MP3 title"},
    {900, "&Background"},
    {901, "Back&Color"},
    {902, "Cl&ear"},
    {903, "&Title Font"},
    {904, "&List Font"},
    {905, "&Print"},
    {906, "Album Title"},
    {907, "Print CD Cover"},
    {908, "Open a background picture"},
    {909, ""},
    {960, "Select CDR Drive"},
    {961, "You have more than one cd recorders, please choose one:"},
    {1001, "You should select a MP3 file in the list first."},
    {1002, "Printer is not ready!"},
    {1003, "Print failed"},
    {1004, "Select a printer first."},
    {1005, "Unable to print"},
    {2000, "&Play"},
    {2001, "&Rename Title"},
    {2002, "Export &Wav"},
    {2003, "Export Raw Audio&Track"},
    {2004, "Export &Song List"},
    {2005, "To &WinAmp M3U Play List"},
    {2006, "To Sonique PLS Play List"},
    {2007, "To Text File for CD Label Printing"},
    {2008, "&Up"},
    {2009, "&Down"},
    {2010, "&Insert"},
    {2011, "&Delete"},
    {2012, "&Tips of the day"},
};

constexpr bool SortedById() {
    for (size_t i = 1; i < std::size(kBuiltIn); ++i)
        if (kBuiltIn[i - 1].id >= kBuiltIn[i].id)
            return false;
    return true;
}
static_assert(SortedById(), "built-in text rows must be sorted by id");
}  // namespace

const char* CLanguageTable::BuiltInText(int32_t id) {
    auto it = std::lower_bound(std::begin(kBuiltIn), std::end(kBuiltIn), id,
                               [](const Row& r, int32_t v) { return r.id < v; });
    if (it == std::end(kBuiltIn) || it->id != id)
        return nullptr;
    return it->text;
}

const char* CLanguageTable::Text(int32_t id) {
    const char* english = BuiltInText(id);
    return english ? Translate(english) : "";
}

const char* CLanguageTable::Translate(const char* english) {
    // Language files are consulted only while a language other than English is active.
    if (active.load() == 0)
        return english;
    return english;
}

CLanguageTable& LanguageTable() {
    static CLanguageTable table;
    return table;
}
