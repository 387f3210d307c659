// Damaged copies of a real MSFT type library (the bytes of stdole2.tlb of the prefix, or the
// TYPELIB resource of a system DLL) of the kinds that the bounds check lets through and that end
// the system's loader: a type's name offset past the end, a constant whose variant type is an
// interface pointer, an alias of a type that needs a description it does not have, and bytes
// flipped at random (a fixed seed) in the first 4 KB.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace loader_damage {

struct Damage {
    std::string name;
    std::vector<unsigned char> bytes;
};

inline int32_t Get32(const std::vector<unsigned char>& b, size_t at) {
    int32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, &b[at], 4);
    return v;
}
inline void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    if (at + 4 <= b.size()) std::memcpy(&b[at], &v, 4);
}

// The loader's layout of the library: the header, the type table (records of 0x64 bytes:
// kind at 0, members at 4, counts at 0x18, name at 0x34, aliased type at 0x54).
struct Msft {
    const std::vector<unsigned char>& b;
    size_t types = 0, dir = 0, table = 0;
    explicit Msft(const std::vector<unsigned char>& bytes) : b(bytes) {
        types = static_cast<size_t>(Get32(b, 0x20));
        dir = 0x54 + 4 * types + ((Get32(b, 0x14) & 0x100) ? 4 : 0);
        table = static_cast<size_t>(Get32(b, dir));
    }
    size_t Info(size_t i) const { return table + 0x64 * i; }
    int Kind(size_t i) const { return Get32(b, Info(i)) & 0xF; }
    size_t Segment(int s) const { return static_cast<size_t>(Get32(b, dir + 16u * s)); }
    size_t SegmentLength(int s) const { return static_cast<size_t>(Get32(b, dir + 16u * s + 4)); }
    // The variable records of type i, as the loader walks them: where each record starts.
    std::vector<size_t> VarRecords(size_t i) const {
        std::vector<size_t> out;
        const int32_t counts = Get32(b, Info(i) + 0x18);
        const size_t funcs = static_cast<size_t>(counts & 0xFFFF), vars = static_cast<size_t>(counts >> 16);
        const size_t block = static_cast<size_t>(Get32(b, Info(i) + 4));
        if (vars == 0 || block + 4 > b.size()) return out;
        const size_t infolen = static_cast<size_t>(Get32(b, block));
        size_t rec = block + 4 + static_cast<size_t>(Get32(b, block + infolen + ((funcs + vars) * 2 + funcs + 1) * 4));
        // Past the function records, each as long as its first byte says.
        for (size_t f = 0; f < funcs && rec < b.size(); ++f) rec += static_cast<size_t>(Get32(b, rec) & 0xFFFF);
        for (size_t v = 0; v < vars && rec + 20 <= b.size(); ++v) {
            out.push_back(rec);
            const size_t len = static_cast<size_t>(Get32(b, rec) & 0xFF);
            if (len == 0) break;
            rec += len;
        }
        return out;
    }
};

// The damaged copies of `good` (an MSFT library: its bytes start with "MSFT"); `flips` copies
// with bytes flipped at random.
inline std::vector<Damage> LoaderDamages(const std::vector<unsigned char>& good, int flips, unsigned seed = 35) {
    std::vector<Damage> out;
    if (good.size() < 0x60 || std::memcmp(good.data(), "MSFT", 4) != 0) return out;
    const Msft m(good);
    auto with = [&](const std::string& name, size_t at, uint32_t value) {
        Damage d{name, good};
        Put32(d.bytes, at, value);
        out.push_back(std::move(d));
    };
    for (size_t i = 0; i < m.types && i < 3; ++i) {
        with("type " + std::to_string(i) + "'s name past the end of the file", m.Info(i) + 0x34,
             static_cast<uint32_t>(good.size()));
        with("type " + std::to_string(i) + "'s name past the name table", m.Info(i) + 0x34,
             static_cast<uint32_t>(m.SegmentLength(7) + 0x40));
    }
    // Constants: their value held in the record (the variant type in bits 26-30) or in the
    // custom-data segment (a VARIANT starting with its type).
    int constants = 0;
    for (size_t i = 0; i < m.types && constants < 4; ++i) {
        for (size_t rec : m.VarRecords(i)) {
            if ((Get32(good, rec + 12) & 0xFFFF) != 2 /* VAR_CONST */) continue;
            const int32_t value = Get32(good, rec + 16);
            for (uint32_t vt : {13u /* VT_UNKNOWN */, 9u /* VT_DISPATCH */}) {
                const std::string name = "a constant of type " + std::to_string(i) + " as " +
                                         (vt == 13 ? "VT_UNKNOWN" : "VT_DISPATCH");
                if (value < 0) {
                    with(name, rec + 16, (static_cast<uint32_t>(value) & ~0x7C000000u) | (vt << 26));
                } else {
                    Damage d{name, good};
                    const size_t at = m.Segment(11) + static_cast<size_t>(value);
                    if (at + 2 > d.bytes.size()) continue;
                    d.bytes[at] = static_cast<unsigned char>(vt);
                    d.bytes[at + 1] = 0;
                    out.push_back(std::move(d));
                }
            }
            ++constants;
            break;
        }
    }
    // Aliases: the aliased type is written in the record (high bit set, the type twice).
    int aliases = 0;
    for (size_t i = 0; i < m.types && aliases < 2; ++i) {
        if (m.Kind(i) != 6 /* TKIND_ALIAS */) continue;
        ++aliases;
        for (uint32_t vt : {26u /* VT_PTR */, 27u /* VT_SAFEARRAY */, 28u /* VT_CARRAY */, 29u /* VT_USERDEFINED */,
                            0x7Fu /* no such type */})
            with("alias " + std::to_string(i) + " of type " + std::to_string(vt), m.Info(i) + 0x54,
                 0x80000000u | (vt << 16) | vt);
    }
    std::mt19937 random(seed);
    const size_t span = std::min<size_t>(good.size(), 4096);
    for (int n = 0; n < flips; ++n) {
        Damage d{"random flips, copy " + std::to_string(n), good};
        const int count = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < count; ++k) {
            const size_t at = 4 + random() % (span - 4);  // the magic stays
            d.bytes[at] = static_cast<unsigned char>(random());
        }
        out.push_back(std::move(d));
    }
    return out;
}

// Where the first MSFT library starts in a file's bytes: 0 for a library file of its own, else
// its place in a program file's TYPELIB resource; the file's size when there is none.
inline size_t EmbeddedLibrary(const std::vector<unsigned char>& file) {
    for (size_t i = 0; i + 4 <= file.size(); ++i)
        if (std::memcmp(&file[i], "MSFT", 4) == 0) return i;
    return file.size();
}

// Writes a copy of the file `source` with its type library damaged as the damage of that name
// (one of LoaderDamages') to `target`; false when the file or the damage is not there.
inline bool WriteDamagedCopy(const std::string& source, const std::string& damage, const std::string& target) {
    std::vector<unsigned char> file;
    HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    file.resize(GetFileSize(in, nullptr));
    DWORD got = 0;
    const bool read = ReadFile(in, file.data(), static_cast<DWORD>(file.size()), &got, nullptr) && got == file.size();
    CloseHandle(in);
    const size_t at = EmbeddedLibrary(file);
    if (!read || at >= file.size()) return false;
    const std::vector<unsigned char> lib(file.begin() + static_cast<long>(at), file.end());
    bool found = false;
    for (const Damage& d : LoaderDamages(lib, 0))
        if (d.name == damage) {
            std::memcpy(&file[at], d.bytes.data(), d.bytes.size());
            found = true;
            break;
        }
    if (!found) return false;
    HANDLE out = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool written = WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &put, nullptr) && put == file.size();
    CloseHandle(out);
    return written;
}

}  // namespace loader_damage
