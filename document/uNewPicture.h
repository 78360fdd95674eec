// The part of the New command that the document does: a new picture of either
// kind replaces the picture list before the picture is built.
#pragma once

#include <string>
#include <vector>

class TMergeDocument;
struct TMergeLayout;

// Refuses (throws, changing nothing) a Layout whose canvas would not fit the
// pixel store. Otherwise the document becomes a grid or an empty picture and
// waits to be saved, its lists are emptied, and for a grid every file of Files
// whose thumbnail can be made joins them, in order (the others are left out
// without a message). The caller rebuilds the picture afterwards.
void StartNewPicture(TMergeDocument& Document, bool Grid, const std::vector<std::string>& Files,
                     const TMergeLayout& Layout);
