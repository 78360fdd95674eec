// What the creation wizard does, without its widgets: the three pages and
// their buttons, the kind of picture, the sample picture with the cell-size
// coupling it starts, the empty picture's size, the list of pictures, and the
// resets of each opening. Every field writes its value into the settings
// record the moment it changes; Cancel undoes nothing.
#pragma once

#include "layout/TLayoutParams.h"
#include "layout/TPictureEntryList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The file types of the sample picture's open dialog, as
// "description|masks|description|masks...", "All" first.
std::string SampleFileFilter();

enum class TWizardKind {
    None,  // neither radio button selected
    Grid,  // rbWizard, "Create a new picture with step-by-step"
    Empty, // rbEmpty, "Use width and height to create an empty picture"
};

// How measuring a sample picture ended.
enum class TSampleResult {
    None,       // there was no file to measure
    LoadFailed, // "Sorry. Can not open this picture!"
    TooSmall,   // "Dimensions of sample picture is very small!"
    Measured,
};

// The message for a result, "" for None and Measured.
std::string SampleMessage(TSampleResult Result);

class TWizardLogic {
public:
    // True when Path names an existing regular file.
    using TFileExists = std::function<bool(const std::string& Path)>;
    // Loads a picture and gives its size; false when it cannot be loaded.
    using TMeasure = std::function<bool(const std::string& File, int& Width, int& Height)>;

    // Empty hooks take the file system and the picture loader.
    explicit TWizardLogic(TIniOption& Option, TFileExists FileExists = nullptr,
                          TMeasure Measure = nullptr);

    TLayoutParams Params;
    TPictureEntryList Pictures;

    // Every opening: page 1 with "&Next >" off, the sample field emptied, the
    // colour buttons and every number field set from the settings record
    // (each value brought into its field's range and kept there, the coupling
    // held back meanwhile), then page 1 updated. The kind, cbAspectRatio, the
    // list, the sample's size and ratio and the coupling are kept.
    void Open();

    // ---- Page 1 ----
    TWizardKind Kind() const { return FKind; }
    // A click on a radio button.
    void SelectKind(TWizardKind Kind);
    const std::string& SampleText() const { return FSampleText; }
    // The sample field's text changed (typed or set).
    void SetSampleText(const std::string& Text);
    // The empty picture's size fields.
    std::int32_t NewWidth() const { return FNewWidth; }
    std::int32_t NewHeight() const { return FNewHeight; }
    void SetNewWidth(std::int64_t Value);
    void SetNewHeight(std::int64_t Value);
    bool SizeFieldsEnabled() const { return FSizeFieldsEnabled; }
    bool SampleFieldEnabled() const { return FSampleFieldEnabled; }
    // True when a grid is to be made (rbWizard selected).
    bool GridFlag() const { return FGridFlag; }

    // ---- The sample picture ----
    // The folder the sample's open dialog starts in: that of the file named in
    // the field when that folder exists, otherwise ScrIniPath.
    std::string SampleDialogFolder() const;
    // The dialog closed: Chosen is the file chosen, or "" after a cancel. The
    // file (or after a cancel the one in the field) is measured if it exists;
    // a chosen file becomes the field's text unless it could not be loaded.
    TSampleResult SampleDialogClosed(const std::string& Chosen);
    // Measures File: ScrIniPath becomes its folder, then its size and, from at
    // least 2 x 2 pixels, the ratio are kept, and with cbAspectRatio ticked the
    // cell size follows the ratio and the coupling comes into force.
    TSampleResult MeasureSample(const std::string& File);
    std::int32_t SampleWidth() const { return FSampleWidth; }
    std::int32_t SampleHeight() const { return FSampleHeight; }
    double SampleRatio() const { return FSampleRatio; }
    // "Original dimensions": the cell width, then its height, set to the sample's.
    void UseOriginalDimensions();

    // ---- Pages and buttons ----
    // 0, 1 or 2.
    int Page() const { return FPage; }
    bool BackEnabled() const { return FPage > 0; }
    bool NextEnabled() const { return FPage == 0 ? FNextOnPage1 : FPage == 1; }
    bool FinishEnabled() const { return FPage == 0 ? FFinishOnPage1 : FPage == 2; }
    // "&Next >": a sample typed into the field and not measured yet is
    // measured first; the result tells what to show.
    TSampleResult Next();
    void Back();
    // The message that refuses "&Finish" because the picture's canvas would
    // not fit the pixel store, "" when it may finish.
    std::string FinishRefusal() const;

    // ---- Page 3 ----
    // "Add" with the files the dialog listed: each whose path is no entry yet
    // is appended, Appended running after each one (to show it); then
    // ScrIniPath becomes the folder of the first file.
    void AddPictures(const std::vector<std::string>& Files,
                     const std::function<void(int Index)>& Appended = nullptr);
    // The file the preview shows after a change of the selection: the
    // current entry's when it is selected and exists, "" to leave the preview.
    std::string PreviewFile() const;

private:
    void UpdatePage1();

    TFileExists FFileExists;
    TMeasure FMeasure;
    TWizardKind FKind = TWizardKind::None;
    std::string FSampleText;
    // The text of the sample field when it was last measured.
    std::string FMeasuredText;
    bool FMeasuredOnce = false;
    std::int32_t FNewWidth;
    std::int32_t FNewHeight;
    bool FSizeFieldsEnabled = false;
    bool FSampleFieldEnabled = false;
    bool FGridFlag = false;
    std::int32_t FSampleWidth = 0;
    std::int32_t FSampleHeight = 0;
    double FSampleRatio = 0;
    int FPage = 0;
    bool FNextOnPage1 = false;
    bool FFinishOnPage1 = false;
};

// ScrIniPath for a file: its folder, in the platform's separators, ending in one.
std::string FolderWithSeparator(const std::string& File);
