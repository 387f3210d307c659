// The state of the one operation of a run, shared by Master::Main and the result window.
#pragma once
#include <string>

struct cVelmServer {
    std::string FilePath;
    std::string Operation;  // "R", "U" or "V"
    bool Operation_Finished = false;
    bool Operation_Succeeded = false;
    std::string Operation_ErrMsg;

    // The text after the last "." of FilePath (the whole path when it has none).
    std::string FileType_get() const {
        std::size_t dot = FilePath.find_last_of('.');
        return dot == std::string::npos ? FilePath : FilePath.substr(dot + 1);
    }
};
