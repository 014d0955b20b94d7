#pragma once
#include <cstdlib>
#include <string>

#include "platform/Files.h"

// A temporary directory that lives as long as the test.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/ocvtestXXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { ocv::RemoveDirectoryTree(path_); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return ocv::JoinPath(path_, name); }

private:
    std::string path_;
};
