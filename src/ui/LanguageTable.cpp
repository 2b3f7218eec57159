#include "ui/LanguageTable.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "base/AsciiText.h"
#include "base/FileIo.h"
#include "base/Profile.h"
#include "base/StartFolder.h"
#include "base/TextLineReader.h"

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
    {910, "The picture %s cannot be read. The background stays as it was."},
    {911, "The picture %s cannot be read. The cover was printed without it."},
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
    {3000,
     "No CDR driver found: driver.lst names \"%s\" for %s %s, and there is no driver of that "
     "name."},
    // The window's own texts beyond the original table.
    {4000, "Save the changes to the song list?"},
    {4001, "These songs were not added, since the list would pass 82 minutes:"},
    {4002, "...and %d more."},
    {4003,
     "%d songs, total time: %02d:%02d, over a 74min disc by %02d:%02d, time left:<80min "
     "disc>%02d:%02d"},
    {4004,
     "%d songs, total time: %02d:%02d, over a 74min disc by %02d:%02d, over an 80min disc by "
     "%02d:%02d"},
    {4005, "No recorder found"},
    {4006, "The list is empty"},
    {4007, "Song list"},
    {4008, "No sound device"},
    {4009, "The help file %s is missing."},
    {4010, "Saved %s"},
    {4011, "The disc is complete."},
    {4012, "The test write completed; the disc was not written."},
    {4013, "The disc image is %s"},
    {4014,
     "The recording is still running. Stop it? A disc stopped while it is written cannot be used."},
    {4015, "Play"},
    {4016, "Stop"},
    {4017, "Previous song"},
    {4018, "Next song"},
    {4019, "Close"},
    {4020, "Help"},
    {4021, "The file %s could not be read."},
    {4022, "Gapless (no silence between songs)"},
    {4023, "Track at once leaves a gap before every song: this driver cannot write gapless."},
    {4024, "Image file"},
    {4025, "CD-TEXT has no letters for these titles; they are written in Latin letters:"},
    {4026, "Folder for the disc image"},
    {4027, "Without gapless the songs would not fit the disc."},
    {4028, "Verify after writing"},
    {4029, "Verifying the disc: %d%%"},
    {4030, "The disc could not be verified:"},
};

struct Resource {
    int32_t id;
    const char* text;
};

// The main window's tooltips, and the texts of the tips dialog.
constexpr Resource kResources[] = {
    {108, "Did you know..."},
    {109, "Tips file does not exist in the prescribed directory"},
    {110, "Trouble reading the tips file"},
    {32772, "Help of Tunevarn."},
    {32773, "Exit from Tunevarn."},
    {32774, "Clear old MP3 list, start a new list."},
    {32775, "Load an existing recording project from disk."},
    {32776, "Save the current recording project to disk."},
    {32777, "Delete the selected MP3s in the list."},
    {32778, "Add MP3 files."},
    {32779, "Record the CD."},
    {32780, "Print out the song list."},
    {32785, "Move the MP3 to the top of the list."},
    {32786, "Move the MP3 up a level in the list."},
    {32787, "Move the MP3 down a level in the list."},
    {32788, "Move the MP3 to the bottom of the list."},
    {32789, "Rename the MP3's title."},
    {32790, "Play MP3 File."},
    {32791, "Minimize Window"},
    {32792, "Choose a language"},
};

template <typename T, size_t N>
constexpr bool SortedById(const T (&rows)[N]) {
    for (size_t i = 1; i < N; ++i)
        if (rows[i - 1].id >= rows[i].id)
            return false;
    return true;
}
static_assert(SortedById(kBuiltIn), "built-in text rows must be sorted by id");
static_assert(SortedById(kResources), "resource strings must be sorted by id");

template <typename T, size_t N>
const char* Find(const T (&rows)[N], int32_t id) {
    auto it = std::lower_bound(std::begin(rows), std::end(rows), id,
                               [](const T& r, int32_t v) { return r.id < v; });
    return it == std::end(rows) || it->id != id ? nullptr : it->text;
}

constexpr const char kEnglish[] = "English";
constexpr const char kDefaultFile[] = "$$default.ini";

bool IsEnglish(const std::string& name) {
    return EqualNoCase(name, kEnglish);
}

bool OnlyBlanks(const std::string& s) {
    return s.find_first_not_of(" \t") == std::string::npos;
}
}  // namespace

const char* CLanguageTable::BuiltInText(int32_t id) {
    return Find(kBuiltIn, id);
}

const char* CLanguageTable::ResourceString(int32_t id) {
    return Find(kResources, id);
}

const char* CLanguageTable::Text(int32_t id) {
    const char* english = BuiltInText(id);
    return english ? Translate(english) : "";
}

const char* CLanguageTable::ResourceText(int32_t id) {
    const char* english = ResourceString(id);
    return english ? Translate(english) : "";
}

const char* CLanguageTable::Translate(const char* english) {
    if (active.load() == 0 || english == nullptr)
        return english;
    // One buffer per thread: a lookup on one thread never overwrites another's text.
    thread_local std::array<char, kTranslationBufferSize> buffer{};
    std::string value =
        ReadProfileString(CurrentFile(), "String", english, english, kTranslationBufferSize - 1);
    if (OnlyBlanks(value))
        value = english;
    std::snprintf(buffer.data(), buffer.size(), "%s", value.c_str());
    return buffer.data();
}

void CLanguageTable::SetStartFolder(const std::string& folder) {
    startFolder_ = folder;
}

std::string CLanguageTable::SettingPath() const {
    return InFolder(startFolder_, "language.set");
}

void CLanguageTable::EnumerateLanguages() {
    languages_.clear();
    std::string folder = InFolder(startFolder_, "Language");
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& fileName : names) {
        if (!HasExtension(fileName, ".txt"))
            continue;
        std::string path = InFolder(folder, fileName);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        // A path or name that does not fit its slot is skipped: cut, it would name
        // another file or another language.
        if (path.size() >= kSlotSize)
            continue;
        std::string name = ReadProfileString(path, "Info", "Language", kEnglish, 4 * kSlotSize);
        if (name.size() >= kSlotSize || name.empty() || IsEnglish(name))
            continue;
        if (LanguageCount() >= kMaxLanguages)
            break;
        languages_.push_back({name, path});
    }
}

void CLanguageTable::LoadLanguageSetting(ILanguageDialog& dialog) {
    CTextLineReader in(SettingPath());
    if (!in.IsOpen()) {
        std::vector<std::string> rows{kEnglish};
        for (const Language& l : languages_) rows.push_back(l.name);
        int32_t choice = dialog.RunLanguageDialog(rows);
        if (choice >= 0)
            SelectLanguage(choice);
        return;
    }
    std::string name, file;
    in.ReadLine(name, kSlotSize - 1, CTextLineReader::LongLines::kCut);
    in.ReadLine(file, kSlotSize - 1, CTextLineReader::LongLines::kCut);
    // An empty setting names no language: English.
    if (name.empty() || IsEnglish(name))
        MakeCurrent(name.empty() ? kEnglish : name, file.empty() ? kDefaultFile : file);
    else
        MakeCurrent(name, file);
}

void CLanguageTable::MakeCurrent(const std::string& name, const std::string& file) {
    {
        std::lock_guard<std::mutex> lock(currentLock_);
        currentName_ = name;
        currentFile_ = file;
    }
    active.store(IsEnglish(name) ? 0 : 1);
}

bool CLanguageTable::SelectLanguage(int32_t choice) {
    if (choice < 0 || choice > LanguageCount())
        return false;
    if (choice == 0)
        MakeCurrent(kEnglish, kDefaultFile);
    else
        MakeCurrent(languages_[static_cast<size_t>(choice - 1)].name,
                    languages_[static_cast<size_t>(choice - 1)].file);
    std::string text = CurrentName() + "\n" + CurrentFile() + "\n";
    WriteFileReplacing(SettingPath(), text.data(), text.size());  // unwritable: this run only
    return true;
}

bool CLanguageTable::UseLanguageForRun(const std::string& name) {
    if (IsEnglish(name)) {
        MakeCurrent(kEnglish, kDefaultFile);
        return true;
    }
    for (const Language& l : languages_) {
        if (EqualNoCase(l.name, name)) {
            MakeCurrent(l.name, l.file);
            return true;
        }
    }
    return false;
}

const char* CLanguageTable::LanguageName(int32_t index) const {
    return index >= 0 && index < LanguageCount()
               ? languages_[static_cast<size_t>(index)].name.c_str()
               : "";
}

const char* CLanguageTable::LanguageFile(int32_t index) const {
    return index >= 0 && index < LanguageCount()
               ? languages_[static_cast<size_t>(index)].file.c_str()
               : "";
}

std::string CLanguageTable::CurrentName() const {
    std::lock_guard<std::mutex> lock(currentLock_);
    return currentName_;
}

std::string CLanguageTable::CurrentFile() const {
    std::lock_guard<std::mutex> lock(currentLock_);
    return currentFile_;
}

std::vector<CLanguageMenuItem> CLanguageTable::LanguageMenu() const {
    std::string current = CurrentName();
    std::vector<CLanguageMenuItem> menu;
    menu.push_back({kMenuFirstId, "English (Default)", IsEnglish(current)});
    menu.push_back({0, "", false});
    for (int32_t i = 0; i < LanguageCount(); ++i)
        menu.push_back({kMenuFirstId + 1 + i, languages_[static_cast<size_t>(i)].name,
                        EqualNoCase(languages_[static_cast<size_t>(i)].name, current)});
    return menu;
}

bool CLanguageTable::OnLanguageCommand(int32_t commandId) {
    if (commandId < kMenuFirstId || commandId >= kMenuEndId)
        return false;
    SelectLanguage(commandId - kMenuFirstId);
    return true;
}

CLanguageTable& LanguageTable() {
    static CLanguageTable table;
    return table;
}
