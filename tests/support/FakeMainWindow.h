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
    // Runs inside the Record dialog, to look at what it was given.
    std::function<void(const CRecordDialogRequest&)> recordDialog;

    // What happened.
    std::vector<std::string> messages;  // "title: text"
    std::vector<CFileDialogRequest> dialogs;
    std::vector<int32_t> recordDialogs;  // normalize on, per Record dialog run
    std::map<int32_t, bool> enabled;
    std::map<int32_t, std::string> whyNot;
    std::vector<std::string> questions;
    int closed = 0, normalizeQuestions = 0;

    template <typename T>
    static T Next(std::deque<T>& answers, T none) {
        if (answers.empty())
            return none;
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.push_back(title + ": " + text);
    }
    std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request, bool) override {
        dialogs.push_back(request);
        return Next(openAnswers, {});
    }
    bool AskSaveFile(const CFileDialogRequest& request, std::string& chosen) override {
        dialogs.push_back(request);
        chosen = Next(saveAnswers, std::string());
        return !chosen.empty();
    }
    bool AskNewTitle(std::string& title) override {
        title = Next(renameAnswers, std::string());
        return !title.empty();
    }
    int32_t AskNormalizeDefault() override {
        ++normalizeQuestions;
        return normalizeAnswer;
    }
    void RunRecordDialog(const CRecordDialogRequest& request) override {
        recordDialogs.push_back(request.normalizeOn);
        if (recordDialog)
            recordDialog(request);
    }
    SaveChangesAnswer AskSaveChanges(const std::string& question) override {
        questions.push_back(question);
        return Next(saveChangesAnswers, SaveChangesAnswer::kCancel);
    }
    void SetCommandEnabled(int32_t id, bool on, const std::string& reason) override {
        enabled[id] = on;
        whyNot[id] = reason;
    }
    void CloseMainWindow() override { ++closed; }
    // What the tests of the commands do not look at.
    void RunPlayer(const CPlayerSongs&) override {}
    void RunCoverDialog() override {}
    void ShowTipOfTheDay() override {}
    void ShowStatusNote(const std::string&) override {}
    void ShowHelpPage(const std::string&) override {}
    void RefreshTexts() override {}
    void Minimize() override {}
    bool OpenDocument(const std::string&) override { return true; }
    void ReportError(const std::string&) override {}
};
