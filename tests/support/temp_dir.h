// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace trunaccount::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, ending in "/".
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& bytes);

private:
    std::string path_;
};

}  // namespace trunaccount::testing
