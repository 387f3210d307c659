#include "image/ResourceTable.h"

#include <algorithm>

#include "base/FileLookup.h"

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

std::string ResolveFile(const std::string& file) { return FileLookup::LoaderFile(file); }

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
        limit = PeImage::LoadedHeaders(reinterpret_cast<HMODULE>(base))->OptionalHeader.SizeOfImage;
    }
    const auto at = reinterpret_cast<uintptr_t>(data);
    return at >= base && at - base <= limit && size <= limit - (at - base);
}
