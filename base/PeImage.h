// The one reader of PE images: a file's bytes read into memory, its headers, section lookup, RVA
// to file offset, imports, exports and resources, with every read checked against the file.
//
// System functions that read a PE file (imagehlp, the version functions, resource loading, the
// icon extraction, the type-library loader) trust the offsets and sizes they find in it, and a
// damaged file can make them read past its end or walk gigabytes of a section that is not
// there. Callers read the file here, or check here first what such a function will read, and
// treat a file that fails as one that cannot be opened or that has no such resource:
//
//     PeImage image(path);                                   // reads the whole file
//     if (!image.HeadersSound()) return false;
//     std::vector<PeImage::ResourceData> found;
//     if (image.LocateResource(RT_GROUP_ICON, MAKEINTRESOURCEA(154), found)) ... image.Data() + found[0].fileOffset
//
// Nothing here follows an offset without checking it against the file (ByteSpan::Fits) and,
// where the system's readers demand it, the section it belongs to; every walk is bounded.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// A span of a file's bytes with checked reads: every reader of file formats in base/ reads
// through it.
class ByteSpan {
public:
    ByteSpan() = default;
    ByteSpan(const unsigned char* data, size_t size) : data_(data), size_(data ? size : 0) {}

    const unsigned char* Data() const { return data_; }
    size_t Size() const { return size_; }
    // [offset, offset + length) lies inside the bytes.
    bool Fits(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    // The little-endian value at offset, when it lies inside the bytes.
    template <class T>
    bool Read(uint64_t offset, T& value) const {
        if (!Fits(offset, sizeof(T))) return false;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return true;
    }
    // The value at offset, 0 (a zeroed T) when it does not lie inside the bytes.
    template <class T>
    T Get(uint64_t offset) const {
        T value{};
        Read(offset, value);
        return value;
    }
    uint16_t U16(uint64_t offset) const { return Get<uint16_t>(offset); }
    uint32_t U32(uint64_t offset) const { return Get<uint32_t>(offset); }
    // The NUL-terminated text at offset; false (text empty) when offset is outside the bytes
    // or no NUL ends the text inside them.
    bool Text(uint64_t offset, std::string& text) const;
    // The offset of an address inside the bytes (its end included); false for any other address.
    bool OffsetOf(const void* address, uint64_t& offset) const;

protected:
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

// Frees the block of a file's bytes, or keeps it for the next file read (see the definition).
struct FileBlockRelease {
    size_t capacity = 0;
    void operator()(unsigned char* block) const noexcept;
};

// A whole file's bytes, read once into memory. Nothing reads a file through a mapped view that
// outlives one read: bytes that vanish under a view (a file cut short by another program, a
// network share or a removable disk that goes away) fault the reader's process, while a copy
// stays as it was read. Empty (Data() null, Size() 0) when the file cannot be opened or read, is
// empty, or is cut short while it is read (a damaged file); Error() then says why. Movable: the
// bytes move with the object.
class MappedFile {
public:
    MappedFile() = default;
    explicit MappedFile(const std::string& path);
    MappedFile(MappedFile&& other) noexcept = default;
    MappedFile& operator=(MappedFile&& other) noexcept = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const unsigned char* Data() const { return data_.get(); }
    size_t Size() const { return size_; }
    // The system's error of opening or reading the file (ERROR_NOT_ENOUGH_MEMORY when its copy
    // does not fit in memory); 0 when it was read, is empty or was cut short while read.
    unsigned long Error() const { return error_; }

private:
    std::unique_ptr<unsigned char[], FileBlockRelease> data_;
    size_t size_ = 0;
    unsigned long error_ = 0;
};

class PeImage : public ByteSpan {
public:
    // A resource type or name as the resource functions take it: a number (MAKEINTRESOURCE)
    // or a text (compared without regard to case, as the system compares resource names).
    struct ResId {
        uint16_t id = 0;
        std::string name;  // used when id is 0
        ResId() = default;
        ResId(LPCSTR idOrName);  // NOLINT: takes MAKEINTRESOURCEA values and texts alike
        ResId(uint16_t number) : id(number) {}
    };
    // Where one resource's data lie in the file (LocateResource).
    struct ResourceData {
        uint32_t rva = 0;         // as stored in the data entry
        uint32_t fileOffset = 0;  // the data's offset in the file
        uint32_t size = 0;
        uint16_t language = 0;
    };
    // One resource (one language of one name of one type) as the directory lists it
    // (ResourcesOfType).
    struct ResourceItem {
        uint16_t nameId = 0;   // the number of a numbered resource, 0 for a named one
        std::string name;      // the name of a named resource (ANSI), empty for a numbered one
        uint16_t language = 0;
        uint32_t rva = 0;      // the data as the data entry gives it
        uint32_t size = 0;
        bool fits = false;     // the data lies inside a section's raw data and inside the file
        size_t offset = 0;     // where the data starts in the file (when it fits)
    };
    // What a header lookup found: nothing, the thing, or headers that do not fit in the file.
    enum class Lookup { Absent, Found, Damaged };

    PeImage() = default;
    // Reads the headers of bytes that stay valid while the object is used.
    PeImage(const unsigned char* data, size_t size);
    // Reads the whole file (a full path, MappedFile) and its headers; an empty image when the
    // file cannot be read.
    explicit PeImage(const std::string& path);
    PeImage(PeImage&&) = default;
    PeImage& operator=(PeImage&&) = default;

    // Headers.
    // MZ header and "PE\0\0" signature inside the file.
    bool IsPe() const { return pe_; }
    // The file starts like a 16-bit "NE" image, whose tables this reader does not check.
    bool IsNe() const { return ne_; }
    // A PE image whose file header lies inside the file (Machine, NumberOfSections, ...).
    bool HasFileHeader() const { return fileHeader_; }
    const IMAGE_FILE_HEADER& FileHeader() const { return fh_; }
    // The DOS header, the NT signature, the file header, the optional header the file header
    // announces (at least the standard one of its Magic) and the section table lie in the bytes.
    bool HeadersSound() const { return sound_; }
    bool Pe64() const { return pe64_; }
    // The optional header, when HeadersSound (zeroed otherwise); Pe64 says which one holds.
    IMAGE_OPTIONAL_HEADER32 OptionalHeader32() const;
    IMAGE_OPTIONAL_HEADER64 OptionalHeader64() const;
    uint32_t SizeOfImage() const { return sizeOfImage_; }
    uint16_t NumberOfSections() const { return sections_; }

    // Sections.
    // The section header i (zeroed when the table does not fit or i is out of range).
    IMAGE_SECTION_HEADER Section(uint16_t i) const;
    // The file offset of section header i.
    uint64_t SectionHeaderOffset(uint16_t i) const { return sectionTable_ + 40ull * i; }
    // Every section's virtual range lies inside SizeOfImage, and SizeOfImage is of a size an
    // image can have (a damaged VirtualSize would have a system function map or walk gigabytes).
    // Raw data cut short by the file's end are allowed: every read checks the file's end.
    bool SectionsSound() const;
    // The first section whose raw data holds the RVA (as the system's conversion finds it);
    // false when none does.
    bool SectionOf(uint32_t rva, IMAGE_SECTION_HEADER& section) const;
    // The file offset of len bytes at an RVA through SectionOf, when they lie inside the file.
    bool RvaToOffset(uint32_t rva, uint64_t len, uint64_t& offset) const;
    // The same, when the bytes also lie inside that section's raw data.
    bool RvaToSectionOffset(uint32_t rva, uint64_t len, uint64_t& offset) const;

    // Data directories (IMAGE_DIRECTORY_ENTRY_*).
    // The entry, when the header announces it and it is not empty (a zero RVA). Damaged when
    // the optional header's count or the entry do not lie in the file.
    Lookup Directory(int index, uint32_t& rva, uint32_t& size) const;
    // Where a directory's data start in the file, as the loader finds them in a file: an RVA
    // below SizeOfHeaders is a file offset, any other goes through SectionOf. Absent when no
    // section holds it. The data's own size is for the caller to check.
    Lookup DirectoryOffset(int index, uint64_t& offset, uint32_t& size) const;

    // Resources.
    // Every data entry of the resource type and name (one per language), with the directory
    // walk that reaches it and each entry's data checked against the file and the section
    // holding them. False when the file has no such resource, or when the directory on the way
    // or any entry of it is damaged: a system function could choose that entry.
    bool LocateResource(const ResId& type, const ResId& name, std::vector<ResourceData>& out) const;
    // The image has a resource directory that the system's functions would find.
    bool HasResources() const;
    // The headers, section table and every resource directory, directory entry and name string
    // fit in the file (an image without resources is sound too): what the system's resource
    // enumeration and icon extraction walk. Data entries are checked per resource:
    // ResourceItem::fits.
    bool ResourcesSound() const;
    // Every resource of a numbered type, in directory order (names as listed, then languages),
    // each directory read once. Empty when the type is absent or the tables are not sound.
    std::vector<ResourceItem> ResourcesOfType(uint16_t type) const;

    // Imports and exports, read from the file as the loader finds their directories in it.
    // Every descriptor, thunk, table slot and name is checked against the file; a walk ends at
    // the first that does not lie in it, so a damaged file gives what its intact part holds.
    struct ImportDescriptor {
        std::string module;               // the descriptor's Name
        uint32_t originalFirstThunk = 0;
        uint32_t timeDateStamp = 0;       // 0xFFFFFFFF for a bound import
        uint32_t firstThunk = 0;
    };
    struct ImportedFunction {
        std::string name;     // empty for an import by ordinal
        uint16_t value = 0;   // the ordinal of an import by ordinal, else the hint
    };
    struct ExportedName {
        uint16_t index = 0;     // the function's slot: ordinal minus Base
        uint32_t position = 0;  // where the name stands in the export name table
        std::string name;
    };
    struct ExportTable {
        uint32_t base = 0;
        uint32_t functions = 0;  // NumberOfFunctions
        std::vector<ExportedName> names;  // in name-table order, each with a slot below `functions`
    };
    // The import descriptors in directory order, up to the zero entry, the file's end or the
    // first whose name is not in the file. Empty without an import directory.
    std::vector<ImportDescriptor> Imports() const;
    // The thunks of one descriptor (the original thunks of a bound import, else the first
    // thunks; 64 bits wide in a PE32+ image) up to the zero thunk or the first that, or whose
    // hint and name, is not in the file.
    std::vector<ImportedFunction> ImportedFunctions(const ImportDescriptor& import) const;
    // The export directory with its named functions. False without one, or when its count is
    // 0 or its address table does not lie in the file (such a table is not read at all).
    bool Exports(ExportTable& table) const;

    // Checks before handing a file to a system function.
    // The image headers of the file at path (a full path) lie inside the file: what imagehlp
    // reads before anyone can check it.
    static bool HeadersInFile(const std::string& path);
    // The file is a PE image whose version resource (type VS_FILE_INFO, name VS_VERSION_INFO),
    // in every language, lies inside the file and its section: what the version functions read.
    static bool VersionResourceSound(const std::string& path);

    // The headers of a module the loader has mapped as an image (its own checks passed), for
    // code that reads its own process's modules.
    static const IMAGE_NT_HEADERS* LoadedHeaders(HMODULE module);

private:
    void ReadHeaders();
    // The resource directory's root as the system's resource functions find it (Lookup).
    Lookup ResourceRoot(uint64_t& root) const;
    // Walks the whole resource tree once for ResourcesSound.
    bool WalkResources() const;
    // The icon extraction's and the loader's section for resource data: see the definition.
    bool ResourceDataOffset(uint32_t rva, uint32_t length, size_t& offset) const;
    std::string ResourceName(uint64_t root, uint32_t field) const;
    // The NUL-terminated text at an RVA (through SectionOf).
    bool TextAtRva(uint32_t rva, std::string& text) const;
    // Where a directory's first len bytes lie in the file (DirectoryOffset), when they do.
    bool DirectoryData(int index, uint64_t len, uint64_t& offset) const;

    MappedFile file_;  // the file's bytes when the image reads its file itself
    bool pe_ = false, ne_ = false, fileHeader_ = false, sound_ = false, pe64_ = false;
    bool headersFit_ = false;  // file header, the optional header's first 64 bytes and the section table fit
    IMAGE_FILE_HEADER fh_{};
    uint32_t ntOffset_ = 0, optOffset_ = 0, optSize_ = 0, sectionTable_ = 0, sizeOfImage_ = 0;
    uint16_t sections_ = 0;
    uint16_t magic_ = 0;
    bool sectionTableFits_ = false;
    mutable int resourcesSound_ = -1;  // ResourcesSound's answer once walked (-1: not yet)
};
