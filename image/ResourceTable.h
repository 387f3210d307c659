// Where the resources of a PE file stand in the file, read from the file's own bytes with every
// directory, name string and data entry checked against the file's size.
//
// The system's resource functions (EnumResourceTypesA, EnumResourceNamesA, LoadResource) and its
// icon extraction (ExtractIconExA, SHGetFileInfoA) trust a file's resource tables: a directory
// count, an offset or a size overwritten makes them read past the end of the file. So a file is
// checked here first and handed to them only when its tables fit.
//
//     MappedFile file(path);
//     ResourceTable table(file.Data(), file.Size());     // base/PeImage.h reads them
//     if (table.Sound()) for (auto& r : table.OfType(14)) ... r.fits, r.offset, r.size
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/PeImage.h"

// The resource tables of a PE image as the icon layers read them: the one image reader's
// resource walk (PeImage) under the names they use.
class ResourceTable : public PeImage {
public:
    using Item = PeImage::ResourceItem;

    // Reads the tables of a file's bytes (which must stay valid while the object is used).
    ResourceTable(const uint8_t* bytes, size_t size) : PeImage(bytes, size) {}

    // A PE image whose headers, section table and every resource directory, directory entry and
    // name string fit in the file (a PE image without resources is sound too). Data entries are
    // checked per resource: see Item::fits.
    bool Sound() const { return IsPe() && ResourcesSound(); }
    // Every resource of a numbered type, in directory order (names as listed, then languages).
    std::vector<Item> OfType(uint16_t type) const { return ResourcesOfType(type); }
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
// folder is looked up along the search path (FileLookup::LoaderFile). "" when no such file exists.
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
