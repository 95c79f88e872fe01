#include "OutputFile.h"

#include <cerrno>

namespace quirel {

OutputFile::OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (!file_) throw WriteError("cannot create " + path, errno);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::write(const void* data, size_t size) {
    if (std::fwrite(data, 1, size, file_) != size) throw WriteError("write failed", errno);
}

void OutputFile::close() {
    std::FILE* file = file_;
    file_ = nullptr;
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) throw WriteError("close failed", errno);
}

}  // namespace quirel
