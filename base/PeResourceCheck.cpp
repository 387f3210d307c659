#include "base/PeResourceCheck.h"

#include <cstring>

namespace PeResourceCheck {

namespace {

// Reads a little-endian value of type T at offset `at` of the bytes (unaligned).
template <class T>
T At(const unsigned char* data, uint64_t at) {
    T v;
    std::memcpy(&v, data + at, sizeof v);
    return v;
}

// An image larger than this is damage, not a program: a system function would try to map it.
constexpr uint32_t kMaxImageSize = 0x40000000u;
// Resource directories nest three deep (type, name, language); entries of one directory are
// bounded by the directory's room in the section anyway.
constexpr uint32_t kDirectoryHeader = 16, kDirectoryEntry = 8, kDataEntry = 16;

}  // namespace

ResId::ResId(LPCSTR idOrName) {
    if (IS_INTRESOURCE(idOrName)) id = static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(idOrName));
    else if (idOrName) name = idOrName;
}

PeBytes::PeBytes(const unsigned char* data, size_t size) : data_(data), size_(data ? size : 0) {
    const uint64_t n = size_;
    if (n < sizeof(IMAGE_DOS_HEADER) || At<uint16_t>(data_, 0) != IMAGE_DOS_SIGNATURE) return;
    const uint64_t nt = At<uint32_t>(data_, offsetof(IMAGE_DOS_HEADER, e_lfanew));
    // Signature, file header and the optional header's Magic.
    if (nt + 4 + sizeof(IMAGE_FILE_HEADER) + 2 > n) return;
    if (At<uint32_t>(data_, nt) != IMAGE_NT_SIGNATURE) return;
    const auto fh = At<IMAGE_FILE_HEADER>(data_, nt + 4);
    optOffset_ = static_cast<uint32_t>(nt + 4 + sizeof(IMAGE_FILE_HEADER));
    optSize_ = fh.SizeOfOptionalHeader;
    sections_ = fh.NumberOfSections;
    const uint16_t magic = At<uint16_t>(data_, optOffset_);
    uint64_t need = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) need = sizeof(IMAGE_OPTIONAL_HEADER64);
    else if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) need = sizeof(IMAGE_OPTIONAL_HEADER32);
    else return;
    const uint64_t table = static_cast<uint64_t>(optOffset_) + optSize_;
    if (optSize_ < need || table + 40ull * sections_ > n) return;
    pe64_ = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    sectionTable_ = static_cast<uint32_t>(table);
    sizeOfImage_ = pe64_ ? At<IMAGE_OPTIONAL_HEADER64>(data_, optOffset_).SizeOfImage
                         : At<IMAGE_OPTIONAL_HEADER32>(data_, optOffset_).SizeOfImage;
    sound_ = true;
}

bool PeBytes::SectionsSound() const {
    if (!sound_ || sizeOfImage_ == 0 || sizeOfImage_ > kMaxImageSize) return false;
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = At<IMAGE_SECTION_HEADER>(data_, sectionTable_ + 40ull * i);
        if (static_cast<uint64_t>(sh.VirtualAddress) + sh.Misc.VirtualSize > sizeOfImage_) return false;
    }
    return true;
}

bool PeBytes::Directory(int index, uint32_t& rva, uint32_t& size) const {
    rva = size = 0;
    if (!sound_ || index < 0 || index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES) return false;
    uint32_t count = 0;
    uint64_t first = 0;
    if (pe64_) {
        count = At<IMAGE_OPTIONAL_HEADER64>(data_, optOffset_).NumberOfRvaAndSizes;
        first = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else {
        count = At<IMAGE_OPTIONAL_HEADER32>(data_, optOffset_).NumberOfRvaAndSizes;
        first = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    }
    const uint64_t entry = first + 8ull * static_cast<unsigned>(index);
    // The entry must be one the header announces and lie inside the optional header.
    if (static_cast<uint32_t>(index) >= count || entry + 8 > static_cast<uint64_t>(optOffset_) + optSize_) return false;
    rva = At<uint32_t>(data_, entry);
    size = At<uint32_t>(data_, entry + 4);
    return rva != 0 && size != 0;
}

bool PeBytes::RvaToOffset(uint32_t rva, uint32_t len, uint32_t& offset) const {
    if (!sound_) return false;
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = At<IMAGE_SECTION_HEADER>(data_, sectionTable_ + 40ull * i);
        const uint64_t va = sh.VirtualAddress, raw = sh.SizeOfRawData;
        if (rva < va || rva >= va + raw) continue;
        // The first section holding the RVA decides, as in the system's conversion.
        const uint64_t inSection = rva - va;
        if (inSection + len > raw) return false;
        const uint64_t at = static_cast<uint64_t>(sh.PointerToRawData) + inSection;
        if (at + len > size_) return false;
        offset = static_cast<uint32_t>(at);
        return true;
    }
    return false;
}

bool PeBytes::LocateResource(const ResId& type, const ResId& name, std::vector<ResourceData>& out) const {
    out.clear();
    if (!SectionsSound()) return false;
    uint32_t rootRva = 0, dirSize = 0, root = 0;
    if (!Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE, rootRva, dirSize)) return false;
    if (!RvaToOffset(rootRva, kDirectoryHeader, root)) return false;
    // Every offset in the tree is relative to its root and stays inside the root's section
    // as far as the file holds it: find that room. The section itself must be no larger than
    // the file (a damaged VirtualSize there has the version functions allocate and walk it).
    uint64_t room = 0;
    IMAGE_SECTION_HEADER home{};
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = At<IMAGE_SECTION_HEADER>(data_, sectionTable_ + 40ull * i);
        if (rootRva >= sh.VirtualAddress && rootRva < static_cast<uint64_t>(sh.VirtualAddress) + sh.SizeOfRawData) {
            room = static_cast<uint64_t>(sh.VirtualAddress) + sh.SizeOfRawData - rootRva;
            home = sh;
            break;
        }
    }
    if (home.Misc.VirtualSize > size_ || home.SizeOfRawData > size_) return false;
    // The directory's declared size stays inside that section too.
    const uint64_t extent = static_cast<uint64_t>(home.VirtualAddress) +
                            (home.Misc.VirtualSize > home.SizeOfRawData ? home.Misc.VirtualSize : home.SizeOfRawData);
    if (static_cast<uint64_t>(rootRva) + dirSize > extent) return false;
    if (room > size_ - root) room = size_ - root;

    // The entries of the directory at `dir` (relative to the root) that match `want` and are of
    // the wanted kind. A directory whose entries do not fit, or a match of the wrong kind, is
    // damage: false.
    auto matches = [&](uint32_t dir, const ResId& want, bool wantDirectory, std::vector<uint32_t>& targets) {
        if (static_cast<uint64_t>(dir) + kDirectoryHeader > room) return false;
        const auto d = At<IMAGE_RESOURCE_DIRECTORY>(data_, root + static_cast<uint64_t>(dir));
        const uint64_t entries = static_cast<uint64_t>(d.NumberOfNamedEntries) + d.NumberOfIdEntries;
        if (dir + kDirectoryHeader + kDirectoryEntry * entries > room) return false;
        for (uint64_t e = 0; e < entries; ++e) {
            const uint64_t at = root + static_cast<uint64_t>(dir) + kDirectoryHeader + kDirectoryEntry * e;
            const uint32_t nameField = At<uint32_t>(data_, at);
            const uint32_t target = At<uint32_t>(data_, at + 4);
            bool hit = false;
            if (nameField & 0x80000000u) {
                if (want.id != 0 || want.name.empty()) continue;
                // IMAGE_RESOURCE_DIR_STRING_U: a WORD length, then that many UTF-16 units.
                const uint64_t s = nameField & 0x7FFFFFFFu;
                if (s + 2 > room) return false;
                const uint16_t len = At<uint16_t>(data_, root + s);
                if (s + 2 + 2ull * len > room) return false;
                if (len != want.name.size()) continue;
                hit = true;
                for (uint16_t k = 0; k < len && hit; ++k) {
                    const uint16_t c = At<uint16_t>(data_, root + s + 2 + 2ull * k);
                    const unsigned char w = static_cast<unsigned char>(want.name[k]);
                    auto upper = [](unsigned v) { return v >= 'a' && v <= 'z' ? v - 32 : v; };
                    hit = c < 0x80 && upper(c) == upper(w);
                }
            } else {
                hit = want.id != 0 && (nameField & 0xFFFFu) == want.id && (nameField >> 16) == 0;
            }
            if (!hit) continue;
            const bool isDirectory = (target & 0x80000000u) != 0;
            if (isDirectory != wantDirectory) return false;
            targets.push_back(target & 0x7FFFFFFFu);
        }
        return true;
    };

    std::vector<uint32_t> typeDirs, nameDirs;
    if (!matches(0, type, true, typeDirs)) return false;
    for (uint32_t t : typeDirs)
        if (!matches(t, name, true, nameDirs)) return false;
    for (uint32_t n : nameDirs) {
        // The language level: every entry is one the system may choose.
        if (static_cast<uint64_t>(n) + kDirectoryHeader > room) return false;
        const auto d = At<IMAGE_RESOURCE_DIRECTORY>(data_, root + static_cast<uint64_t>(n));
        const uint64_t entries = static_cast<uint64_t>(d.NumberOfNamedEntries) + d.NumberOfIdEntries;
        if (n + kDirectoryHeader + kDirectoryEntry * entries > room) return false;
        for (uint64_t e = 0; e < entries; ++e) {
            const uint64_t at = root + static_cast<uint64_t>(n) + kDirectoryHeader + kDirectoryEntry * e;
            const uint32_t lang = At<uint32_t>(data_, at);
            const uint32_t target = At<uint32_t>(data_, at + 4);
            if (target & 0x80000000u) return false;  // a language entry leads to data, not a directory
            if (static_cast<uint64_t>(target) + kDataEntry > room) return false;
            const auto de = At<IMAGE_RESOURCE_DATA_ENTRY>(data_, root + static_cast<uint64_t>(target));
            ResourceData r;
            r.rva = de.OffsetToData;
            r.size = de.Size;
            r.language = static_cast<uint16_t>(lang & 0xFFFFu);
            if (r.size == 0 || !RvaToOffset(r.rva, r.size, r.fileOffset)) return false;
            // The data lie in the resource section too: readers locate them through it.
            if (r.rva < home.VirtualAddress ||
                static_cast<uint64_t>(r.rva) + r.size > static_cast<uint64_t>(home.VirtualAddress) + home.SizeOfRawData)
                return false;
            out.push_back(r);
        }
    }
    if (out.empty()) return false;
    return true;
}

MappedFile::MappedFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        static_cast<unsigned long long>(size.QuadPart) <= static_cast<unsigned long long>(SIZE_MAX)) {
        if (HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr)) {
            data_ = static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            if (data_) size_ = static_cast<size_t>(size.QuadPart);
            CloseHandle(mapping);
        }
    }
    CloseHandle(file);
}

MappedFile::~MappedFile() {
    if (data_) UnmapViewOfFile(data_);
}

bool HeadersInFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = false;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        // The headers sit in the first page of nearly every image: one read usually does; a
        // file whose headers lie further in is read as far as they reach.
        const uint64_t total = static_cast<uint64_t>(size.QuadPart);
        std::vector<unsigned char> head(static_cast<size_t>(total < 4096 ? total : 4096));
        auto readHead = [&](size_t want) {
            head.resize(want);
            LARGE_INTEGER zero{};
            DWORD got = 0;
            return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) &&
                   ReadFile(file, head.data(), static_cast<DWORD>(want), &got, nullptr) && got == want;
        };
        if (readHead(head.size())) {
            ok = PeBytes(head.data(), head.size()).HeadersSound();
            if (!ok && head.size() < total && head.size() >= sizeof(IMAGE_DOS_HEADER) &&
                At<uint16_t>(head.data(), 0) == IMAGE_DOS_SIGNATURE) {
                // Where the headers end, were they whole: e_lfanew, the file header's sizes.
                uint64_t end = static_cast<uint64_t>(At<uint32_t>(head.data(), offsetof(IMAGE_DOS_HEADER, e_lfanew))) +
                               4 + sizeof(IMAGE_FILE_HEADER) + 0xFFFF + 40ull * 0xFFFF;
                if (end > total) end = total;
                if (end > head.size() && end <= 64ull * 1024 * 1024 && readHead(static_cast<size_t>(end)))
                    ok = PeBytes(head.data(), head.size()).HeadersSound();
            }
        }
    }
    CloseHandle(file);
    return ok;
}

bool VersionResourceSound(const std::string& path) {
    MappedFile file(path);
    if (!file.Data()) return false;
    std::vector<ResourceData> found;
    return PeBytes(file.Data(), file.Size()).LocateResource(ResId(uint16_t(16)) /* RT_VERSION */, ResId(uint16_t(VS_VERSION_INFO)), found);
}

}  // namespace PeResourceCheck
