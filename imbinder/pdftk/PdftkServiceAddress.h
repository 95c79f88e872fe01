// Where the pdftk service of the program folder's pdftk launcher is reached. The launcher
// starts the service there; imbinder ends it there when a run of it stops answering.
#pragma once

#include <optional>
#include <string>

namespace imbinder {

struct PdftkServiceAddress {
    std::string socket;   // a host path in this user's private runtime folder
    std::string jar;      // the service's own classes
    std::string archive;  // the class archive beside the launcher; empty when there is none
};

// Where an installed program folder's service classes lie, relative to that folder.
extern const char* const kInstalledPdftkServiceJar;

// The address of the service of the launcher in programFolder (a host folder) for runs from
// the current folder. The socket's name stands for everything the service's answers depend
// on: the current folder (relative names resolve as in a plain run), the locale (arguments
// decode the same way) and the service's files. Nothing when the folder holds no service or
// no private runtime folder can be had.
std::optional<PdftkServiceAddress> FindPdftkServiceAddress(const std::string& programFolder);

}  // namespace imbinder
