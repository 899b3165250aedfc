#pragma once
// Test doubles for what the pages will provide: the progress sink and the password prompt.
#include "web/PasswordPrompt.h"
#include "web/UploadStatusSink.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vornalix::web::test {

class RecordingSink : public UploadStatusSink {
public:
    void PostStatus(int code) override {
        std::lock_guard lock(mutex);
        statuses.push_back(code);
        changed.notify_all();
    }
    void SetProgressRange(int lower, int upper) override {
        std::lock_guard lock(mutex);
        range = {lower, upper};
    }
    void SetProgressStep(int value) override {
        std::lock_guard lock(mutex);
        step = value;
    }
    void SetProgressPos(int position) override {
        std::lock_guard lock(mutex);
        positions.push_back(position);
    }
    void EnableCancel(bool enable) override {
        std::lock_guard lock(mutex);
        cancelEnabled = enable;
    }
    std::vector<int> Statuses() {
        std::lock_guard lock(mutex);
        return statuses;
    }
    std::vector<int> Positions() {
        std::lock_guard lock(mutex);
        return positions;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> statuses;
    std::vector<int> positions;
    std::pair<int, int> range{-1, -1};
    int step = 0;
    bool cancelEnabled = true;
};

// Answers with the queued credentials, then gives up.
class ScriptedPasswords : public PasswordPrompt {
public:
    struct Answer {
        PasswordChoice choice;
        std::string user;
        std::string password;
    };
    PasswordChoice AskPassword(std::string& userName, std::string& password) override {
        offered.push_back(userName + ":" + password);
        if (answers.empty())
            return PasswordChoice::GiveUp;
        Answer answer = answers.front();
        answers.pop_front();
        userName = answer.user;
        password = answer.password;
        return answer.choice;
    }
    std::deque<Answer> answers;
    std::vector<std::string> offered;
};

} // namespace vornalix::web::test
