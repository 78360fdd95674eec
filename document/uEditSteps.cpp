#include "document/uEditSteps.h"

#include "document/TMergeDocument.h"
#include "document/TTextLayer.h"
#include "engine/TBitmap32.h"
#include "engine/TRubberbandLayer.h"

#include <utility>

TPictureState::TPictureState() = default;
TPictureState::~TPictureState() = default;
TPictureState::TPictureState(TPictureState&&) noexcept = default;
TPictureState& TPictureState::operator=(TPictureState&&) noexcept = default;

std::size_t TPictureState::Bytes() const {
    std::size_t bytes = 0;
    if (Canvas)
        bytes += std::size_t(Canvas->Width()) * std::size_t(Canvas->Height()) * 4;
    for (const auto& layer : Layers)
        if (const auto* b = dynamic_cast<const TBitmapLayer*>(layer.get()))
            bytes += std::size_t(b->Bitmap().Width()) * std::size_t(b->Bitmap().Height()) * 4;
    // The thumbnails are shared with the lists they came from and small.
    return bytes;
}

std::vector<TCustomLayer*> LayerOrder(const TLayerCollection& Layers) {
    std::vector<TCustomLayer*> order;
    for (int i = 0; i < Layers.Count(); ++i)
        order.push_back(Layers.Items(i));
    return order;
}

void RestoreLayerOrder(const std::vector<TCustomLayer*>& Order) {
    // Each layer in turn to its place, from the bottom: the stack ends exactly
    // in this order.
    for (std::size_t i = 0; i < Order.size(); ++i)
        if (Order[i]->Collection())
            Order[i]->SetIndex(int(i));
}

namespace {

bool IsPicture(const TCustomLayer* Layer) {
    return dynamic_cast<const TBitmapLayer*>(Layer) && !dynamic_cast<const TTextLayer*>(Layer);
}

} // namespace

std::map<TCustomLayer*, int> PictureTags(const TLayerCollection& Layers) {
    std::map<TCustomLayer*, int> tags;
    for (int i = 0; i < Layers.Count(); ++i)
        if (IsPicture(Layers.Items(i)))
            tags[Layers.Items(i)] = Layers.Items(i)->Tag;
    return tags;
}

void RestoreTags(const std::map<TCustomLayer*, int>& Tags) {
    for (const auto& [layer, tag] : Tags)
        layer->Tag = tag;
}

void TakeLists(const TMergeDocument& Document, TPictureState& State) {
    State.Files = Document.PicFileList;
    State.Thumbnails = Document.ImgPicList;
    State.GridMode = Document.GridMode;
}

void TakePicture(TMergeDocument& Document, TPictureState& State) {
    TakeLists(Document, State);
    // What can fail (copies, memory) is done while the layers are still in the
    // document, so that a failure leaves the picture as it was.
    auto canvas = std::make_unique<TBitmap32>();
    canvas->Assign(Document.Canvas());
    TCanvasSource canvasSource = Document.CanvasSource();
    TLayerCollection& layers = Document.Layers();
    State.Layers.clear();
    State.Layers.reserve(std::size_t(layers.Count()));
    Document.SelectLayer(nullptr);
    // The frame is the document's own; it is made again at the next selection.
    if (Document.RubberBand) {
        delete Document.RubberBand;
        Document.RubberBand = nullptr;
    }
    while (layers.Count() > 0) {
        TCustomLayer* layer = layers.Items(0);
        layer->SetCollection(nullptr);
        State.Layers.emplace_back(layer);
    }
    State.Canvas = std::move(canvas);
    State.CanvasSource = std::move(canvasSource);
    State.BuiltLayout = Document.BuiltLayout();
    State.HasPicture = true;
}

void PutPicture(TMergeDocument& Document, TPictureState& State) {
    Document.SelectLayer(nullptr);
    if (State.HasPicture) {
        TLayerCollection& layers = Document.Layers();
        for (auto& layer : State.Layers)
            layer.release()->SetCollection(&layers);
        State.Layers.clear();
        const TDrawMode mode = Document.Canvas().DrawMode();
        Document.Canvas().Assign(*State.Canvas);
        Document.Canvas().SetDrawMode(mode);
        State.Canvas.reset();
        Document.RestoreCanvasSource(std::move(State.CanvasSource), State.BuiltLayout);
        State.CanvasSource = TCanvasSource();
        State.HasPicture = false;
    }
    Document.PicFileList = State.Files;
    Document.ImgPicList = State.Thumbnails;
    Document.GridMode = State.GridMode;
    Document.PictureRestored();
}

namespace {

// A layer's value set to one of two states (a location, an opacity, ...). A
// continued step takes the next continued one for the same layer and value
// into itself: arrow presses, a slider still held.
template <typename TValue> class TTwoStateStep : public TDocumentStep {
public:
    TTwoStateStep(TMergeDocument& D, TCustomLayer* Layer, TValue Before, TValue After,
                  const std::string& Name, bool Continued,
                  std::function<void(TCustomLayer*, const TValue&)> Apply)
        : TDocumentStep(D, Name), FLayer(Layer), FBefore(std::move(Before)),
          FAfter(std::move(After)), FContinued(Continued), FApply(std::move(Apply)) {}
    void Undo() override { FApply(FLayer, FBefore); }
    void Redo() override { FApply(FLayer, FAfter); }
    TCustomLayer* Touched(bool) const override { return FLayer; }
    bool Absorb(const TEditStep& Next) override {
        const auto* next = dynamic_cast<const TTwoStateStep*>(&Next);
        if (!FContinued || !next || !next->FContinued || next->FLayer != FLayer ||
            next->FName != FName)
            return false;
        FAfter = next->FAfter;
        return true;
    }

private:
    TCustomLayer* FLayer;
    TValue FBefore, FAfter;
    bool FContinued;
    std::function<void(TCustomLayer*, const TValue&)> FApply;
};

class TOrderStep : public TDocumentStep {
public:
    TOrderStep(TMergeDocument& D, TCustomLayer* Layer, std::vector<TCustomLayer*> Before,
               std::vector<TCustomLayer*> After, const std::string& Name)
        : TDocumentStep(D, Name), FLayer(Layer), FBefore(std::move(Before)),
          FAfter(std::move(After)) {}
    void Undo() override { RestoreLayerOrder(FBefore); }
    void Redo() override { RestoreLayerOrder(FAfter); }
    TCustomLayer* Touched(bool) const override { return FLayer; }

private:
    TCustomLayer* FLayer;
    std::vector<TCustomLayer*> FBefore, FAfter;
};

// The document applies the edit and keeps the layer's list of edits in step.
class TLayerEditStep : public TDocumentStep {
public:
    TLayerEditStep(TMergeDocument& D, TBitmapLayer* Layer, TLayerEdit Edit, const std::string& Name)
        : TDocumentStep(D, Name), FLayer(Layer), FEdit(Edit) {}
    void Undo() override { FDocument.TakeBackEdit(FLayer, FEdit); }
    void Redo() override { FDocument.ApplyEdit(FLayer, FEdit); }
    TCustomLayer* Touched(bool) const override { return FLayer; }

protected:
    TBitmapLayer* FLayer;
    TLayerEdit FEdit;
};

class TTurnStep : public TLayerEditStep {
public:
    TTurnStep(TMergeDocument& D, TBitmapLayer* Layer, TLayerEdit Edit, const TRectF& Before,
              const TRectF& After, const std::string& Name)
        : TLayerEditStep(D, Layer, Edit, Name), FBefore(Before), FAfter(After) {}
    void Undo() override {
        TLayerEditStep::Undo();
        FDocument.PlaceLayer(FLayer, FBefore);
    }
    void Redo() override {
        TLayerEditStep::Redo();
        FDocument.PlaceLayer(FLayer, FAfter);
    }

private:
    TRectF FBefore, FAfter;
};

// Puts an entry back into both lists at its place.
void InsertEntry(TMergeDocument& D, const TRemovedEntry& Entry) {
    D.PicFileList.insert(D.PicFileList.begin() + Entry.Index, Entry.File);
    D.ImgPicList.insert(D.ImgPicList.begin() + Entry.Index, Entry.Thumbnail);
}

void EraseEntry(TMergeDocument& D, const TRemovedEntry& Entry) {
    D.PicFileList.erase(D.PicFileList.begin() + Entry.Index);
    D.ImgPicList.erase(D.ImgPicList.begin() + Entry.Index);
}

// A layer in or out of the picture; the step owns it while it is out.
class TLayerInOutStep : public TDocumentStep {
public:
    TLayerInOutStep(TMergeDocument& D, const std::string& Name, TRemovedEntry Entry)
        : TDocumentStep(D, Name), FEntry(std::move(Entry)) {}
    // The layer's picture while the step holds it out of the document.
    std::size_t KeptBytes() const override {
        const auto* b = dynamic_cast<const TBitmapLayer*>(FOwned.get());
        return b ? std::size_t(b->Bitmap().Width()) * std::size_t(b->Bitmap().Height()) * 4 : 0;
    }
    bool ChangesList() const override { return FEntry.Index >= 0; }

protected:
    // Takes the layer out, with its entry; the other layers' tags as in Tags.
    void TakeOut(const std::map<TCustomLayer*, int>& Tags) {
        FDocument.SelectLayer(nullptr);
        FLayer->SetCollection(nullptr);
        FOwned.reset(FLayer);
        if (FEntry.Index >= 0)
            EraseEntry(FDocument, FEntry);
        RestoreTags(Tags);
        FDocument.PictureRestored();
    }
    void PutIn(const std::vector<TCustomLayer*>& Order, const std::map<TCustomLayer*, int>& Tags) {
        FOwned.release()->SetCollection(&FDocument.Layers());
        RestoreLayerOrder(Order);
        if (FEntry.Index >= 0)
            InsertEntry(FDocument, FEntry);
        RestoreTags(Tags);
        FDocument.PictureRestored();
    }

    TCustomLayer* FLayer = nullptr;
    std::unique_ptr<TCustomLayer> FOwned;
    TRemovedEntry FEntry;
};

class TDeleteStep : public TLayerInOutStep {
public:
    TDeleteStep(TMergeDocument& D, std::unique_ptr<TCustomLayer> Layer,
                std::vector<TCustomLayer*> OrderBefore, std::map<TCustomLayer*, int> TagsBefore,
                TRemovedEntry Entry, const std::string& Name)
        : TLayerInOutStep(D, Name, std::move(Entry)), FOrderBefore(std::move(OrderBefore)),
          FTagsBefore(std::move(TagsBefore)), FTagsAfter(PictureTags(D.Layers())) {
        FLayer = Layer.get();
        FOwned = std::move(Layer);
    }
    void Undo() override { PutIn(FOrderBefore, FTagsBefore); }
    void Redo() override { TakeOut(FTagsAfter); }
    TCustomLayer* Touched(bool Undone) const override { return Undone ? FLayer : nullptr; }

private:
    std::vector<TCustomLayer*> FOrderBefore;
    std::map<TCustomLayer*, int> FTagsBefore, FTagsAfter;
};

class TAddStep : public TLayerInOutStep {
public:
    TAddStep(TMergeDocument& D, TCustomLayer* Layer, std::vector<TCustomLayer*> OrderAfter,
             TRemovedEntry Entry, const std::string& Name)
        : TLayerInOutStep(D, Name, std::move(Entry)), FOrderAfter(std::move(OrderAfter)),
          FTags(PictureTags(D.Layers())) {
        FLayer = Layer;
    }
    void Undo() override { TakeOut(FTags); }
    void Redo() override { PutIn(FOrderAfter, FTags); }
    TCustomLayer* Touched(bool Undone) const override { return Undone ? nullptr : FLayer; }

private:
    std::vector<TCustomLayer*> FOrderAfter;
    std::map<TCustomLayer*, int> FTags;
};

// The whole picture swapped: one state in the document, the other here.
class TWholeStep : public TDocumentStep {
public:
    TWholeStep(TMergeDocument& D, TPictureState Before, const std::string& Name)
        : TDocumentStep(D, Name), FHeld(std::move(Before)) {}
    void Undo() override { Swap(); }
    void Redo() override { Swap(); }
    std::size_t KeptBytes() const override { return FHeld.Bytes(); }
    bool ChangesList() const override { return true; }

    // For a list step that takes the rebuild following it in.
    TPictureState TakeHeld() { return std::move(FHeld); }
    bool HeldListEquals(const TMergeDocument& D) const {
        return FHeld.Files == D.PicFileList && FHeld.GridMode == D.GridMode;
    }

private:
    void Swap() {
        TPictureState now;
        if (FHeld.HasPicture)
            TakePicture(FDocument, now);
        else
            TakeLists(FDocument, now);
        PutPicture(FDocument, FHeld);
        FHeld = std::move(now);
    }
    TPictureState FHeld;
};

class TListStep : public TDocumentStep {
public:
    TListStep(TMergeDocument& D, TPictureState Before, TPictureState After,
              std::map<TCustomLayer*, int> TagsBefore, std::map<TCustomLayer*, int> TagsAfter,
              const std::string& Name)
        : TDocumentStep(D, Name), FBefore(std::move(Before)), FAfter(std::move(After)),
          FTagsBefore(std::move(TagsBefore)), FTagsAfter(std::move(TagsAfter)) {}
    void Undo() override {
        if (FRebuilt)
            Swap(); // the picture from before the rebuild, with the list it showed
        PutLists(FBefore, FTagsBefore);
    }
    void Redo() override {
        PutLists(FAfter, FTagsAfter);
        if (FRebuilt)
            Swap();
    }
    std::size_t KeptBytes() const override { return FPicture.Bytes(); }
    bool ChangesList() const override { return true; }
    // Without its rebuild, the list done again waits for one; taken back, it
    // matches the picture again.
    bool ListWantsRebuild(bool Undone) const override { return !Undone && !FRebuilt; }
    bool AwaitsFollowUp() const override { return !FRebuilt; }
    // The rebuild that the list's change led to becomes part of it.
    bool Absorb(const TEditStep& Next) override {
        auto* rebuild = dynamic_cast<TWholeStep*>(const_cast<TEditStep*>(&Next));
        if (FRebuilt || !rebuild || rebuild->Name() != "Rebuild Picture" ||
            !rebuild->HeldListEquals(FDocument))
            return false;
        FPicture = rebuild->TakeHeld();
        FRebuilt = true;
        return true;
    }

private:
    void PutLists(const TPictureState& State, const std::map<TCustomLayer*, int>& Tags) {
        FDocument.PicFileList = State.Files;
        FDocument.ImgPicList = State.Thumbnails;
        FDocument.GridMode = State.GridMode;
        RestoreTags(Tags);
        FDocument.PictureRestored();
    }
    // Exchanges the picture in the document with the one held.
    void Swap() {
        TPictureState now;
        TakePicture(FDocument, now);
        const std::vector<std::string> files = FDocument.PicFileList;
        const std::vector<QImage> thumbnails = FDocument.ImgPicList;
        PutPicture(FDocument, FPicture);
        // Only the picture moves; the lists are the step's to set.
        FDocument.PicFileList = files;
        FDocument.ImgPicList = thumbnails;
        FPicture = std::move(now);
    }
    TPictureState FBefore, FAfter, FPicture;
    std::map<TCustomLayer*, int> FTagsBefore, FTagsAfter;
    bool FRebuilt = false;
};

} // namespace

std::unique_ptr<TDocumentStep> LocationStep(TMergeDocument& Document, TPositionedLayer* Layer,
                                            const TRectF& Before, const TRectF& After,
                                            const std::string& Name, bool Continued) {
    return std::make_unique<TTwoStateStep<TRectF>>(
        Document, Layer, Before, After, Name, Continued,
        [&Document](TCustomLayer* l, const TRectF& r) {
            Document.PlaceLayer(static_cast<TPositionedLayer*>(l), r);
        });
}

std::unique_ptr<TDocumentStep> ValueStep(TMergeDocument& Document, TCustomLayer* Layer,
                                         int Before, int After, const std::string& Name,
                                         bool Continued,
                                         std::function<void(TCustomLayer*, int)> Apply) {
    return std::make_unique<TTwoStateStep<int>>(
        Document, Layer, Before, After, Name, Continued,
        [Apply = std::move(Apply)](TCustomLayer* l, const int& v) { Apply(l, v); });
}

std::unique_ptr<TDocumentStep> OrderStep(TMergeDocument& Document, TCustomLayer* Layer,
                                         std::vector<TCustomLayer*> Before,
                                         std::vector<TCustomLayer*> After, const std::string& Name) {
    return std::make_unique<TOrderStep>(Document, Layer, std::move(Before), std::move(After), Name);
}

std::unique_ptr<TDocumentStep> EditStep(TMergeDocument& Document, TBitmapLayer* Layer,
                                        TLayerEdit Edit, const std::string& Name) {
    return std::make_unique<TLayerEditStep>(Document, Layer, Edit, Name);
}

std::unique_ptr<TDocumentStep> TurnStep(TMergeDocument& Document, TBitmapLayer* Layer,
                                        TLayerEdit Edit, const TRectF& Before,
                                        const TRectF& After, const std::string& Name) {
    return std::make_unique<TTurnStep>(Document, Layer, Edit, Before, After, Name);
}

std::unique_ptr<TDocumentStep> DeleteStep(TMergeDocument& Document,
                                          std::unique_ptr<TCustomLayer> Layer,
                                          std::vector<TCustomLayer*> OrderBefore,
                                          std::map<TCustomLayer*, int> TagsBefore,
                                          TRemovedEntry Entry, const std::string& Name) {
    return std::make_unique<TDeleteStep>(Document, std::move(Layer), std::move(OrderBefore),
                                         std::move(TagsBefore), std::move(Entry), Name);
}

std::unique_ptr<TDocumentStep> AddStep(TMergeDocument& Document, TCustomLayer* Layer,
                                       std::vector<TCustomLayer*> OrderAfter, TRemovedEntry Entry,
                                       const std::string& Name) {
    return std::make_unique<TAddStep>(Document, Layer, std::move(OrderAfter), std::move(Entry),
                                      Name);
}

std::unique_ptr<TDocumentStep> ListStep(TMergeDocument& Document, TPictureState Before,
                                        TPictureState After, std::map<TCustomLayer*, int> TagsBefore,
                                        std::map<TCustomLayer*, int> TagsAfter,
                                        const std::string& Name) {
    return std::make_unique<TListStep>(Document, std::move(Before), std::move(After),
                                       std::move(TagsBefore), std::move(TagsAfter), Name);
}

std::unique_ptr<TDocumentStep> WholeStep(TMergeDocument& Document, TPictureState Before,
                                         const std::string& Name) {
    return std::make_unique<TWholeStep>(Document, std::move(Before), Name);
}
