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

}  // namespace mirelo
