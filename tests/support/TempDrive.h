// Temporary folders for tests, and drive C: pointed at one of them.
#pragma once

#include <string>

namespace testing_support {

// A fresh host folder, removed with everything in it at the end of its scope.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& host() const { return host_; }
    // The same folder in Windows form.
    std::string windows() const;
    // Writes a file below the folder (relative host path, parents created); returns its host path.
    std::string WriteFile(const std::string& relative, const std::string& contents = "x") const;
    std::string MakeFolder(const std::string& relative) const;

  private:
    std::string host_;
};

// Drive C: is a temporary folder while this lives; the program folder is the build's.
class TempCDrive {
  public:
    TempCDrive();
    ~TempCDrive();
    const TempFolder& root() const { return root_; }

  private:
    TempFolder root_;
};

// Marks a host file immutable, so that not even root can delete it; false when the file
// system does not allow it. Clear it again before the folder is removed.
bool SetImmutable(const std::string& hostPath, bool immutable);

}  // namespace testing_support
