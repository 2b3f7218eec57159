#pragma once
// A scripted front end: answers the questions of the commands and of start-up from
// queues and records everything they show or change.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/MainWindowUi.h"
#include "app/Shell.h"
#include "drivers/DriverUi.h"

struct CFakeMainWindow : IMainWindowUi, IShell, IDriverUi {
    // Answers, taken in order; an empty queue means the user cancels.
    std::deque<std::vector<std::string>> openAnswers;
    std::deque<std::string> saveAnswers;
    std::deque<std::string> renameAnswers;
    int32_t normalizeAnswer = 0;
    std::deque<SaveChangesAnswer> saveChangesAnswers;  // empty: Cancel
    bool hasBrowser = true;
    // Runs inside the Record dialog, to look at what it was given.
    std::function<void(const CRecordDialogRequest&)> recordDialog;

    // What happened.
    std::vector<std::string> messages;  // "title: text"
    std::vector<CFileDialogRequest> dialogs;
    std::vector<CPlayerSongs> played;
    std::vector<int32_t> recordDialogs;  // normalize on, per Record dialog run
    std::map<int32_t, bool> enabled;
    std::map<int32_t, std::string> whyNot;
    std::vector<std::string> questions;
    std::vector<std::string> notes;      // status notes
    std::vector<std::string> helpPages;  // shown in the program's own window
    std::vector<std::string> opened;
    std::vector<std::string> errors;  // from the drivers
    int refreshes = 0, covers = 0, tips = 0, minimized = 0, closed = 0, normalizeQuestions = 0;

    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back(title + ": " + text);
    }
    std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request, bool) override {
        dialogs.push_back(request);
        if (openAnswers.empty())
            return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    bool AskSaveFile(const CFileDialogRequest& request, std::string& chosen) override {
        dialogs.push_back(request);
        if (saveAnswers.empty())
            return false;
        chosen = saveAnswers.front();
        saveAnswers.pop_front();
        return true;
    }
    bool AskNewTitle(std::string& title) override {
        if (renameAnswers.empty())
            return false;
        title = renameAnswers.front();
        renameAnswers.pop_front();
        return true;
    }
    int32_t AskNormalizeDefault() override {
        ++normalizeQuestions;
        return normalizeAnswer;
    }
    void RunPlayer(const CPlayerSongs& songs) override { played.push_back(songs); }
    void RunRecordDialog(const CRecordDialogRequest& request) override {
        recordDialogs.push_back(request.normalizeOn);
        if (recordDialog)
            recordDialog(request);
    }
    void RunCoverDialog() override { ++covers; }
    void ShowTipOfTheDay() override { ++tips; }
    SaveChangesAnswer AskSaveChanges(const std::string& question) override {
        questions.push_back(question);
        if (saveChangesAnswers.empty())
            return SaveChangesAnswer::kCancel;
        auto answer = saveChangesAnswers.front();
        saveChangesAnswers.pop_front();
        return answer;
    }
    void ShowStatusNote(const std::string& text) override { notes.push_back(text); }
    void ShowHelpPage(const std::string& path) override { helpPages.push_back(path); }
    void SetCommandEnabled(int32_t id, bool on, const std::string& reason) override {
        enabled[id] = on;
        whyNot[id] = reason;
    }
    void RefreshTexts() override { ++refreshes; }
    void Minimize() override { ++minimized; }
    void CloseMainWindow() override { ++closed; }
    bool OpenDocument(const std::string& path) override {
        opened.push_back(path);
        return hasBrowser;
    }
    void ReportError(const std::string& text) override { errors.push_back(text); }
};
