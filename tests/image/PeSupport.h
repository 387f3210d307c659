// Helpers of the image tests: where the fixture DLLs are, the prefix's system folder, and a
// small independent reader of a PE file's bytes to check the reader against.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// Windows path of the folder of the DLLs with version resources (verde.dll and its kin).
inline std::string VersionFixtureDir() {
    std::string p = "Z:" VELM_PE_FIXTURES_UNIX "/../version";
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

inline std::string SystemDir() {
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

// The folder that holds the system libraries of one machine (a 32-bit and a 64-bit one), named
// as this program reaches the files the loader of that machine reads there: the 64-bit build
// reaches the 32-bit ones in SysWOW64 and its own in System32; the 32-bit build its own in its
// system folder (SysWOW64's on 64-bit Windows, named so) and, on 64-bit Windows, the native ones
// through "Sysnative". Asked of the system here, apart from the code under test. On 32-bit
// Windows there is no 64-bit folder.
struct MachineFolder {
    WORD machine;
    std::string folder;
};
inline std::vector<MachineFolder> SystemFoldersByMachine() {
    char buf[MAX_PATH] = {};
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::vector<MachineFolder> folders;
    const bool wow64Folder = sizeof(void*) == 8 || wow64;
    if (wow64Folder && GetSystemWow64DirectoryA(buf, MAX_PATH) > 0) folders.push_back({IMAGE_FILE_MACHINE_I386, buf});
    else folders.push_back({IMAGE_FILE_MACHINE_I386, SystemDir()});
    if (sizeof(void*) == 8) {
        folders.push_back({IMAGE_FILE_MACHINE_AMD64, SystemDir()});
    } else if (wow64) {
        GetWindowsDirectoryA(buf, MAX_PATH);
        folders.push_back({IMAGE_FILE_MACHINE_AMD64, std::string(buf) + "\\Sysnative"});
    }
    return folders;
}

// A copy of a file alone in a folder of its own under the temporary folder, as a program a user
// put somewhere; the copy and its folder go at the end.
struct LoneCopy {
    std::string dir, path;
    bool made = false;
    LoneCopy(const std::string& source, const std::string& folder, const std::string& name) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir = std::string(temp) + folder;
        path = dir + "\\" + name;
        CreateDirectoryA(dir.c_str(), nullptr);
        made = CopyFileA(source.c_str(), path.c_str(), FALSE) != 0;
    }
    ~LoneCopy() {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(dir.c_str());
    }
    LoneCopy(const LoneCopy&) = delete;
    LoneCopy& operator=(const LoneCopy&) = delete;
};

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
    // File offset of the header of the section that holds an RVA (0 when none does).
    uint32_t SectionHeaderOf(uint32_t rva) const {
        for (uint16_t i = 0; i < sections; ++i) {
            const uint32_t s = sectionOffset + 40u * i;
            if (rva >= U32(s + 12) && rva < U32(s + 12) + U32(s + 16)) return s;
        }
        return 0;
    }
    // File offset of the data entry (RVA, size) of the first version resource: the first entry
    // of type 16, its first name, its first language. 0 when the image has none.
    uint32_t VersionDataEntry() const {
        const uint32_t root = Offset(U32(DirectoryEntry(2)));
        if (!root) return 0;
        auto child = [&](uint32_t dir, uint32_t id) -> uint32_t {
            const uint32_t n = U16(dir + 12) + U16(dir + 14);
            for (uint32_t e = 0; e < n; ++e) {
                const uint32_t at = dir + 16 + 8 * e;
                if (id == 0 || U32(at) == id) return root + (U32(at + 4) & 0x7FFFFFFFu);
            }
            return 0;
        };
        const uint32_t type = child(root, 16);
        const uint32_t name = type ? child(type, 0) : 0;
        return name ? child(name, 0) : 0;
    }
    std::vector<std::string> ImportNames() const {
        std::vector<std::string> names;
        for (uint32_t d : ImportDescriptors()) names.push_back(Str(U32(d + 12)));
        return names;
    }
};

inline void Put32(std::vector<unsigned char>& bytes, size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }

struct Damage {
    std::string name;
    std::vector<unsigned char> bytes;
};

// Copies of a DLL with a version resource, each damaged where the version functions look.
inline std::vector<Damage> VersionDamages(const std::vector<unsigned char>& good) {
    const RawImage raw(good);
    const uint32_t entry = raw.VersionDataEntry();
    const uint32_t section = raw.SectionHeaderOf(raw.U32(raw.DirectoryEntry(2)));
    std::vector<Damage> out;
    if (entry == 0 || section == 0) return out;
    auto damaged = [&](const std::string& name, size_t at, uint32_t value) {
        std::vector<unsigned char> b = good;
        Put32(b, at, value);
        out.push_back({name, b});
    };
    damaged("size-huge.dll", entry + 4, 0x10000000u);
    damaged("size-file.dll", entry + 4, static_cast<uint32_t>(good.size()));
    damaged("size-wrap.dll", entry + 4, 0xFFFFF001u);
    damaged("offset-end.dll", entry, 0xFFFFFFFFu);
    damaged("offset-past.dll", entry, static_cast<uint32_t>(good.size()) + 0x10000);
    damaged("rsrc-virtualsize.dll", section + 8, 0xFFFFFFFFu);
    damaged("rsrc-rawsize.dll", section + 16, 0xFFFFFFF0u);
    damaged("dir-size.dll", raw.DirectoryEntry(2) + 4, 0xFFFFFFFFu);
    damaged("dir-rva.dll", raw.DirectoryEntry(2), 0xFFFFFF00u);
    damaged("subdir.dll", raw.Offset(raw.U32(raw.DirectoryEntry(2))) + 16 + 4, 0xFFFFFFF0u);
    return out;
}

// A copy of a DLL grown to whole pages whose e_lfanew points `back` bytes before its end,
// where an NT signature stands: the file header that follows is cut off by the file's end.
inline std::vector<unsigned char> HeadersAtTheEnd(const std::vector<unsigned char>& good, uint32_t back) {
    std::vector<unsigned char> b = good;
    b.resize((good.size() + 4095) / 4096 * 4096 + 4096, 0);
    const uint32_t nt = static_cast<uint32_t>(b.size()) - back;
    Put32(b, 0x3C, nt);
    std::memcpy(&b[nt], "PE\0\0", 4);
    return b;
}

#ifdef VELM_IMPORT_CHAIN_UNIX
// The chain of DLLs the build writes: c00000.dll imports c00001.dll, which imports c00002.dll,
// and so on to c09999.dll, which imports the missing c10000.dll.
constexpr int kImportChainLength = 10000;
inline std::string ImportChainFirst() {
    std::string p = "Z:" VELM_IMPORT_CHAIN_UNIX "/c00000.dll";
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
#endif

}  // namespace pe_test
