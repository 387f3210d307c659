// Facts of one file for the details lists and the dependency viewer: the version number
// and the standard version strings of its version resource, the long-name form of a
// path, and its three file times as texts in the user's formats.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// The eight standard strings of a version resource; "" for a string the file lacks.
struct FileVersionStrings {
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
};

namespace QV_APIFileAndDiskINFO {

// The whole version resource of a file as the version functions give it (VerQueryValueA reads
// it), followed by zeroed room; its size as the system reports it in `size`. Empty when the
// file has no version resource, when its version resource or the headers leading to it are
// damaged (checked in the file before any version function sees it), or when the block read
// is malformed. Every reader of version resources goes through here.
std::vector<char> ReadVersionResource(const std::string& path, size_t& size);

// "major.minor.build.revision" from the fixed part of the version resource; "" when the
// file has none or cannot be read. The second argument is not used.
std::string GetFileVersion(const std::string& path, long unused = 0);
// Fills the record from the string table of the first translation. Returns true when the
// file has a version resource; an empty path or a file without one leaves it untouched.
bool GetFileVersionStrings(const std::string& path, FileVersionStrings& strings);
// Both of the above from one read of the resource: the details lists show them together.
// Returns true when the file has a version resource; otherwise `version` is "" and the
// record is untouched.
bool GetFileVersionAndStrings(const std::string& path, std::string& version, FileVersionStrings& strings);
// The absolute path with each component in its long form ("" on an error). A component
// that does not exist stops the walk: the rest is kept as given.
std::string GetLongFileName(const std::string& path);
// The creation, last-access and last-write times in local time, each as the user's short
// date, ", " and the user's long time. All three are "" when the file cannot be read.
void GetFileTimes(const std::string& path, std::string& creation, std::string& lastAccess,
                  std::string& lastWrite);
// The same; the fourth text is left empty (kept for callers that pass one more).
void GetFileTimes(const std::string& path, std::string& creation, std::string& lastAccess,
                  std::string& lastWrite, std::string& unused);

}  // namespace QV_APIFileAndDiskINFO
