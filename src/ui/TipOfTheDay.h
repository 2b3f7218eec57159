#pragma once
// The Tip of the Day's logic, apart from its window.  Tips come one per line from
// "tips.txt" (the start folder's, else the current folder's); a line that starts with a
// blank, a tab, a line end or ";" is not a tip.  Three values persist between runs in a
// settings store: "StartUp" (0 when the box "Show Tips on StartUp" is ticked, 1 when it
// is cleared), "FilePos" (where the next tip is read) and "TimeStamp" (the file's
// modification time when "FilePos" was last reset, so a replaced file starts again at
// its first tip).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// The settings store of section "Tip" (the desktop's per-user settings, or a map in
// the tests).
class ITipStore {
  public:
    virtual ~ITipStore() = default;
    virtual int64_t ReadNumber(const char* key, int64_t def) = 0;
    virtual std::string ReadText(const char* key) = 0;
    virtual void WriteNumber(const char* key, int64_t value) = 0;
    virtual void WriteText(const char* key, const std::string& value) = 0;
};

class CTipOfTheDay {
  public:
    static constexpr size_t kMaxLine = 999;

    // What the dialog does on opening: reads the settings, opens the tips file, restarts
    // at the first tip when the file changed, and reads the tip to show.
    CTipOfTheDay(ITipStore& store, const std::string& startFolder);
    // Stores where the next tip is read, when a tips file is open.
    ~CTipOfTheDay();
    CTipOfTheDay(const CTipOfTheDay&) = delete;
    CTipOfTheDay& operator=(const CTipOfTheDay&) = delete;

    bool HasFile() const { return file_ != nullptr; }
    // The tip shown, without its line end; the "no tips file" text when there is none,
    // "" when the file holds no tip at all.
    const std::string& Tip() const { return tip_; }
    // True when the last read found the file unreadable: the caller shows "Trouble
    // reading the tips file".
    bool Trouble() const { return trouble_; }

    // Reads the next tip, going round to the first one after the last.
    void NextTip();

    // The box as stored: the program opens the dialog at start-up while it is ticked
    // (and on a first run, when nothing is stored yet).
    static bool WantedAtStartUp(ITipStore& store);
    bool ShowAtStartUp() const { return showAtStartUp_; }
    void SetShowAtStartUp(bool show) { showAtStartUp_ = show; }
    // Close (OK): stores the check box.  Closing otherwise stores nothing of it.
    void StoreShowAtStartUp();

    // The modification time of a file in the 24-character form "Thu Dec  2 17:05:09 2004"
    // (local time, English names); "" when the file cannot be examined.
    static std::string ModificationText(const std::string& path);

  private:
    // One line of at most kMaxLine characters (longer lines are cut), without its line
    // end; false at the end of the file or on an error.
    bool ReadLine(std::string& line);

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    ITipStore& store_;
    std::unique_ptr<std::FILE, Closer> file_;
    std::string tip_;
    bool trouble_ = false;
    bool showAtStartUp_ = true;
};
