#pragma once
// Runs an undo step when the scope ends, unless the step that needed undoing
// was kept (dismiss). For undo work no handle owner fits: deleting a temporary
// file, giving back a lock on a failure path.

#include <utility>

template <typename Undo>
class ScopeExit {
public:
    explicit ScopeExit(Undo undo) noexcept : undo_(std::move(undo)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (armed_) undo_();
    }

    // What was done is kept: the undo step no longer runs.
    void dismiss() noexcept { armed_ = false; }

private:
    Undo undo_;
    bool armed_ = true;
};
