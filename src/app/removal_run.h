// One removal run: where it shows what it does (the run display; a silent run has none) and what
// it records (the run's result). The removal sequences of both families work through this.
#pragma once

#include <string>

#include "app/run_result.h"

// What a run shows while it lasts. The dialog is one display.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;
    // The prompt gives way to the progress bar and the file name.
    virtual void PrepareRunControls() = 0;
    virtual void ShowFileName(const char* path) = 0;
    virtual void StepProgress() = 0;         // one step, then a short pause so that it is seen
    virtual void StepProgressNoPause() = 0;  // one step
    virtual void SetProgressPos(int pos) = 0;
    // The run has ended, completed or stopped: the display closes and says how it went.
    virtual void FinishRun(const RunResult& result) = 0;
};

class RemovalRun {
public:
    // display may be null: a silent run shows nothing.
    explicit RemovalRun(RunDisplay* display) : display_(display) {}

    RunResult& Result() { return result_; }
    const RunResult& Result() const { return result_; }
    RunDisplay* Display() const { return display_; }

    void Record(Action action, std::string target, Outcome outcome, w32::DWORD error = 0,
                std::string reason = {}) {
        result_.Record(action, std::move(target), outcome, error, std::move(reason));
    }
    void PrepareRunControls() {
        if (display_ != nullptr) display_->PrepareRunControls();
    }
    void ShowFileName(const char* path) {
        if (display_ != nullptr) display_->ShowFileName(path);
    }
    void StepProgress() {
        if (display_ != nullptr) display_->StepProgress();
    }
    void StepProgressNoPause() {
        if (display_ != nullptr) display_->StepProgressNoPause();
    }
    void SetProgressPos(int pos) {
        if (display_ != nullptr) display_->SetProgressPos(pos);
    }

private:
    RunDisplay* display_;
    RunResult result_;
};
