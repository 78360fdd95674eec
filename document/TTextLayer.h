// A line of text on the canvas: a bitmap layer told apart from the picture
// layers by its kind, whatever its tag.
#pragma once

#include "engine/TLayers.h"

class TTextLayer : public TBitmapLayer {
public:
    using TBitmapLayer::TBitmapLayer;
    const char* ClassName() const override { return "TTextLayer"; }
};

// The tag of every text layer.
constexpr int kTextLayerTag = 999;
