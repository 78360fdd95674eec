#include "layout/TResetLogic.h"

void TResetLogic::Open() {
    Params.Guard = true;
    Params.ShowColours();
    Params.ShowGridFields();
    Params.Ratio = double(Params.ResizeWidth()) / double(Params.ResizeHeight());
}
