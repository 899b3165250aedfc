#pragma once
// A transfer page for tests: records every call in order, keeps the progress bar's state, and lets a test wait
// for FinishTransfer. An optional hook runs inside FinishTransfer (the real page stops the servers there).
#include "common/ProgressBarState.h"
#include "recovery/ProgressPage.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vornalix::recovery::test {

class RecordingPage : public ProgressPage {
public:
    void SetTitleText(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void SetPeerText(const std::string& text) override;
    void InvalidateTitle() override;
    void PostUpdate() override;
    void SetProgressRange(int low, int high) override;
    void SetProgressStep(int step) override;
    void SetProgressPos(int position) override;
    void DisableBackAndCancel() override;
    void FinishTransfer(TransferOutcome outcome) override;

    // Every call so far, e.g. "title:Updating the Firmware", "range:0,10", "pos:3", "finish:succeeded".
    std::vector<std::string> Events() const;
    // Only the events that start with `prefix`.
    std::vector<std::string> EventsStartingWith(const std::string& prefix) const;
    std::vector<TransferOutcome> Finishes() const;
    // Waits for the next FinishTransfer after `count` earlier ones; nullopt after `limit`.
    std::optional<TransferOutcome> WaitForFinish(std::chrono::milliseconds limit, std::size_t count = 0) const;
    common::ProgressBarState Bar() const;

    std::function<void(TransferOutcome)> onFinish;

private:
    void Record(std::string event);

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<std::string> events;
    std::vector<TransferOutcome> finishes;
    common::ProgressBarState bar;
};

const char* OutcomeName(TransferOutcome outcome);

} // namespace vornalix::recovery::test

namespace vornalix::recovery {
// For test messages.
void PrintTo(TransferOutcome outcome, std::ostream* out);
} // namespace vornalix::recovery
