// Helpers of the file tests: a scratch folder, small files, the fixture folder.
#pragma once
#include <windows.h>

#include <string>

namespace basetest {

// The folder of the running test program.
std::string ExeFolder();
// <build>/tests/fixtures/version, where the version-resource DLLs are made.
std::string VersionFixture(const std::string& name);

// A fresh folder under the temporary folder, removed with its files afterwards.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// The user's locale as the tests know it: 0x409 (en-US) or 0x407 (de-DE), or another.
LCID UserLocale();
// A local date and time as a UTC file time.
FILETIME LocalToUtc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);

}  // namespace basetest
