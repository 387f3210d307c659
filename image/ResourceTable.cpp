#include "image/ResourceTable.h"

#include <algorithm>
#include <unordered_set>

namespace {
// More directory entries than any real file holds: a crafted tree of overlapping directories
// is refused instead of walked for ever.
constexpr size_t kEntryBudget = size_t{1} << 22;
}  // namespace

ResourceTable::ResourceTable(const uint8_t* bytes, size_t size) : b_(bytes), size_(bytes ? size : 0) {
    sound_ = ReadHeaders();
    if (!sound_ || !root_) return;
    std::unordered_set<size_t> seen[3];
    size_t budget = kEntryBudget;
    // Every directory once per level, every entry and name string checked against the file.
    struct Walk {
        const ResourceTable& t;
        std::unordered_set<size_t> (&seen)[3];
        size_t& budget;
        bool Dir(size_t off, int depth) {
            if (!seen[depth].insert(off).second) return true;
            if (!t.Fits(off, 16)) return false;
            const size_t n = size_t{t.U16(off + 12)} + t.U16(off + 14);
            // The icon extraction takes a language directory's first entry without looking at
            // its count, so that entry must exist.
            if (depth == 2 && n == 0) return false;
            if (!t.Fits(off + 16, 8 * std::max<size_t>(n, 1))) return false;
            if (n > budget) return false;
            budget -= n;
            for (size_t i = 0; i < n; ++i) {
                const size_t e = off + 16 + 8 * i;
                const uint32_t name = t.U32(e), data = t.U32(e + 4);
                if (name & 0x80000000u) {
                    const uint64_t s = uint64_t{t.root_} + (name & 0x7FFFFFFFu);
                    if (!t.Fits(s, 2) || !t.Fits(s + 2, 2u * t.U16(static_cast<size_t>(s)))) return false;
                }
                const uint64_t child = uint64_t{t.root_} + (data & 0x7FFFFFFFu);
                if (depth < 2) {
                    if (!t.Fits(child, 16) || !Dir(static_cast<size_t>(child), depth + 1)) return false;
                } else if (!t.Fits(child, 16)) {
                    return false;
                }
            }
            return true;
        }
    } walk{*this, seen, budget};
    sound_ = walk.Dir(root_, 0);
}

bool ResourceTable::ReadHeaders() {
    if (size_ < 0x40 || b_[0] != 'M' || b_[1] != 'Z') return false;
    const uint32_t nt = U32(0x3C);
    if (!Fits(nt, 4)) return false;
    if (b_[nt] == 'N' && b_[nt + 1] == 'E') {
        ne_ = true;
        return false;
    }
    if (b_[nt] != 'P' || b_[nt + 1] != 'E' || b_[nt + 2] || b_[nt + 3]) return false;
    pe_ = true;
    // File header, then the optional header's magic and SizeOfHeaders (at the same place in
    // both formats).
    const size_t fileHeader = size_t{nt} + 4, opt = size_t{nt} + 24;
    if (!Fits(fileHeader, 20) || !Fits(opt, 64)) return false;
    sectionCount_ = U16(fileHeader + 2);
    sections_ = opt + U16(fileHeader + 16);
    if (!Fits(sections_, 40u * sectionCount_)) return false;
    size_t countAt = 0, dirs = 0;
    switch (U16(opt)) {
        case IMAGE_NT_OPTIONAL_HDR32_MAGIC: countAt = opt + 92, dirs = opt + 96; break;
        case IMAGE_NT_OPTIONAL_HDR64_MAGIC: countAt = opt + 108, dirs = opt + 112; break;
        default: return true;  // the system finds no directories in it
    }
    if (!Fits(countAt, 4)) return false;
    if (U32(countAt) <= IMAGE_DIRECTORY_ENTRY_RESOURCE) return true;
    const size_t entry = dirs + 8 * IMAGE_DIRECTORY_ENTRY_RESOURCE;
    if (!Fits(entry, 8)) return false;
    const uint32_t rva = U32(entry);
    if (!rva) return true;
    // The loader takes a directory below SizeOfHeaders as a file offset, any other through
    // the first section whose raw data holds it.
    size_t root = 0;
    if (rva < U32(opt + 60)) {
        root = rva;
    } else {
        bool found = false;
        for (uint16_t i = 0; i < sectionCount_ && !found; ++i) {
            const size_t s = sections_ + 40u * i;
            const uint32_t va = U32(s + 12), raw = U32(s + 16), ptr = U32(s + 20);
            if (va <= rva && uint64_t{va} + raw > rva) root = uint64_t{ptr} + (rva - va), found = true;
        }
        if (!found) return true;
    }
    if (!root || !Fits(root, 16)) return false;
    root_ = root;
    return true;
}

bool ResourceTable::SectionOffset(uint32_t rva, uint32_t length, size_t& offset) const {
    // The loader takes the first section whose raw data holds the start, the icon extraction
    // the last one that holds the whole: every section either would take must put the data
    // inside the file.
    bool found = false;
    for (uint16_t i = 0; i < sectionCount_; ++i) {
        const size_t s = sections_ + 40u * i;
        const uint32_t va = U32(s + 12), raw = U32(s + 16), ptr = U32(s + 20);
        const uint64_t end = uint64_t{va} + raw;
        const bool holdsStart = va <= rva && end > rva;
        const bool holdsAll = va <= rva && uint64_t{rva} + length <= end;
        if (!holdsStart && !holdsAll) continue;
        const uint64_t at = uint64_t{ptr} + (rva - va);
        if (!Fits(at, length)) return false;
        if (!found && holdsStart) offset = static_cast<size_t>(at), found = true;
    }
    return found;
}

std::string ResourceTable::NameAt(uint32_t field) const {
    const size_t s = root_ + (field & 0x7FFFFFFFu);
    const uint16_t len = U16(s);
    std::wstring w(len, L'\0');
    for (uint16_t i = 0; i < len; ++i) w[i] = static_cast<wchar_t>(U16(s + 2 + 2u * i));
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w.data(), len, out.data(), n, nullptr, nullptr);
    return out;
}

std::vector<ResourceTable::Item> ResourceTable::OfType(uint16_t type) const {
    std::vector<Item> out;
    if (!Sound() || !root_) return out;
    std::unordered_set<size_t> langDirs;
    size_t budget = kEntryBudget;
    const size_t types = size_t{U16(root_ + 12)} + U16(root_ + 14);
    for (size_t t = 0; t < types; ++t) {
        const size_t te = root_ + 16 + 8 * t;
        if ((U32(te) & 0x80000000u) || (U32(te) & 0xFFFFu) != type) continue;
        const size_t names = root_ + (U32(te + 4) & 0x7FFFFFFFu);
        const size_t nameCount = size_t{U16(names + 12)} + U16(names + 14);
        for (size_t n = 0; n < nameCount; ++n) {
            const size_t ne = names + 16 + 8 * n;
            const uint32_t nameField = U32(ne);
            const size_t langs = root_ + (U32(ne + 4) & 0x7FFFFFFFu);
            if (!langDirs.insert(langs).second) continue;
            const size_t langCount = size_t{U16(langs + 12)} + U16(langs + 14);
            if (langCount > budget) return out;
            budget -= langCount;
            for (size_t l = 0; l < langCount; ++l) {
                const size_t le = langs + 16 + 8 * l;
                const size_t data = root_ + (U32(le + 4) & 0x7FFFFFFFu);
                Item item;
                if (nameField & 0x80000000u) item.name = NameAt(nameField);
                else item.nameId = static_cast<uint16_t>(nameField);
                item.language = static_cast<uint16_t>(U32(le));
                item.rva = U32(data);
                item.size = U32(data + 4);
                item.fits = SectionOffset(item.rva, item.size, item.offset);
                out.push_back(std::move(item));
            }
        }
    }
    return out;
}

IconSource CheckIconSource(const uint8_t* b, size_t size) {
    if (!b || !size) return IconSource::Missing;
    auto u16 = [b](size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; };
    auto fits = [size](uint64_t off, uint64_t len) { return off <= size && len <= size - off; };
    // An icon file: reserved 0, type 1, a directory and images inside the file.
    if (size >= 6 && u16(0) == 0 && u16(2) == 1) {
        const uint16_t count = u16(4);
        if (!count) return IconSource::Other;
        if (!fits(6, 16u * count)) return IconSource::Damaged;
        for (uint16_t i = 0; i < count; ++i) {
            const size_t e = 6 + 16u * i;
            if (!fits(u32(e + 12), u32(e + 8))) return IconSource::Damaged;
        }
        return IconSource::Sound;
    }
    ResourceTable table(b, size);
    if (table.IsNe()) return IconSource::Damaged;
    if (!table.IsPe()) return IconSource::Other;
    if (!table.Sound()) return IconSource::Damaged;
    for (const auto& group : table.OfType(14)) {
        // The group's header and its 14-byte entries, as many as its count says.
        if (!group.fits || group.size < 6 || 6 + 14ull * u16(group.offset + 4) > group.size) return IconSource::Damaged;
    }
    for (const auto& image : table.OfType(3))
        if (!image.fits) return IconSource::Damaged;
    return IconSource::Sound;
}

IconSource CheckIconSource(const std::string& path) {
    MappedFile file(ResolveFile(path));
    return CheckIconSource(file.Data(), file.Size());
}

std::string ResolveFile(const std::string& file) {
    if (file.empty()) return {};
    char buf[MAX_PATH * 2];
    DWORD n = SearchPathA(nullptr, file.c_str(), nullptr, sizeof buf, buf, nullptr);
    if (n == 0 || n >= sizeof buf) return {};
    DWORD attributes = GetFileAttributesA(buf);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return std::string(buf, n);
}

bool ResourceModule::Load(const std::string& file) {
    Free();
    error_ = 0;
    const std::string path = ResolveFile(file);
    if (path.empty()) {
        error_ = ERROR_FILE_NOT_FOUND;
        return false;
    }
    {
        MappedFile bytes(path);
        ResourceTable table(bytes.Data(), bytes.Size());
        if (!table.IsPe()) {
            error_ = bytes.Data() ? ERROR_BAD_EXE_FORMAT : ERROR_FILE_NOT_FOUND;
            return false;
        }
        if (!table.Sound()) {
            error_ = ERROR_FILE_CORRUPT;
            return false;
        }
        fileSize_ = bytes.Size();
    }
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module_) {
        error_ = GetLastError();
        if (!error_) error_ = ERROR_MOD_NOT_FOUND;
        return false;
    }
    return true;
}

void ResourceModule::Free() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    fileSize_ = 0;
}

bool ResourceModule::Holds(const void* data, size_t size) const {
    if (!module_ || !data) return false;
    const auto base = reinterpret_cast<uintptr_t>(module_) & ~uintptr_t{3};
    size_t limit = 0;
    if (reinterpret_cast<uintptr_t>(module_) & 3) {
        // A view of the file: no further than the file's bytes, nor than the view.
        MEMORY_BASIC_INFORMATION info{};
        if (!VirtualQuery(reinterpret_cast<const void*>(base), &info, sizeof info)) return false;
        limit = std::min(fileSize_, static_cast<size_t>(info.RegionSize));
    } else {
        // A module the loader has mapped as an image: its SizeOfImage.
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        limit = nt->OptionalHeader.SizeOfImage;
    }
    const auto at = reinterpret_cast<uintptr_t>(data);
    return at >= base && at - base <= limit && size <= limit - (at - base);
}
