// The end of a build: the merged document copied to its place, or why there is none.
#pragma once

#include <string>

#include "PdftkMerge.h"
#include "platform/Host.h"

namespace imbinder {

struct BuildEnd {
    std::string outputFolder;  // Windows form, without a trailing backslash
    std::string title;         // the document title as typed
    int pages = 0;             // the page files written
    MergeRuns merge;           // how the last merge stage ended
    int failedStarts = 0;      // pdftk runs that could not start
};

// Copies the merged file to "<folder>\<result name>.pdf", replacing a file of that name.
platform::Outcome DeliverResult(const BuildEnd& end);

}  // namespace imbinder
