// Where the resources of a PE file stand in the file, read from the file's own bytes with every
// directory, name string and data entry checked against the file's size.
//
// The system's resource functions (EnumResourceTypesA, EnumResourceNamesA, LoadResource) and its
// icon extraction (ExtractIconExA, SHGetFileInfoA) trust a file's resource tables: a directory
// count, an offset or a size overwritten makes them read past the end of the file. So a file is
// checked here first and handed to them only when its tables fit.
//
//     MappedFile file(path);
//     ResourceTable table(file.Data(), file.Size());
//     if (table.Sound()) for (auto& r : table.OfType(14)) ... r.fits, r.offset, r.size
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/PeResourceCheck.h"

// A file's bytes, mapped read-only for the life of the object (Data() null when the file cannot
// be opened or is empty).
using PeResourceCheck::MappedFile;

class ResourceTable {
public:
    // One resource (one language of one name of one type) as the directory lists it.
    struct Item {
        uint16_t nameId = 0;   // the number of a numbered resource, 0 for a named one
        std::string name;      // the name of a named resource (ANSI), empty for a numbered one
        uint16_t language = 0;
        uint32_t rva = 0;      // the data as the data entry gives it
        uint32_t size = 0;
        bool fits = false;     // the data lies inside a section's raw data and inside the file
        size_t offset = 0;     // where the data starts in the file (when it fits)
    };

    // Reads the tables of a file's bytes (which must stay valid while the object is used).
    ResourceTable(const uint8_t* bytes, size_t size);

    // The file is a PE image (MZ header, "PE\0\0" signature, known optional header) whose
    // headers and section table fit in the file.
    bool IsPe() const { return pe_; }
    // The file starts like a 16-bit "NE" image, whose tables this reader does not check.
    bool IsNe() const { return ne_; }
    // The PE image has a resource directory that the system's functions would find.
    bool HasResources() const { return root_ != 0; }
    // A PE image whose headers, section table and every resource directory, directory entry and
    // name string fit in the file (a PE image without resources is sound too). Data entries are
    // checked per resource: see Item::fits.
    bool Sound() const { return pe_ && sound_; }
    // Every resource of a numbered type, in directory order (names as listed, then languages),
    // each directory read once. Empty when the type is absent or the tables are not sound.
    std::vector<Item> OfType(uint16_t type) const;

private:
    bool ReadHeaders();
    bool Fits(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(b_[at] | b_[at + 1] << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    // The file offset of an RVA through the section table (a section whose raw data holds
    // [rva, rva + length)); false when none does.
    bool SectionOffset(uint32_t rva, uint32_t length, size_t& offset) const;
    std::string NameAt(uint32_t field) const;

    const uint8_t* b_;
    size_t size_;
    bool pe_ = false, ne_ = false, sound_ = false;
    size_t sections_ = 0;        // file offset of the section table
    uint16_t sectionCount_ = 0;
    size_t root_ = 0;            // file offset of the root resource directory, 0 when none
};

// What a file is to the system's icon extraction, checked before it is handed over.
enum class IconSource {
    Missing,  // cannot be opened, or empty
    Other,    // neither a PE image nor an icon file: the extraction finds no icon in it
    Sound,    // a PE image whose icon tables fit, or an icon file whose directory fits
    Damaged,  // a PE image or icon file whose tables do not fit, or an unchecked 16-bit image
};
// The file is looked up as the extraction looks it up (ResolveFile).
IconSource CheckIconSource(const std::string& path);
// The same check of bytes already in memory.
IconSource CheckIconSource(const uint8_t* bytes, size_t size);

// The file that the system's loader and icon extraction open for a name: a name without a
// folder is looked up along the search path (SearchPathA). "" when no such file exists.
std::string ResolveFile(const std::string& file);

// A file loaded as a data module (LOAD_LIBRARY_AS_DATAFILE) for the system's resource
// functions, loaded only when it is a PE image whose resource tables fit in the file. Such a
// handle has its low bit set; a module the process has loaded already comes back as itself.
class ResourceModule {
public:
    ResourceModule() = default;
    ~ResourceModule() { Free(); }
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    // Loads the file; false with Error() set when it is missing (the loader's own error), not
    // a PE image (ERROR_BAD_EXE_FORMAT) or damaged (ERROR_FILE_CORRUPT).
    bool Load(const std::string& file);
    void Free();
    HMODULE Handle() const { return module_; }
    DWORD Error() const { return error_; }
    // Whether [data, data + size) lies inside the module's bytes: the file's bytes for a data
    // module, the mapped image for a loaded one. Resource data is read only after this check.
    bool Holds(const void* data, size_t size) const;

private:
    HMODULE module_ = nullptr;
    DWORD error_ = 0;
    size_t fileSize_ = 0;
};
