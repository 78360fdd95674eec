// The steps of the document's undo history, one kind for each edit. A step
// keeps what it needs to take its edit back and to do it again: two
// rectangles for a move, the layer itself for a delete, the whole former
// picture for a flatten or a rebuild. Layers are told apart by their objects,
// which a step keeps alive while it holds them out of the picture.
#pragma once

#include "document/TEditHistory.h"
#include "document/TMergeDocument.h"
#include "document/uLayerSource.h"
#include "engine/TLayers.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TDocumentStep : public TEditStep {
public:
    TDocumentStep(TMergeDocument& Document, std::string Name)
        : FDocument(Document), FName(std::move(Name)) {}
    std::string Name() const override { return FName; }
    // The layer to select once the step has been undone (Undone) or done
    // again; null for none.
    virtual TCustomLayer* Touched(bool /*Undone*/) const { return nullptr; }
    // After an undo (Undone) or a redo: the picture list differs from what
    // the canvas shows, so the list's rebuild should follow; or, for false,
    // any rebuild the list was waiting for is no longer wanted.
    virtual bool ListWantsRebuild(bool /*Undone*/) const { return false; }
    // True for a step that changed the picture list.
    virtual bool ChangesList() const { return false; }

protected:
    TMergeDocument& FDocument;
    std::string FName;
};

// The picture as a whole: canvas, layers (bottom first, the frame left out),
// the picture list and the kind of picture. While a state holds the layers
// they are out of the document and owned here, with what the canvas was made
// of and the layout it was built by.
struct TPictureState {
    std::unique_ptr<TBitmap32> Canvas;
    TCanvasSource CanvasSource;
    TMergeLayout BuiltLayout;
    std::vector<std::unique_ptr<TCustomLayer>> Layers;
    std::vector<std::string> Files;
    std::vector<QImage> Thumbnails;
    bool GridMode = false;
    bool HasPicture = false; // canvas and layers are held here

    TPictureState();
    ~TPictureState();
    TPictureState(TPictureState&&) noexcept;
    TPictureState& operator=(TPictureState&&) noexcept;
    std::size_t Bytes() const;
};

// Takes the canvas and every layer out of the document into State (the frame
// is freed; the document keeps an empty canvas of the same size until
// something replaces it), and copies the lists and the kind.
void TakePicture(TMergeDocument& Document, TPictureState& State);
void TakeLists(const TMergeDocument& Document, TPictureState& State);
// Puts State's canvas and layers back (when it holds them) and its lists and
// kind, dropping the frame's selection.
void PutPicture(TMergeDocument& Document, TPictureState& State);

// The layers of the collection in stack order (the frame included), and the
// stack put back into that order.
std::vector<TCustomLayer*> LayerOrder(const TLayerCollection& Layers);
void RestoreLayerOrder(const std::vector<TCustomLayer*>& Order);
// Every picture layer's tag.
std::map<TCustomLayer*, int> PictureTags(const TLayerCollection& Layers);
void RestoreTags(const std::map<TCustomLayer*, int>& Tags);

// A new location for Layer (through the frame when it frames the layer). A
// continued step (arrow presses, Continued) takes the next one of its kind for
// the same layer into itself.
std::unique_ptr<TDocumentStep> LocationStep(TMergeDocument& Document, TPositionedLayer* Layer,
                                            const TRectF& Before, const TRectF& After,
                                            const std::string& Name, bool Continued);
// A property of a layer with two values: opacity (continued while a slider is
// held), cropping, scaled.
std::unique_ptr<TDocumentStep> ValueStep(TMergeDocument& Document, TCustomLayer* Layer,
                                         int Before, int After, const std::string& Name,
                                         bool Continued,
                                         std::function<void(TCustomLayer*, int)> Apply);
// A new order of the stack.
std::unique_ptr<TDocumentStep> OrderStep(TMergeDocument& Document, TCustomLayer* Layer,
                                         std::vector<TCustomLayer*> Before,
                                         std::vector<TCustomLayer*> After, const std::string& Name);
// A flip or half turn of a layer's picture, in place.
std::unique_ptr<TDocumentStep> EditStep(TMergeDocument& Document, TBitmapLayer* Layer,
                                        TLayerEdit Edit, const std::string& Name);
// A quarter turn (Turn90 or Turn270) with the layer's locations.
std::unique_ptr<TDocumentStep> TurnStep(TMergeDocument& Document, TBitmapLayer* Layer,
                                        TLayerEdit Edit, const TRectF& Before,
                                        const TRectF& After, const std::string& Name);
// A layer taken out of the picture (it is handed over here), with the list
// entry that went with it: Entry -1 for none.
struct TRemovedEntry {
    int Index = -1;
    std::string File;
    QImage Thumbnail;
};
std::unique_ptr<TDocumentStep> DeleteStep(TMergeDocument& Document,
                                          std::unique_ptr<TCustomLayer> Layer,
                                          std::vector<TCustomLayer*> OrderBefore,
                                          std::map<TCustomLayer*, int> TagsBefore,
                                          TRemovedEntry Entry, const std::string& Name);
// A layer added to the picture (a text, a dropped picture), with the list
// entry that came with it (Entry.Index -1 for none).
std::unique_ptr<TDocumentStep> AddStep(TMergeDocument& Document, TCustomLayer* Layer,
                                       std::vector<TCustomLayer*> OrderAfter, TRemovedEntry Entry,
                                       const std::string& Name);
// A change of the picture list alone; the rebuild that follows it joins it
// when it comes next.
std::unique_ptr<TDocumentStep> ListStep(TMergeDocument& Document, TPictureState Before,
                                        TPictureState After, std::map<TCustomLayer*, int> TagsBefore,
                                        std::map<TCustomLayer*, int> TagsAfter,
                                        const std::string& Name);
// A change of the whole picture (a rebuild, New, Reset, flatten): Before
// holds what the change took out; the document holds what it made.
std::unique_ptr<TDocumentStep> WholeStep(TMergeDocument& Document, TPictureState Before,
                                         const std::string& Name);
