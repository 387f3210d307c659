// The state of the one operation of a run, shared by Master::Main and the result window.
#pragma once
#include <string>

struct cVelmServer {
    std::string FilePath;
    std::string Operation;  // "R", "U" or "V"
    bool Operation_Finished = false;
    bool Operation_Succeeded = false;
    std::string Operation_ErrMsg;
};
