// A file opened for writing that reports every failed write as a WriteError.
#pragma once

#include <cstdio>
#include <string>

#include "PageEncoder.h"

namespace quirel {

class OutputFile {
  public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(const void* data, size_t size);
    // Flushes and closes; throws when the data did not all reach the file.
    void close();
    std::FILE* handle() const { return file_; }

  private:
    std::FILE* file_;
};

}  // namespace quirel
