#include "base/PeImage.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>

#include "base/Handle.h"

namespace {

// An image larger than this is damage, not a program: a system function would try to map it.
constexpr uint32_t kMaxImageSize = 0x40000000u;
// Resource directories nest three deep (type, name, language).
constexpr uint32_t kDirectoryHeader = 16, kDirectoryEntry = 8, kDataEntry = 16;
// More directory entries than any real file holds: a crafted tree of overlapping directories
// is refused instead of walked for ever.
constexpr size_t kEntryBudget = size_t{1} << 22;

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// ---- checked reads ----

bool ByteSpan::Text(uint64_t offset, std::string& text) const {
    text.clear();
    if (!Fits(offset, 1)) return false;
    const auto* start = data_ + offset;
    const void* nul = std::memchr(start, 0, size_ - static_cast<size_t>(offset));
    if (!nul) return false;  // the text runs to the end of the bytes: not a text
    text.assign(reinterpret_cast<const char*>(start), static_cast<const unsigned char*>(nul) - start);
    return true;
}

bool ByteSpan::OffsetOf(const void* address, uint64_t& offset) const {
    if (!data_ || !address) return false;
    // Compared as integers: a pointer outside the bytes may not be subtracted from theirs.
    const auto at = reinterpret_cast<uintptr_t>(address), base = reinterpret_cast<uintptr_t>(data_);
    if (at < base || at - base > size_) return false;
    offset = at - base;
    return true;
}

// ---- the file's bytes ----

namespace {

// A few blocks of files read before are kept for the next ones. A fresh block of many megabytes
// is itself mapped by the heap and its pages are first touched by the read, which under Wine
// costs several times the read itself (26 MB: 30 ms fresh, 5 ms into a block used before); the
// dependency tree reads its modules one after another. Only blocks up to kKeptBlockMax are
// kept, at most kKeptBlocks of them.
constexpr size_t kKeptBlocks = 2, kKeptBlockMax = size_t{32} << 20;
constexpr size_t kZerosAfter = 8;
struct KeptBlocks {
    std::mutex lock;
    std::pair<unsigned char*, size_t> blocks[kKeptBlocks] = {};
};
KeptBlocks& Kept() {
    static KeptBlocks* kept = new KeptBlocks;  // never destroyed: a file may be freed at exit
    return *kept;
}

// A block of at least `size` bytes, and its capacity; null when it does not fit in memory.
unsigned char* TakeBlock(size_t size, size_t& capacity) {
    {
        KeptBlocks& k = Kept();
        std::lock_guard<std::mutex> hold(k.lock);
        auto* best = static_cast<std::pair<unsigned char*, size_t>*>(nullptr);
        for (auto& b : k.blocks)
            if (b.first && b.second >= size && (!best || b.second < best->second)) best = &b;
        if (best) {
            capacity = best->second;
            return std::exchange(best->first, nullptr);
        }
    }
    capacity = size;
    return new (std::nothrow) unsigned char[size];
}

}  // namespace

void FileBlockRelease::operator()(unsigned char* block) const noexcept {
    if (!block) return;
    size_t size = capacity;
    if (size <= kKeptBlockMax) {
        KeptBlocks& k = Kept();
        std::lock_guard<std::mutex> hold(k.lock);
        // Kept in an empty slot, or in place of a smaller block, which is freed instead.
        std::pair<unsigned char*, size_t>* slot = nullptr;
        for (auto& b : k.blocks) {
            if (!b.first) {
                slot = &b;
                break;
            }
            if (!slot || b.second < slot->second) slot = &b;
        }
        if (!slot->first || slot->second < size) {
            std::swap(slot->first, block);
            std::swap(slot->second, size);
        }
    }
    delete[] block;
}

MappedFile::MappedFile(const std::string& path) {
    const Handle file(OpenForReading(path));
    if (!file) {
        error_ = GetLastError();
        return;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        error_ = GetLastError();
        return;
    }
    if (size.QuadPart <= 0) return;
    if (static_cast<unsigned long long>(size.QuadPart) > static_cast<unsigned long long>(PTRDIFF_MAX)) {
        error_ = ERROR_NOT_ENOUGH_MEMORY;
        return;
    }
    const size_t want = static_cast<size_t>(size.QuadPart);
    // No throw: a file larger than the memory left is one that cannot be read. The bytes are
    // followed by zeros, as in the last page of a view: a system function that sums the file in
    // words (CheckSumMappedFile) reads the partner of an odd last byte past the end.
    size_t capacity = 0;
    unsigned char* block = want <= PTRDIFF_MAX - kZerosAfter ? TakeBlock(want + kZerosAfter, capacity) : nullptr;
    std::unique_ptr<unsigned char[], FileBlockRelease> bytes(block, FileBlockRelease{capacity});
    if (!bytes) {
        error_ = ERROR_NOT_ENOUGH_MEMORY;
        return;
    }
    // In pieces: one read takes at most a DWORD's count, and a smaller piece keeps each call short.
    constexpr size_t kPiece = size_t{16} << 20;
    for (size_t got = 0; got < want;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.get() + got, static_cast<DWORD>(std::min(want - got, kPiece)), &read, nullptr)) {
            error_ = GetLastError();
            return;
        }
        if (read == 0) return;  // cut short since its size was taken: a damaged file
        got += read;
    }
    std::memset(bytes.get() + want, 0, kZerosAfter);
    data_ = std::move(bytes);
    size_ = want;
}

// ---- headers ----

PeImage::ResId::ResId(LPCSTR idOrName) {
    if (IS_INTRESOURCE(idOrName)) id = static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(idOrName));
    else if (idOrName) name = idOrName;
}

PeImage::PeImage(const unsigned char* data, size_t size) : ByteSpan(data, size) { ReadHeaders(); }

PeImage::PeImage(const std::string& path) : file_(path) {
    data_ = file_.Data();
    size_ = file_.Size();
    ReadHeaders();
}

void PeImage::ReadHeaders() {
    if (size_ < sizeof(IMAGE_DOS_HEADER) || U16(0) != IMAGE_DOS_SIGNATURE) return;
    const uint64_t nt = U32(offsetof(IMAGE_DOS_HEADER, e_lfanew));
    if (!Fits(nt, 4)) return;
    if (data_[nt] == 'N' && data_[nt + 1] == 'E') {
        ne_ = true;
        return;
    }
    if (U32(nt) != IMAGE_NT_SIGNATURE) return;
    pe_ = true;
    ntOffset_ = static_cast<uint32_t>(nt);
    if (!Read(nt + 4, fh_)) return;
    fileHeader_ = true;
    optOffset_ = static_cast<uint32_t>(nt + 4 + sizeof(IMAGE_FILE_HEADER));
    optSize_ = fh_.SizeOfOptionalHeader;
    sections_ = fh_.NumberOfSections;
    const uint64_t table = static_cast<uint64_t>(optOffset_) + optSize_;
    sectionTable_ = static_cast<uint32_t>(table);
    sectionTableFits_ = Fits(table, 40ull * sections_);
    headersFit_ = sectionTableFits_ && Fits(optOffset_, 64);
    if (!Read(optOffset_, magic_)) return;
    uint64_t need = 0;
    if (magic_ == IMAGE_NT_OPTIONAL_HDR64_MAGIC) need = sizeof(IMAGE_OPTIONAL_HEADER64);
    else if (magic_ == IMAGE_NT_OPTIONAL_HDR32_MAGIC) need = sizeof(IMAGE_OPTIONAL_HEADER32);
    else return;
    if (optSize_ < need || !sectionTableFits_) return;
    pe64_ = magic_ == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    sound_ = true;
    sizeOfImage_ = pe64_ ? OptionalHeader64().SizeOfImage : OptionalHeader32().SizeOfImage;
}

IMAGE_OPTIONAL_HEADER32 PeImage::OptionalHeader32() const {
    return sound_ && !pe64_ ? Get<IMAGE_OPTIONAL_HEADER32>(optOffset_) : IMAGE_OPTIONAL_HEADER32{};
}

IMAGE_OPTIONAL_HEADER64 PeImage::OptionalHeader64() const {
    return sound_ && pe64_ ? Get<IMAGE_OPTIONAL_HEADER64>(optOffset_) : IMAGE_OPTIONAL_HEADER64{};
}

// ---- sections ----

IMAGE_SECTION_HEADER PeImage::Section(uint16_t i) const {
    if (!sectionTableFits_ || i >= sections_) return IMAGE_SECTION_HEADER{};
    return Get<IMAGE_SECTION_HEADER>(SectionHeaderOffset(i));
}

bool PeImage::SectionsSound() const {
    if (!sound_ || sizeOfImage_ == 0 || sizeOfImage_ > kMaxImageSize) return false;
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = Section(i);
        if (static_cast<uint64_t>(sh.VirtualAddress) + sh.Misc.VirtualSize > sizeOfImage_) return false;
    }
    return true;
}

bool PeImage::SectionOf(uint32_t rva, IMAGE_SECTION_HEADER& section) const {
    if (!sectionTableFits_) return false;
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = Section(i);
        // The first section holding the RVA decides, as in the system's conversion.
        if (rva >= sh.VirtualAddress && rva < static_cast<uint64_t>(sh.VirtualAddress) + sh.SizeOfRawData) {
            section = sh;
            return true;
        }
    }
    return false;
}

bool PeImage::RvaToOffset(uint32_t rva, uint64_t len, uint64_t& offset) const {
    IMAGE_SECTION_HEADER sh;
    if (!SectionOf(rva, sh)) return false;
    const uint64_t at = static_cast<uint64_t>(sh.PointerToRawData) + (rva - sh.VirtualAddress);
    if (!Fits(at, len)) return false;
    offset = at;
    return true;
}

bool PeImage::RvaToSectionOffset(uint32_t rva, uint64_t len, uint64_t& offset) const {
    IMAGE_SECTION_HEADER sh;
    if (!SectionOf(rva, sh)) return false;
    if (static_cast<uint64_t>(rva - sh.VirtualAddress) + len > sh.SizeOfRawData) return false;
    return RvaToOffset(rva, len, offset);
}

// ---- data directories ----

PeImage::Lookup PeImage::Directory(int index, uint32_t& rva, uint32_t& size) const {
    rva = size = 0;
    if (!fileHeader_ || index < 0 || index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES) return Lookup::Damaged;
    uint64_t countAt = 0, first = 0;
    if (magic_ == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        countAt = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
        first = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else if (magic_ == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        countAt = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
        first = optOffset_ + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    } else {
        return Lookup::Absent;  // the system finds no directories in it
    }
    uint32_t count = 0;
    if (!Read(countAt, count)) return Lookup::Damaged;
    if (static_cast<uint32_t>(index) >= count) return Lookup::Absent;
    const uint64_t entry = first + 8ull * static_cast<unsigned>(index);
    if (!Read(entry, rva) || !Read(entry + 4, size)) return Lookup::Damaged;
    return rva ? Lookup::Found : Lookup::Absent;
}

PeImage::Lookup PeImage::DirectoryOffset(int index, uint64_t& offset, uint32_t& size) const {
    uint32_t rva = 0;
    const Lookup found = Directory(index, rva, size);
    if (found != Lookup::Found) return found;
    uint32_t sizeOfHeaders = 0;
    if (!Read(optOffset_ + 60, sizeOfHeaders)) return Lookup::Damaged;  // at the same place in both formats
    if (rva < sizeOfHeaders) {
        offset = rva;
        return Lookup::Found;
    }
    IMAGE_SECTION_HEADER sh;
    if (!SectionOf(rva, sh)) return Lookup::Absent;
    offset = static_cast<uint64_t>(sh.PointerToRawData) + (rva - sh.VirtualAddress);
    return Lookup::Found;
}

// ---- resources ----

bool PeImage::LocateResource(const ResId& type, const ResId& name, std::vector<ResourceData>& out) const {
    out.clear();
    if (!SectionsSound()) return false;
    uint32_t rootRva = 0, dirSize = 0;
    uint64_t root = 0;
    if (Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE, rootRva, dirSize) != Lookup::Found || dirSize == 0) return false;
    if (!RvaToSectionOffset(rootRva, kDirectoryHeader, root)) return false;
    // Every offset in the tree is relative to its root and stays inside the root's section
    // as far as the file holds it: find that room. The section itself must be no larger than
    // the file (a damaged VirtualSize there has the version functions allocate and walk it).
    IMAGE_SECTION_HEADER home{};
    SectionOf(rootRva, home);
    uint64_t room = static_cast<uint64_t>(home.VirtualAddress) + home.SizeOfRawData - rootRva;
    if (home.Misc.VirtualSize > size_ || home.SizeOfRawData > size_) return false;
    // The directory's declared size stays inside that section too.
    const uint64_t extent = static_cast<uint64_t>(home.VirtualAddress) +
                            (home.Misc.VirtualSize > home.SizeOfRawData ? home.Misc.VirtualSize : home.SizeOfRawData);
    if (static_cast<uint64_t>(rootRva) + dirSize > extent) return false;
    if (room > size_ - root) room = size_ - root;
    // From here on every read lies inside the room: a span of it.
    const ByteSpan tree(data_ + root, static_cast<size_t>(room));

    // The entries of the directory at `dir` (relative to the root) that match `want` and are of
    // the wanted kind. A directory whose entries do not fit, or a match of the wrong kind, is
    // damage: false.
    auto matches = [&](uint32_t dir, const ResId& want, bool wantDirectory, std::vector<uint32_t>& targets) {
        IMAGE_RESOURCE_DIRECTORY d;
        if (!tree.Read(dir, d)) return false;
        const uint64_t entries = static_cast<uint64_t>(d.NumberOfNamedEntries) + d.NumberOfIdEntries;
        if (!tree.Fits(dir + kDirectoryHeader, kDirectoryEntry * entries)) return false;
        for (uint64_t e = 0; e < entries; ++e) {
            const uint64_t at = dir + kDirectoryHeader + kDirectoryEntry * e;
            const uint32_t nameField = tree.U32(at);
            const uint32_t target = tree.U32(at + 4);
            bool hit = false;
            if (nameField & 0x80000000u) {
                if (want.id != 0 || want.name.empty()) continue;
                // IMAGE_RESOURCE_DIR_STRING_U: a WORD length, then that many UTF-16 units.
                const uint64_t s = nameField & 0x7FFFFFFFu;
                uint16_t len = 0;
                if (!tree.Read(s, len) || !tree.Fits(s + 2, 2ull * len)) return false;
                if (len != want.name.size()) continue;
                hit = true;
                for (uint16_t k = 0; k < len && hit; ++k) {
                    const uint16_t c = tree.U16(s + 2 + 2ull * k);
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
        IMAGE_RESOURCE_DIRECTORY d;
        if (!tree.Read(n, d)) return false;
        const uint64_t entries = static_cast<uint64_t>(d.NumberOfNamedEntries) + d.NumberOfIdEntries;
        if (!tree.Fits(n + kDirectoryHeader, kDirectoryEntry * entries)) return false;
        for (uint64_t e = 0; e < entries; ++e) {
            const uint64_t at = n + kDirectoryHeader + kDirectoryEntry * e;
            const uint32_t lang = tree.U32(at);
            const uint32_t target = tree.U32(at + 4);
            if (target & 0x80000000u) return false;  // a language entry leads to data, not a directory
            IMAGE_RESOURCE_DATA_ENTRY de;
            if (!tree.Read(target, de)) return false;
            ResourceData r;
            r.rva = de.OffsetToData;
            r.size = de.Size;
            r.language = static_cast<uint16_t>(lang & 0xFFFFu);
            uint64_t at64 = 0;
            if (r.size == 0 || !RvaToSectionOffset(r.rva, r.size, at64)) return false;
            r.fileOffset = static_cast<uint32_t>(at64);
            // The data lie in the resource section too: readers locate them through it.
            if (r.rva < home.VirtualAddress ||
                static_cast<uint64_t>(r.rva) + r.size > static_cast<uint64_t>(home.VirtualAddress) + home.SizeOfRawData)
                return false;
            out.push_back(r);
        }
    }
    return !out.empty();
}

PeImage::Lookup PeImage::ResourceRoot(uint64_t& root) const {
    // The system's resource functions need no more of the optional header than its first 64
    // bytes and the directory entry.
    if (!pe_ || !headersFit_) return Lookup::Damaged;
    uint32_t size = 0;
    const Lookup found = DirectoryOffset(IMAGE_DIRECTORY_ENTRY_RESOURCE, root, size);
    if (found != Lookup::Found) return found;
    if (!root || !Fits(root, kDirectoryHeader)) return Lookup::Damaged;
    return Lookup::Found;
}

bool PeImage::HasResources() const {
    uint64_t root = 0;
    return ResourceRoot(root) == Lookup::Found;
}

bool PeImage::ResourcesSound() const {
    if (resourcesSound_ < 0) resourcesSound_ = WalkResources() ? 1 : 0;
    return resourcesSound_ == 1;
}

bool PeImage::WalkResources() const {
    uint64_t root = 0;
    const Lookup found = ResourceRoot(root);
    if (found == Lookup::Damaged) return false;
    if (found == Lookup::Absent) return true;
    std::unordered_set<uint64_t> seen[3];
    size_t budget = kEntryBudget;
    // Every directory once per level, every entry and name string checked against the file.
    struct Walk {
        const PeImage& image;
        uint64_t root;
        std::unordered_set<uint64_t> (&seen)[3];
        size_t& budget;
        bool Dir(uint64_t off, int depth) {
            if (!seen[depth].insert(off).second) return true;
            if (!image.Fits(off, kDirectoryHeader)) return false;
            const size_t n = size_t{image.U16(off + 12)} + image.U16(off + 14);
            // The icon extraction takes a language directory's first entry without looking at
            // its count, so that entry must exist.
            if (depth == 2 && n == 0) return false;
            if (!image.Fits(off + kDirectoryHeader, kDirectoryEntry * std::max<size_t>(n, 1))) return false;
            if (n > budget) return false;
            budget -= n;
            for (size_t i = 0; i < n; ++i) {
                const uint64_t e = off + kDirectoryHeader + kDirectoryEntry * i;
                const uint32_t name = image.U32(e), data = image.U32(e + 4);
                if (name & 0x80000000u) {
                    const uint64_t s = root + (name & 0x7FFFFFFFu);
                    if (!image.Fits(s, 2) || !image.Fits(s + 2, 2u * image.U16(s))) return false;
                }
                const uint64_t child = root + (data & 0x7FFFFFFFu);
                if (!image.Fits(child, kDataEntry)) return false;
                if (depth < 2 && !Dir(child, depth + 1)) return false;
            }
            return true;
        }
    } walk{*this, root, seen, budget};
    return walk.Dir(root, 0);
}

bool PeImage::ResourceDataOffset(uint32_t rva, uint32_t length, size_t& offset) const {
    // The loader takes the first section whose raw data holds the start, the icon extraction
    // the last one that holds the whole: every section either would take must put the data
    // inside the file.
    bool found = false;
    for (uint16_t i = 0; i < sections_; ++i) {
        const auto sh = Section(i);
        const uint64_t end = uint64_t{sh.VirtualAddress} + sh.SizeOfRawData;
        const bool holdsStart = sh.VirtualAddress <= rva && end > rva;
        const bool holdsAll = sh.VirtualAddress <= rva && uint64_t{rva} + length <= end;
        if (!holdsStart && !holdsAll) continue;
        const uint64_t at = uint64_t{sh.PointerToRawData} + (rva - sh.VirtualAddress);
        if (!Fits(at, length)) return false;
        if (!found && holdsStart) offset = static_cast<size_t>(at), found = true;
    }
    return found;
}

std::string PeImage::ResourceName(uint64_t root, uint32_t field) const {
    const uint64_t s = root + (field & 0x7FFFFFFFu);
    const uint16_t len = U16(s);
    if (!len || !Fits(s + 2, 2ull * len)) return {};
    std::wstring w(len, L'\0');
    for (uint16_t i = 0; i < len; ++i) w[i] = static_cast<wchar_t>(U16(s + 2 + 2u * i));
    const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w.data(), len, out.data(), n, nullptr, nullptr);
    return out;
}

std::vector<PeImage::ResourceItem> PeImage::ResourcesOfType(uint16_t type) const {
    std::vector<ResourceItem> out;
    uint64_t root = 0;
    if (ResourceRoot(root) != Lookup::Found || !ResourcesSound()) return out;
    // The tree has been walked (ResourcesSound): every directory, entry and data entry below
    // fits, and each read checks again all the same.
    std::unordered_set<uint64_t> langDirs;
    size_t budget = kEntryBudget;
    const size_t types = size_t{U16(root + 12)} + U16(root + 14);
    for (size_t t = 0; t < types; ++t) {
        const uint64_t te = root + kDirectoryHeader + kDirectoryEntry * t;
        if ((U32(te) & 0x80000000u) || (U32(te) & 0xFFFFu) != type) continue;
        const uint64_t names = root + (U32(te + 4) & 0x7FFFFFFFu);
        const size_t nameCount = size_t{U16(names + 12)} + U16(names + 14);
        for (size_t n = 0; n < nameCount; ++n) {
            const uint64_t ne = names + kDirectoryHeader + kDirectoryEntry * n;
            const uint32_t nameField = U32(ne);
            const uint64_t langs = root + (U32(ne + 4) & 0x7FFFFFFFu);
            if (!langDirs.insert(langs).second) continue;
            const size_t langCount = size_t{U16(langs + 12)} + U16(langs + 14);
            if (langCount > budget) return out;
            budget -= langCount;
            for (size_t l = 0; l < langCount; ++l) {
                const uint64_t le = langs + kDirectoryHeader + kDirectoryEntry * l;
                const uint64_t data = root + (U32(le + 4) & 0x7FFFFFFFu);
                ResourceItem item;
                if (nameField & 0x80000000u) item.name = ResourceName(root, nameField);
                else item.nameId = static_cast<uint16_t>(nameField);
                item.language = static_cast<uint16_t>(U32(le));
                item.rva = U32(data);
                item.size = U32(data + 4);
                item.fits = ResourceDataOffset(item.rva, item.size, item.offset);
                out.push_back(std::move(item));
            }
        }
    }
    return out;
}

// ---- imports and exports ----

bool PeImage::TextAtRva(uint32_t rva, std::string& text) const {
    uint64_t offset = 0;
    if (!RvaToOffset(rva, 1, offset)) {
        text.clear();
        return false;
    }
    return Text(offset, text);
}

bool PeImage::DirectoryData(int index, uint64_t len, uint64_t& offset) const {
    uint32_t size = 0;
    return DirectoryOffset(index, offset, size) == Lookup::Found && Fits(offset, len);
}

std::vector<PeImage::ImportDescriptor> PeImage::Imports() const {
    std::vector<ImportDescriptor> out;
    uint64_t at = 0;
    if (!DirectoryData(IMAGE_DIRECTORY_ENTRY_IMPORT, sizeof(IMAGE_IMPORT_DESCRIPTOR), at)) return out;
    IMAGE_IMPORT_DESCRIPTOR d;
    for (; Read(at, d) && d.Name != 0; at += sizeof d) {
        ImportDescriptor import;
        if (!TextAtRva(d.Name, import.module)) break;
        import.originalFirstThunk = d.OriginalFirstThunk;
        import.timeDateStamp = d.TimeDateStamp;
        import.firstThunk = d.FirstThunk;
        out.push_back(std::move(import));
    }
    return out;
}

std::vector<PeImage::ImportedFunction> PeImage::ImportedFunctions(const ImportDescriptor& import) const {
    std::vector<ImportedFunction> out;
    // A bound import keeps the names in the original thunks; else the first thunks hold them.
    const uint32_t list = import.timeDateStamp == 0xFFFFFFFFu ? import.originalFirstThunk : import.firstThunk;
    const uint64_t width = pe64_ ? 8 : 4;
    const uint64_t ordinalFlag = pe64_ ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
    uint64_t at = 0;
    if (!RvaToOffset(list, width, at)) return out;
    for (; Fits(at, width); at += width) {
        const uint64_t thunk = pe64_ ? Get<uint64_t>(at) : Get<uint32_t>(at);
        if (thunk == 0) break;
        ImportedFunction f;
        if (thunk & ordinalFlag) {
            f.value = static_cast<uint16_t>(thunk & 0xFFFF);
            out.push_back(std::move(f));
            continue;
        }
        // A hint/name RVA wider than 32 bits is damage: stop there.
        if (thunk > 0xFFFFFFFFull) break;
        const auto rva = static_cast<uint32_t>(thunk);
        uint64_t hint = 0;
        if (!RvaToOffset(rva, 2, hint) || !TextAtRva(rva + 2, f.name)) break;
        f.value = U16(hint);
        out.push_back(std::move(f));
    }
    return out;
}

bool PeImage::Exports(ExportTable& table) const {
    table = ExportTable{};
    uint64_t at = 0, unused = 0;
    IMAGE_EXPORT_DIRECTORY ed;
    if (!DirectoryData(IMAGE_DIRECTORY_ENTRY_EXPORT, sizeof ed, at) || !Read(at, ed)) return false;
    // Each function has a 4-byte slot in the address table: a count whose table does not fit
    // in the file is damage.
    if (ed.NumberOfFunctions == 0 || ed.NumberOfFunctions > size_ / 4 ||
        !RvaToOffset(ed.AddressOfFunctions, 4ull * ed.NumberOfFunctions, unused))
        return false;
    table.base = ed.Base;
    table.functions = ed.NumberOfFunctions;
    uint64_t names = 0, ordinals = 0;
    if (!RvaToOffset(ed.AddressOfNames, 4, names) || !RvaToOffset(ed.AddressOfNameOrdinals, 2, ordinals)) return true;
    // The name table and the ordinal table run side by side; the walk ends where either leaves
    // the file. A slot beyond the functions or a name not in the file is passed over.
    for (uint32_t j = 0; j < ed.NumberOfNames; ++j) {
        uint32_t nameRva = 0;
        uint16_t index = 0;
        if (!Read(names + 4ull * j, nameRva) || !Read(ordinals + 2ull * j, index)) break;
        if (index >= ed.NumberOfFunctions) continue;
        ExportedName e;
        if (!TextAtRva(nameRva, e.name)) continue;
        e.index = index;
        e.position = j;
        table.names.push_back(std::move(e));
    }
    return true;
}

// ---- checks before a system function ----

bool PeImage::HeadersInFile(const std::string& path) { return PeImage(path).HeadersSound(); }

bool PeImage::VersionResourceSound(const std::string& path) {
    std::vector<ResourceData> found;
    return PeImage(path).LocateResource(ResId(uint16_t(16)) /* RT_VERSION */, ResId(uint16_t(VS_VERSION_INFO)), found);
}

const IMAGE_NT_HEADERS* PeImage::LoadedHeaders(HMODULE module) {
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    if (!base) return nullptr;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}
