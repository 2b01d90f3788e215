#pragma once

namespace mirelo {

// The hourglass, with one nesting count for the whole program.
class WaitCursor {
public:
    void Begin();
    void End();
    // Shows the hourglass again while any holder remains, after message dispatch or a
    // dialog has changed the pointer.
    void Restore();

private:
    int depth_ = 0;
};

// Holds the wait cursor for a scope.
class WaitCursorScope {
public:
    explicit WaitCursorScope(WaitCursor& cursor) : cursor_(cursor) { cursor_.Begin(); }
    ~WaitCursorScope() { cursor_.End(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;

private:
    WaitCursor& cursor_;
};

}  // namespace mirelo
