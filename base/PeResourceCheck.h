// Bounds-checked reading of a PE file's headers and resource directory from its bytes.
//
// System functions that read a PE file (imagehlp's MapAndLoad, the version functions, resource
// loading) trust the offsets and sizes they find in it, and a damaged file can make them read
// past its end or walk gigabytes of a section that is not there. Callers check here first what
// such a function will read, and treat a file that fails as one that cannot be opened or that
// has no such resource:
//
//     if (!PeResourceCheck::HeadersInFile(path)) return false;           // before MapAndLoad
//     if (!PeResourceCheck::VersionResourceSound(path)) return {};       // before GetFileVersionInfo*
//
//     PeResourceCheck::MappedFile file(path);                            // a resource's bytes
//     PeResourceCheck::PeBytes pe(file.Data(), file.Size());
//     std::vector<PeResourceCheck::ResourceData> found;
//     if (pe.LocateResource(RT_GROUP_ICON, MAKEINTRESOURCEA(154), found)) ... file.Data() + found[0].fileOffset
//
// Nothing here follows an offset without checking it against the file and the section it
// belongs to; every walk is bounded.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace PeResourceCheck {

// A resource type or name as the resource functions take it: a number (MAKEINTRESOURCE) or a
// text (compared without regard to case, as the system compares resource names).
struct ResId {
    uint16_t id = 0;
    std::string name;  // used when id is 0
    ResId() = default;
    ResId(LPCSTR idOrName);  // NOLINT: takes MAKEINTRESOURCEA values and texts alike
    ResId(uint16_t number) : id(number) {}
};

// Where one resource's data lie in the file.
struct ResourceData {
    uint32_t rva = 0;         // as stored in the data entry
    uint32_t fileOffset = 0;  // the data's offset in the file
    uint32_t size = 0;
    uint16_t language = 0;
};

// The headers of a PE image in a span of its file's bytes, read with every offset checked.
class PeBytes {
public:
    PeBytes(const unsigned char* data, size_t size);

    // The DOS header, the NT signature, the file header, the optional header the file header
    // announces (at least the standard one of its Magic) and the section table lie in the bytes.
    bool HeadersSound() const { return sound_; }
    bool Pe64() const { return pe64_; }
    uint32_t SizeOfImage() const { return sizeOfImage_; }
    uint16_t NumberOfSections() const { return sections_; }
    // Every section's virtual range lies inside SizeOfImage, and SizeOfImage is of a size an
    // image can have (a damaged VirtualSize would have a system function map or walk gigabytes).
    // Raw data cut short by the file's end are allowed: every read checks the file's end.
    bool SectionsSound() const;
    // A data directory (IMAGE_DIRECTORY_ENTRY_*); false when the header has no such entry or it is empty.
    bool Directory(int index, uint32_t& rva, uint32_t& size) const;
    // The file offset of len bytes at an RVA, when they lie in one section's raw data inside
    // the file (sections are located by their raw size, as the system's RVA conversion does).
    bool RvaToOffset(uint32_t rva, uint32_t len, uint32_t& offset) const;

    // Every data entry of the resource type and name (one per language), with the directory
    // walk that reaches it and each entry's data checked against the file and the section
    // holding them. False when the file has no such resource, or when the directory on the way
    // or any entry of it is damaged: a system function could choose that entry.
    bool LocateResource(const ResId& type, const ResId& name, std::vector<ResourceData>& out) const;

private:
    const unsigned char* data_;
    size_t size_;
    bool sound_ = false;
    bool pe64_ = false;
    uint32_t optOffset_ = 0, optSize_ = 0, sectionTable_ = 0, sizeOfImage_ = 0;
    uint16_t sections_ = 0;
};

// A whole file mapped read-only; empty (Data() null, Size() 0) when it cannot be opened,
// mapped or is empty.
class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

// The checks before handing a file to a system function.

// The image headers of the file at path (a full path) lie inside the file: what MapAndLoad
// reads before anyone can check it. Reads only the headers.
bool HeadersInFile(const std::string& path);
// The file is a PE image with sound headers and sections whose version resource (type
// VS_FILE_INFO, name VS_VERSION_INFO), in every language, lies inside the file and its
// section: what the version functions read. False for a file without one, or a file that is
// no PE image, or one that cannot be opened.
bool VersionResourceSound(const std::string& path);

}  // namespace PeResourceCheck
