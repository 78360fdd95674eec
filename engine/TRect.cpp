#include "engine/TRect.h"

#include <algorithm>

bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2) {
    TRect R(std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
            std::min(R1.Bottom, R2.Bottom));
    if (R.IsEmpty()) {
        Dst = TRect();
        return false;
    }
    Dst = R;
    return true;
}

TRect OffsetRect(const TRect& R, std::int32_t DX, std::int32_t DY) {
    return TRect(R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY);
}
