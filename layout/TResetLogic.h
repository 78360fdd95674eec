// What the reset dialog does, without its widgets: the layout fields of a
// grid set from the settings record at each opening, the ratio of the cell
// size taken then, and the coupling that comes into force once the dialog is
// the active window. Every field writes its value into the settings record the
// moment it changes; Cancel undoes nothing.
#pragma once

#include "layout/TLayoutParams.h"

#include <string>

class TResetLogic {
public:
    explicit TResetLogic(TIniOption& Option) : Params(Option) {}

    TLayoutParams Params;

    // Every opening: the guard raised, the colour buttons and the fields set
    // from the settings record (each value brought into its field's range and
    // kept there), and the ratio taken from the cell size the fields show,
    // both sides at least 2.
    void Open();
    // The dialog became the active window: the guard comes down.
    void Activated() { Params.Guard = false; }
    // The message that refuses OK because the grid's canvas would not fit the
    // pixel store, "" when it may close.
    std::string OkRefusal() const { return Params.GridRefusal(); }
};
