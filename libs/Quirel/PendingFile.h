// A page file written under a temporary name beside its final one and renamed into place
// when complete, so a failed write never truncates an older file of that name.
#pragma once

#include <string>

namespace quirel {

class PendingFile {
  public:
    // Creates a new, empty temporary file beside target; throws WriteError when it cannot.
    explicit PendingFile(std::string target);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write: the temporary file.
    const std::string& path() const { return path_; }
    // Renames the written file to the target, replacing an older one; throws WriteError.
    void commit();

  private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

}  // namespace quirel
