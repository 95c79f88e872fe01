// The argument and environment arrays that exec takes, pointing into the caller's words;
// made before a fork, since the child may not allocate.
#pragma once

#include <string>
#include <vector>

namespace platform {

inline std::vector<char*> ExecArray(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace platform
