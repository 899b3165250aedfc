#include "RecordingPage.h"

namespace vornalix::recovery::test {

void RecordingPage::Record(std::string event) {
    std::lock_guard lock(mutex);
    events.push_back(std::move(event));
    changed.notify_all();
}

void RecordingPage::SetTitleText(const std::string& text) {
    Record("title:" + text);
}
void RecordingPage::SetStatusText(const std::string& text) {
    Record("status:" + text);
}
void RecordingPage::SetPeerText(const std::string& text) {
    Record("peer:" + text);
}
void RecordingPage::InvalidateTitle() {
    Record("invalidate");
}
void RecordingPage::PostUpdate() {
    Record("update");
}

void RecordingPage::SetProgressRange(int low, int high) {
    {
        std::lock_guard lock(mutex);
        bar.SetRange(low, high);
    }
    Record("range:" + std::to_string(low) + "," + std::to_string(high));
}

void RecordingPage::SetProgressStep(int step) {
    {
        std::lock_guard lock(mutex);
        bar.SetStep(step);
    }
    Record("step:" + std::to_string(step));
}

void RecordingPage::SetProgressPos(int position) {
    {
        std::lock_guard lock(mutex);
        bar.SetPos(position);
    }
    Record("pos:" + std::to_string(position));
}

void RecordingPage::DisableBackAndCancel() {
    Record("disable");
}

void RecordingPage::FinishTransfer(TransferOutcome outcome) {
    if (onFinish)
        onFinish(outcome);
    std::lock_guard lock(mutex);
    events.push_back(std::string("finish:") + OutcomeName(outcome));
    finishes.push_back(outcome);
    changed.notify_all();
}

std::vector<std::string> RecordingPage::Events() const {
    std::lock_guard lock(mutex);
    return events;
}

std::vector<std::string> RecordingPage::EventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> selected;
    for (const std::string& event : Events())
        if (event.rfind(prefix, 0) == 0)
            selected.push_back(event);
    return selected;
}

std::vector<TransferOutcome> RecordingPage::Finishes() const {
    std::lock_guard lock(mutex);
    return finishes;
}

std::optional<TransferOutcome> RecordingPage::WaitForFinish(std::chrono::milliseconds limit, std::size_t count) const {
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, limit, [&] { return finishes.size() > count; }))
        return std::nullopt;
    return finishes[count];
}

common::ProgressBarState RecordingPage::Bar() const {
    std::lock_guard lock(mutex);
    return bar;
}

const char* OutcomeName(TransferOutcome outcome) {
    switch (outcome) {
    case TransferOutcome::Succeeded:
        return "succeeded";
    case TransferOutcome::Failed:
        return "failed";
    case TransferOutcome::SentNotConfirmed:
        return "sent-not-confirmed";
    }
    return "?";
}

} // namespace vornalix::recovery::test

void vornalix::recovery::PrintTo(TransferOutcome outcome, std::ostream* out) {
    *out << test::OutcomeName(outcome);
}
