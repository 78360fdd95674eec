// When a press on a thumbnail becomes a drag, apart from any widget: the
// pointer leaves the drag rectangle around the press point (moves in the first
// moments after the press do not count, so that a hasty click stays a click),
// or the button is held still long enough. Times are in milliseconds on any
// steady clock.
#pragma once

#include <QPoint>

#include <cstdint>

class TDragStartRule {
public:
    // Moves sooner than this after the press do not start a drag.
    static constexpr std::int64_t kMoveDelayMs = 200;
    // Holding the button this long with no input starts one.
    static constexpr std::int64_t kHoldMs = 500;

    // The button went down at Pos; Distance is the platform's drag distance:
    // the pointer must get more than that far from Pos on either axis.
    void Press(QPoint Pos, std::int64_t Time, int Distance);
    // True between a press and the start of its drag or its cancelling.
    bool Armed() const { return FArmed; }
    // The pointer moved with the button held; true when the drag begins now.
    bool Move(QPoint Pos, std::int64_t Time);
    // Other input (a key): the button is no longer held still.
    void Input(std::int64_t Time);
    // Time has passed; true when the button has now been held still long enough.
    bool Tick(std::int64_t Time);
    // The button was released, Escape pressed or the mouse lost: no drag.
    void Cancel() { FArmed = false; }
    // When Tick is next worth asking (the hold would be complete).
    std::int64_t HoldDeadline() const { return FLastInput + kHoldMs; }

private:
    bool Begin();

    bool FArmed = false;
    QPoint FPress;
    int FDistance = 0;
    std::int64_t FPressTime = 0;
    std::int64_t FLastInput = 0;
};
