#include "main/TDragStartRule.h"

#include <cstdlib>

void TDragStartRule::Press(QPoint Pos, std::int64_t Time, int Distance) {
    FArmed = true;
    FPress = Pos;
    FDistance = Distance < 0 ? 0 : Distance;
    FPressTime = Time;
    FLastInput = Time;
}

bool TDragStartRule::Begin() {
    FArmed = false;
    return true;
}

bool TDragStartRule::Move(QPoint Pos, std::int64_t Time) {
    if (!FArmed)
        return false;
    FLastInput = Time;
    if (Time - FPressTime < kMoveDelayMs)
        return false;
    const bool outside =
        std::abs(Pos.x() - FPress.x()) > FDistance || std::abs(Pos.y() - FPress.y()) > FDistance;
    return outside ? Begin() : false;
}

void TDragStartRule::Input(std::int64_t Time) {
    if (FArmed)
        FLastInput = Time;
}

bool TDragStartRule::Tick(std::int64_t Time) {
    if (!FArmed || Time - FLastInput < kHoldMs)
        return false;
    return Begin();
}
