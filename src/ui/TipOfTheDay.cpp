#include "ui/TipOfTheDay.h"

#include <sys/stat.h>

#include <ctime>

#include "base/StartFolder.h"
#include "ui/LanguageTable.h"

namespace {
constexpr const char kStartUpKey[] = "StartUp";
constexpr const char kFilePosKey[] = "FilePos";
constexpr const char kTimeStampKey[] = "TimeStamp";

bool IsTip(const std::string& line) {
    if (line.empty())
        return false;
    char c = line.front();
    return c != ' ' && c != '\t' && c != ';' && c != '\r' && c != '\n';
}

// The dialog's own texts come from its resources, never through a language file.
std::string ResourceString(int32_t id) {
    const char* text = CLanguageTable::ResourceString(id);
    return text ? text : "";
}
}  // namespace

std::string CTipOfTheDay::ModificationText(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::string();
    std::tm local{};
    if (::localtime_r(&st.st_mtime, &local) == nullptr)
        return std::string();
    // Spelled out rather than through strftime: the names must not follow the locale.
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7],
                  kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, local.tm_year + 1900);
    return text;
}

CTipOfTheDay::CTipOfTheDay(ITipStore& store, const std::string& startFolder) : store_(store) {
    showAtStartUp_ = WantedAtStartUp(store_);
    int64_t position = store_.ReadNumber(kFilePosKey, 0);

    std::string path = InFolder(startFolder, "tips.txt");
    file_.reset(std::fopen(path.c_str(), "r"));
    if (!file_) {
        path = "tips.txt";
        file_.reset(std::fopen(path.c_str(), "r"));
    }
    if (!file_) {
        tip_ = ResourceString(109);
        return;
    }
    // A replaced file starts again at its first tip.
    std::string stamp = ModificationText(path);
    if (stamp != store_.ReadText(kTimeStampKey)) {
        position = 0;
        store_.WriteText(kTimeStampKey, stamp);
    }
    if (position < 0 || ::fseeko(file_.get(), static_cast<off_t>(position), SEEK_SET) != 0) {
        trouble_ = true;
        return;
    }
    NextTip();
}

CTipOfTheDay::~CTipOfTheDay() {
    if (file_) {
        off_t position = ::ftello(file_.get());
        if (position >= 0)
            store_.WriteNumber(kFilePosKey, static_cast<int64_t>(position));
    }
}

bool CTipOfTheDay::ReadLine(std::string& line) {
    line.clear();
    std::FILE* f = file_.get();
    int c = std::fgetc(f);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        if (line.size() < kMaxLine)
            line.push_back(static_cast<char>(c));
        c = std::fgetc(f);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    // An empty line read this way began with its line end: not a tip.
    if (line.empty())
        line = "\n";
    return !std::ferror(f);
}

void CTipOfTheDay::NextTip() {
    if (!file_)
        return;
    trouble_ = false;
    // One pass round the whole file at most: a file without a single tip shows none
    // rather than reading for ever.
    bool rewound = false;
    std::string line;
    for (;;) {
        if (ReadLine(line)) {
            if (IsTip(line)) {
                tip_ = line;
                return;
            }
            continue;
        }
        if (rewound) {
            tip_.clear();
            return;
        }
        std::clearerr(file_.get());
        if (::fseeko(file_.get(), 0, SEEK_SET) != 0) {
            trouble_ = true;
            return;
        }
        rewound = true;
    }
}

bool CTipOfTheDay::WantedAtStartUp(ITipStore& store) {
    return store.ReadNumber(kStartUpKey, 0) == 0;
}

void CTipOfTheDay::StoreShowAtStartUp() {
    store_.WriteNumber(kStartUpKey, showAtStartUp_ ? 0 : 1);
}
