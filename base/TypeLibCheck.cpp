#include "base/TypeLibCheck.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <vector>

#include "base/FileLookup.h"

namespace TypeLibCheck {

namespace {

// ---- MSFT ----
//
// Layout: a header of 0x54 bytes, an optional help-DLL offset, one offset per type description,
// then the segment directory (15 segments of offset, length and two reserved words), whose
// segments hold the tables. The loader seeks to offsets taken from the file and aborts when one
// lies past the end; counts and record lengths from the file size its buffers.

constexpr uint32_t kMsftSignature = 0x5446534D;  // "MSFT"
constexpr uint32_t kHeaderSize = 0x54, kHelpDllFlag = 0x100, kTypeInfoSize = 0x64;
enum Segment {
    TypeInfoTab, ImpInfo, ImpFiles, RefTab, GuidHashTab, GuidTab, NameHashTab, NameTab, StringTab,
    TypeDescTab, ArrayDescriptions, CustData, CDGuids, Res0e, Res0f, SegmentCount
};
// The standard type descriptions a pointer may name by number (up to VT_LPWSTR).
constexpr int kStandardTypes = VT_LPWSTR + 1;
// A function record's fixed part: length, return type, flags, vtable offset, kinds, argument
// counts; a parameter record: type, name, flags. A variable record's fixed part: length, type,
// flags, kind and size, value.
constexpr int32_t kFuncRecordFixed = 24, kParamRecord = 12, kVarRecordFixed = 20;
constexpr int32_t kFuncCustData = 48, kFuncArgCustData = 52, kVarCustData = 32;

class Msft {
public:
    explicit Msft(const ByteSpan& b) : b_(b) {}

    bool Sound() {
        if (!b_.Fits(0, kHeaderSize) || b_.U32(0) != kMsftSignature) return false;
        const int32_t typeInfos = I32(0x20);
        if (typeInfos < 0 || typeInfos > 0xFFFF) return false;
        const uint64_t dir = kHeaderSize + 4ull * static_cast<uint32_t>(typeInfos) + ((b_.U32(0x14) & kHelpDllFlag) ? 4 : 0);
        if (!b_.Fits(dir, 16ull * SegmentCount)) return false;
        for (int s = 0; s < SegmentCount; ++s) {
            seg_[s].offset = I32(dir + 16ull * s);
            seg_[s].length = I32(dir + 16ull * s + 4);
            // Absent (-1, read as "do not seek"), or wholly inside the file.
            if (seg_[s].offset == -1) {
                if (seg_[s].length > 0) return false;
                continue;
            }
            if (seg_[s].offset < 0 || seg_[s].length < 0 ||
                !b_.Fits(static_cast<uint32_t>(seg_[s].offset), static_cast<uint32_t>(seg_[s].length)))
                return false;
        }
        // The loader's own check that it found the directory.
        if (I32(dir + 12) != 0x0F || I32(dir + 16 + 12) != 0x0F) return false;
        if (!StringsSound() || !TypeDescsSound()) return false;
        if (I32(0x40) >= 0 && !CustDataSound(I32(0x40))) return false;
        if (typeInfos > 0 && (!Present(TypeInfoTab) || static_cast<uint64_t>(typeInfos) * kTypeInfoSize >
                                                               static_cast<uint32_t>(seg_[TypeInfoTab].length)))
            return false;
        for (int32_t i = 0; i < typeInfos; ++i)
            if (!TypeInfoSound(static_cast<uint32_t>(seg_[TypeInfoTab].offset) + kTypeInfoSize * static_cast<uint32_t>(i)))
                return false;
        return true;
    }

private:
    struct Seg {
        int32_t offset = -1, length = 0;
    };

    int32_t I32(uint64_t at) const { return static_cast<int32_t>(b_.U32(at)); }
    int16_t I16(uint64_t at) const { return static_cast<int16_t>(b_.U16(at)); }
    bool Present(Segment s) const { return seg_[s].offset >= 0; }
    // [at, at + len) with at relative to a present segment lies inside that segment.
    bool InSegment(Segment s, int64_t at, int64_t len) const {
        return Present(s) && at >= 0 && len >= 0 && at + len <= seg_[s].length;
    }
    uint64_t SegmentStart(Segment s) const { return static_cast<uint32_t>(seg_[s].offset); }

    // Each string: a 16-bit length and its characters, padded to 4 bytes (at least 8). The
    // loader writes a NUL at the length, so a negative length writes before its buffer.
    bool StringsSound() const {
        if (!Present(StringTab)) return true;
        for (int64_t offs = 0; offs < seg_[StringTab].length;) {
            if (!InSegment(StringTab, offs, 2)) return false;
            const int16_t len = I16(SegmentStart(StringTab) + offs);
            if (len < 0 || len > 0x7FF0) return false;
            int32_t piece = len + 2;
            if (piece % 4) piece = (piece + 4) & ~3;
            if (piece < 8) piece = 8;
            offs += piece;
        }
        return true;
    }

    // Type descriptions of 8 bytes: a pointer names another description or a standard one, an
    // array its description in the array table; no chain of them may run in a circle.
    bool TypeDescsSound() {
        if (!Present(TypeDescTab)) return true;
        typeDescs_ = seg_[TypeDescTab].length / 8;
        std::vector<int> next(static_cast<size_t>(typeDescs_), -1);
        for (int32_t i = 0; i < typeDescs_; ++i) {
            const uint64_t at = SegmentStart(TypeDescTab) + 8ull * static_cast<uint32_t>(i);
            const int16_t vt = I16(at), td2 = I16(at + 4), td3 = I16(at + 6);
            if (vt == VT_PTR || vt == VT_SAFEARRAY) {
                if (td3 < 0) {
                    if (td2 < 0 || td2 >= kStandardTypes) return false;
                } else {
                    if (td2 < 0 || td2 / 8 >= typeDescs_) return false;
                    next[static_cast<size_t>(i)] = td2 / 8;
                }
            } else if (vt == VT_CARRAY) {
                if (!InSegment(ArrayDescriptions, td2, 8) || seg_[ArrayDescriptions].offset == 0) return false;
                const uint64_t a = SegmentStart(ArrayDescriptions) + static_cast<uint32_t>(td2);
                const int16_t elem = I16(a), elemIsStandard = I16(a + 2), dims = I16(a + 4), room = I16(a + 6);
                if (dims < 0 || dims > room || !InSegment(ArrayDescriptions, td2 + 8, 8ll * dims)) return false;
                if (elemIsStandard >= 0) {
                    if (elem < 0 || elem / 8 >= typeDescs_) return false;
                    next[static_cast<size_t>(i)] = elem / 8;
                }
            }
        }
        // Every chain ends within as many steps as there are descriptions.
        for (int32_t i = 0; i < typeDescs_; ++i) {
            int at = i;
            for (int32_t steps = 0; at >= 0; ++steps) {
                if (steps > typeDescs_) return false;
                at = next[static_cast<size_t>(at)];
            }
        }
        return true;
    }

    // A type as a record names it: a standard type (negative) or a description of the table.
    bool TypeSound(int32_t type) const { return type < 0 || type / 8 < typeDescs_; }

    // A value: packed into the offset (negative) or in the custom-data table, a text with its
    // length.
    bool ValueSound(int32_t offset) const {
        if (offset < 0) return true;
        if (!InSegment(CustData, offset, 2)) return false;
        const uint64_t at = SegmentStart(CustData) + static_cast<uint32_t>(offset);
        if (b_.U16(at) != VT_BSTR) return true;
        if (!b_.Fits(at + 2, 4)) return false;
        const int32_t len = I32(at + 2);
        return len == -1 || (len >= 0 && b_.Fits(at + 6, static_cast<uint32_t>(len)));
    }

    // A chain of custom-data entries (guid, value, next), each inside its table, no circle.
    bool CustDataSound(int32_t offset) const {
        if (!Present(CDGuids)) return true;
        for (int64_t steps = 0; offset >= 0; ++steps) {
            if (steps > seg_[CDGuids].length / 12 || !InSegment(CDGuids, offset, 12)) return false;
            const uint64_t at = SegmentStart(CDGuids) + static_cast<uint32_t>(offset);
            if (!ValueSound(I32(at + 4))) return false;
            offset = I32(at + 8);
        }
        return true;
    }

    bool TypeInfoSound(uint64_t at) const {
        const int32_t kind = I32(at) & 0xF;
        const int32_t memoffset = I32(at + 4);
        const uint32_t elements = b_.U32(at + 0x18);
        const int32_t custData = I32(at + 0x48);
        const int16_t implTypes = I16(at + 0x4C);
        const int32_t datatype1 = I32(at + 0x54);
        if (kind == TKIND_ALIAS && !TypeSound(datatype1)) return false;
        const int32_t funcs = static_cast<int32_t>(elements & 0xFFFF), vars = static_cast<int32_t>(elements >> 16);
        if ((funcs > 0 || vars > 0) && !MembersSound(memoffset, funcs, vars)) return false;
        if (implTypes > 0 && kind == TKIND_COCLASS) {
            int32_t ref = datatype1;
            for (int16_t i = 0; i < implTypes && ref >= 0; ++i) {
                if (!InSegment(RefTab, ref, 16)) return false;
                const uint64_t r = SegmentStart(RefTab) + static_cast<uint32_t>(ref);
                if (!CustDataSound(I32(r + 8))) return false;
                ref = I32(r + 12);
            }
        }
        return CustDataSound(custData);
    }

    // A type's members: a length, the function records and then the variable records, then
    // for every member its id, its name and its record's offset.
    bool MembersSound(int32_t offset, int32_t funcs, int32_t vars) const {
        if (offset < 0 || !b_.Fits(static_cast<uint32_t>(offset), 4)) return false;
        const int32_t infolen = I32(static_cast<uint32_t>(offset));
        const int64_t n = static_cast<int64_t>(funcs) + vars;
        const int64_t arrays = static_cast<int64_t>(offset) + 4 + infolen;
        if (infolen < 0 || !b_.Fits(static_cast<uint64_t>(arrays), 12ull * static_cast<uint64_t>(n))) return false;
        int64_t rec = static_cast<int64_t>(offset) + 4;
        for (int32_t i = 0; i < funcs; ++i) {
            if (!b_.Fits(static_cast<uint64_t>(rec), 4)) return false;
            const int32_t length = static_cast<int32_t>(b_.U32(static_cast<uint64_t>(rec)) & 0xFFFF);
            if (length < kFuncRecordFixed || !b_.Fits(static_cast<uint64_t>(rec), static_cast<uint32_t>(length)))
                return false;
            const uint64_t r = static_cast<uint64_t>(rec);
            const int32_t kinds = I32(r + 16);
            const int16_t args = I16(r + 20);
            if (args < 0) return false;
            const bool defaults = (kinds & 0x1000) != 0, custom = (kinds & 0x80) != 0;
            const int32_t argBytes = args * kParamRecord + (defaults ? args * 4 : 0);
            if (kFuncRecordFixed + argBytes > length) return false;
            if (!TypeSound(I32(r + 4))) return false;
            const int32_t optional = length - argBytes;
            if (custom && optional > kFuncCustData && !CustDataSound(I32(r + kFuncCustData))) return false;
            for (int32_t j = 0; j < args; ++j) {
                const uint64_t p = r + static_cast<uint32_t>(length - (args - j) * kParamRecord);
                if (!TypeSound(I32(p))) return false;
                if ((b_.U32(p + 8) & PARAMFLAG_FHASDEFAULT) && defaults &&
                    !ValueSound(I32(r + static_cast<uint32_t>(length - args * 16 + 4 * j))))
                    return false;
                if (custom && optional > kFuncArgCustData + 4 * j && !CustDataSound(I32(r + kFuncArgCustData + 4u * j)))
                    return false;
            }
            rec += length;
        }
        if (vars > 0) {
            rec = static_cast<int64_t>(offset) + 4 + I32(static_cast<uint64_t>(arrays) + 4ull * (2 * n + funcs));
            for (int32_t i = 0; i < vars; ++i) {
                if (rec < 0 || !b_.Fits(static_cast<uint64_t>(rec), 4)) return false;
                const int32_t length = static_cast<int32_t>(b_.U32(static_cast<uint64_t>(rec)) & 0xFF);
                if (length < kVarRecordFixed || !b_.Fits(static_cast<uint64_t>(rec), static_cast<uint32_t>(length)))
                    return false;
                const uint64_t r = static_cast<uint64_t>(rec);
                if (!TypeSound(I32(r + 4))) return false;
                if (I16(r + 12) == VAR_CONST && !ValueSound(I32(r + 16))) return false;
                if (length > kVarCustData && !CustDataSound(I32(r + kVarCustData))) return false;
                rec += length;
            }
        }
        return true;
    }

    const ByteSpan& b_;
    Seg seg_[SegmentCount];
    int32_t typeDescs_ = 0;
};

// ---- SLTG ----
//
// A header of 0x24 bytes, the block table (count - 1 entries of length, index-string offset
// and next), the "CompObj"/"dir" magic, count - 1 index strings of 11 bytes, 9 bytes of
// padding, then the blocks in the order the table's chain gives, the library block last.

constexpr uint32_t kSltgSignature = 0x47544C53;  // "SLTG"
constexpr uint32_t kSltgHeader = 0x24, kBlockEntry = 8, kMagic = 13, kIndex = 11, kPad = 9;

bool SltgSound(const ByteSpan& b) {
    if (!b.Fits(0, kSltgHeader) || b.U32(0) != kSltgSignature) return false;
    const uint32_t files = b.U16(4);
    const uint32_t first = b.U16(0x0A);
    if (files < 2) return false;
    const uint32_t entries = files - 1;
    const uint64_t magic = kSltgHeader + static_cast<uint64_t>(kBlockEntry) * entries;
    if (!b.Fits(magic, kMagic)) return false;
    if (b.Data()[magic] != 1 || std::memcmp(b.Data() + magic + 1, "CompObj", 8) != 0 ||
        std::memcmp(b.Data() + magic + 9, "dir", 4) != 0)
        return false;
    const uint64_t blocks = magic + kMagic + static_cast<uint64_t>(kIndex) * entries + kPad;
    if (!b.Fits(blocks, 0)) return false;
    // The chain from the first block: every step names an entry of the table, ends within as
    // many steps as there are entries, and every block lies inside the file.
    if (first < 1 || first > entries) return false;
    uint64_t at = blocks;
    uint32_t order = first - 1;
    for (uint32_t steps = 0;; ++steps) {
        if (steps >= entries) return false;
        const uint64_t e = kSltgHeader + static_cast<uint64_t>(kBlockEntry) * order;
        const uint32_t len = b.U32(e);
        const uint32_t next = b.U16(e + 6);
        if (!b.Fits(at, len)) return false;
        if (next == 0) break;  // the library block
        if (next > entries) return false;
        at += len;
        order = next - 1;
    }
    return true;
}

// The file the loader opens for a name, and the type library's number in it ("\N").
bool Resolve(const std::string& file, std::string& path, unsigned& index) {
    index = 1;
    path = FileLookup::LoaderFile(file);
    if (path.empty()) {
        const size_t slash = file.find_last_of('\\');
        if (slash == std::string::npos || slash == 0 || slash + 1 >= file.size()) return false;
        index = static_cast<unsigned>(std::strtoul(file.c_str() + slash + 1, nullptr, 10));
        path = FileLookup::LoaderFile(file.substr(0, slash));
    }
    return !path.empty();
}

}  // namespace

bool BytesSound(const ByteSpan& bytes) {
    if (!bytes.Fits(0, 4)) return false;
    switch (bytes.U32(0)) {
        case kMsftSignature: return Msft(bytes).Sound();
        case kSltgSignature: return SltgSound(bytes);
        default: return false;
    }
}

bool FileSound(const std::string& file) {
    std::string path;
    unsigned index = 1;
    if (file.empty() || !Resolve(file, path, index)) return false;
    const PeImage image(path);
    if (!image.Data()) return false;
    // A program file: its TYPELIB resource of that number, every language of it. A 16-bit
    // image's tables are not checked here: it is refused.
    if (image.IsPe()) {
        std::vector<PeImage::ResourceData> found;
        if (index > 0xFFFF || !image.LocateResource(PeImage::ResId("TYPELIB"),
                                                     PeImage::ResId(static_cast<uint16_t>(index)), found))
            return false;
        for (const auto& r : found)
            if (!BytesSound(ByteSpan(image.Data() + r.fileOffset, r.size))) return false;
        return true;
    }
    if (image.IsNe()) return false;
    return BytesSound(image);
}

}  // namespace TypeLibCheck
