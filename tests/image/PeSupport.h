// Helpers of the image tests: where the fixture DLLs are, the prefix's system folder, and a
// small independent reader of a PE file's bytes to check the reader against.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pe_test {

// Windows path of the fixture folder of one kind ("x64" or "x86"), without a trailing backslash.
inline std::string FixtureDir(const std::string& kind) {
    std::string p = "Z:" VELM_PE_FIXTURES_UNIX "/" + kind;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

inline std::string SystemDir() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

inline std::vector<unsigned char> ReadAll(const std::string& path) {
    std::vector<unsigned char> bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(h, nullptr), got = 0;
    bytes.resize(size);
    if (size && !ReadFile(h, bytes.data(), size, &got, nullptr)) got = 0;
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}

inline bool WriteAll(const std::string& path, const unsigned char* data, size_t len) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok = len == 0 || WriteFile(h, data, static_cast<DWORD>(len), &put, nullptr);
    CloseHandle(h);
    return ok && put == len;
}

// The layout of an intact image as read straight from its bytes.
struct RawImage {
    std::vector<unsigned char> bytes;
    uint32_t ntOffset = 0, optOffset = 0, sectionOffset = 0;
    uint16_t sections = 0;
    bool pe64 = false;

    explicit RawImage(std::vector<unsigned char> b) : bytes(std::move(b)) {
        ntOffset = U32(0x3C);
        optOffset = ntOffset + 24;
        sections = U16(ntOffset + 6);
        sectionOffset = optOffset + U16(ntOffset + 20);
        pe64 = U16(optOffset) == 0x20B;
    }
    uint16_t U16(size_t off) const { return static_cast<uint16_t>(bytes[off] | bytes[off + 1] << 8); }
    uint32_t U32(size_t off) const { return U16(off) | static_cast<uint32_t>(U16(off + 2)) << 16; }
    uint64_t U64(size_t off) const { return U32(off) | static_cast<uint64_t>(U32(off + 4)) << 32; }
    uint64_t ImageBase() const { return pe64 ? U64(optOffset + 24) : U32(optOffset + 28); }
    // Offset of a data directory's entry (RVA, then size) in the optional header.
    uint32_t DirectoryEntry(int index) const { return optOffset + (pe64 ? 112 : 96) + 8 * index; }
    // File offset of an RVA through the section table; 0 when no section holds it.
    uint32_t Offset(uint32_t rva) const {
        for (uint16_t i = 0; i < sections; ++i) {
            const uint32_t s = sectionOffset + 40u * i;
            const uint32_t va = U32(s + 12), raw = U32(s + 16), ptr = U32(s + 20);
            if (rva >= va && rva < va + raw) return rva - va + ptr;
        }
        return 0;
    }
    std::string Str(uint32_t rva) const { return reinterpret_cast<const char*>(&bytes[Offset(rva)]); }
    // The import descriptors' file offsets, in directory order.
    std::vector<uint32_t> ImportDescriptors() const {
        std::vector<uint32_t> out;
        const uint32_t rva = U32(DirectoryEntry(1));
        if (!rva) return out;
        for (uint32_t d = Offset(rva); U32(d + 12) != 0; d += 20) out.push_back(d);
        return out;
    }
    std::vector<std::string> ImportNames() const {
        std::vector<std::string> names;
        for (uint32_t d : ImportDescriptors()) names.push_back(Str(U32(d + 12)));
        return names;
    }
};

}  // namespace pe_test
