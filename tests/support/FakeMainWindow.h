#pragma once
// A scripted main window: answers the commands' questions from queues and records
// everything the commands show or change.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/MainWindowUi.h"
#include "app/Shell.h"

struct CFakeMainWindow : IMainWindowUi, IShell {
    // Answers, taken in order; an empty queue means the user cancels.
    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::string> saveAnswers;
    std::deque<std::string> renameAnswers;

    // What happened.
    std::vector<std::string> warnings;  // "title: text"
    std::vector<std::string> errors;
    std::vector<CFileDialogRequest> dialogs;
    std::vector<CPlayerSongs> played;
    std::map<int32_t, bool> enabled;
    std::vector<std::string> opened;
    int refreshes = 0, covers = 0, tips = 0, minimized = 0, closed = 0;

    void ShowWarning(const std::string& text, const std::string& title) override {
        warnings.push_back(title + ": " + text);
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request, bool) override {
        dialogs.push_back(request);
        if (openAnswers.empty())
            return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::string AskFileToSave(const CFileDialogRequest& request) override {
        dialogs.push_back(request);
        if (saveAnswers.empty())
            return "";
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    bool AskNewTitle(std::string& title) override {
        if (renameAnswers.empty())
            return false;
        title = renameAnswers.front();
        renameAnswers.pop_front();
        return true;
    }
    void RunPlayer(const CPlayerSongs& songs) override { played.push_back(songs); }
    void RunCoverDialog() override { ++covers; }
    void ShowTipOfTheDay() override { ++tips; }
    void SetCommandEnabled(int32_t id, bool on) override { enabled[id] = on; }
    void RefreshTexts() override { ++refreshes; }
    void Minimize() override { ++minimized; }
    void CloseMainWindow() override { ++closed; }
    void OpenDocument(const std::string& path) override { opened.push_back(path); }
};
