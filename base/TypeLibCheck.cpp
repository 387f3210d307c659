#include "base/TypeLibCheck.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <new>
#include <set>
#include <tuple>
#include <utility>
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

// What the check found: the answer, or that its own bookkeeping did not fit in memory.
enum class Verdict { Sound, Refused, NoMemory };

class Msft {
public:
    explicit Msft(const ByteSpan& b) : b_(b), limit_(static_cast<uint64_t>(b.Size()) + kStepAllowance) {}

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
        if (Present(CDGuids)) custChecked_.assign(static_cast<size_t>(seg_[CDGuids].length), false);
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

    uint64_t Steps() const { return steps_; }

private:
    struct Seg {
        int32_t offset = -1, length = 0;
    };

    // Every step visits one structure of the file (a string, a type description, a custom-data
    // entry, a reference, a member record, a parameter) or looks one up that was checked
    // before. Each structure takes at least four bytes and is checked once (a structure that
    // many records name is marked when checked, and later records find the mark), so a sound
    // file takes fewer steps than it has bytes. A file whose records overlap so that the same
    // bytes are walked as ever new ones is refused when it has taken more: its check never
    // costs the product of two of its counts.
    static constexpr uint64_t kStepAllowance = uint64_t{1} << 16;
    bool Step(uint64_t n = 1) {
        steps_ += n;
        return steps_ <= limit_;
    }

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
    bool StringsSound() {
        if (!Present(StringTab)) return true;
        for (int64_t offs = 0; offs < seg_[StringTab].length;) {
            if (!Step() || !InSegment(StringTab, offs, 2)) return false;
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
            if (!Step()) return false;
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
        // Every chain ends. A description is marked while its chain is followed and when the
        // chain is known to end: meeting a description of the chain being followed is a circle,
        // meeting one known to end ends the chain, so each description is followed once.
        enum : uint8_t { Unseen, OnThisChain, Ends };
        std::vector<uint8_t> state(static_cast<size_t>(typeDescs_), Unseen);
        for (int32_t i = 0; i < typeDescs_; ++i) {
            int at = i;
            while (at >= 0 && state[static_cast<size_t>(at)] == Unseen) {
                if (!Step()) return false;
                state[static_cast<size_t>(at)] = OnThisChain;
                at = next[static_cast<size_t>(at)];
            }
            if (at >= 0 && state[static_cast<size_t>(at)] == OnThisChain) return false;
            for (at = i; at >= 0 && state[static_cast<size_t>(at)] == OnThisChain; at = next[static_cast<size_t>(at)])
                state[static_cast<size_t>(at)] = Ends;
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
    // Chains are shared (every record may name the same one, or join another's on the way): an
    // entry found sound is marked, and a walk that meets a mark has met a sound rest of the
    // chain. The walk to the end or the first mark checks each entry; one longer than the table
    // has entries runs in a circle. The same entries are then marked on a second walk (marking
    // on the first would hide a circle as a mark).
    bool CustDataSound(int32_t offset) {
        if (!Present(CDGuids)) return true;
        if (!Step()) return false;
        int32_t at = offset;
        for (int64_t steps = 0; at >= 0; ++steps) {
            if (steps > seg_[CDGuids].length / 12 || !InSegment(CDGuids, at, 12)) return false;
            if (custChecked_[static_cast<size_t>(at)]) break;
            if (!Step()) return false;
            const uint64_t e = SegmentStart(CDGuids) + static_cast<uint32_t>(at);
            if (!ValueSound(I32(e + 4))) return false;
            at = I32(e + 8);
        }
        for (int32_t m = offset; m != at; m = I32(SegmentStart(CDGuids) + static_cast<uint32_t>(m) + 8)) {
            if (!Step()) return false;
            custChecked_[static_cast<size_t>(m)] = true;
        }
        return true;
    }

    bool TypeInfoSound(uint64_t at) {
        if (!Step()) return false;
        const int32_t kind = I32(at) & 0xF;
        const int32_t memoffset = I32(at + 4);
        const uint32_t elements = b_.U32(at + 0x18);
        const int32_t custData = I32(at + 0x48);
        const int16_t implTypes = I16(at + 0x4C);
        const int32_t datatype1 = I32(at + 0x54);
        if (kind == TKIND_ALIAS && !TypeSound(datatype1)) return false;
        const int32_t funcs = static_cast<int32_t>(elements & 0xFFFF), vars = static_cast<int32_t>(elements >> 16);
        if ((funcs > 0 || vars > 0) && !MembersSound(memoffset, funcs, vars)) return false;
        // A co-class's implemented interfaces: that many references from the first. Co-classes
        // that name the same list are checked once.
        if (implTypes > 0 && kind == TKIND_COCLASS && implLists_.insert({datatype1, implTypes}).second) {
            int32_t ref = datatype1;
            for (int16_t i = 0; i < implTypes && ref >= 0; ++i) {
                if (!Step() || !InSegment(RefTab, ref, 16)) return false;
                const uint64_t r = SegmentStart(RefTab) + static_cast<uint32_t>(ref);
                if (!CustDataSound(I32(r + 8))) return false;
                ref = I32(r + 12);
            }
        }
        return CustDataSound(custData);
    }

    // A type's members: a length, the function records and then the variable records, then
    // for every member its id, its name and its record's offset. Types that name the same
    // members are checked once, and a function record that several types' members reach is
    // checked once (marked by its offset).
    bool MembersSound(int32_t offset, int32_t funcs, int32_t vars) {
        if (!memberLists_.insert({offset, funcs, vars}).second) return true;
        if (offset < 0 || !b_.Fits(static_cast<uint32_t>(offset), 4)) return false;
        const int32_t infolen = I32(static_cast<uint32_t>(offset));
        const int64_t n = static_cast<int64_t>(funcs) + vars;
        const int64_t arrays = static_cast<int64_t>(offset) + 4 + infolen;
        if (infolen < 0 || !b_.Fits(static_cast<uint64_t>(arrays), 12ull * static_cast<uint64_t>(n))) return false;
        if (funcs > 0 && funcChecked_.empty()) funcChecked_.assign(b_.Size(), false);
        int64_t rec = static_cast<int64_t>(offset) + 4;
        for (int32_t i = 0; i < funcs; ++i) {
            if (!Step() || !b_.Fits(static_cast<uint64_t>(rec), 4)) return false;
            const int32_t length = static_cast<int32_t>(b_.U32(static_cast<uint64_t>(rec)) & 0xFFFF);
            if (length < kFuncRecordFixed || !b_.Fits(static_cast<uint64_t>(rec), static_cast<uint32_t>(length)))
                return false;
            if (!funcChecked_[static_cast<size_t>(rec)]) {
                if (!FuncRecordSound(static_cast<uint64_t>(rec), length)) return false;
                funcChecked_[static_cast<size_t>(rec)] = true;
            }
            rec += length;
        }
        if (vars > 0) {
            rec = static_cast<int64_t>(offset) + 4 + I32(static_cast<uint64_t>(arrays) + 4ull * (2 * n + funcs));
            for (int32_t i = 0; i < vars; ++i) {
                if (!Step() || rec < 0 || !b_.Fits(static_cast<uint64_t>(rec), 4)) return false;
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

    // One function record of `length` bytes inside the file: its return type, its parameters'
    // types and default values, its own and its parameters' custom data.
    bool FuncRecordSound(uint64_t r, int32_t length) {
        const int32_t kinds = I32(r + 16);
        const int16_t args = I16(r + 20);
        if (args < 0 || !Step(static_cast<uint64_t>(args))) return false;
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
        return true;
    }

    const ByteSpan& b_;
    Seg seg_[SegmentCount];
    int32_t typeDescs_ = 0;
    uint64_t steps_ = 0;
    const uint64_t limit_;
    std::vector<bool> custChecked_;   // by offset in the custom-data table: the entry and its rest are sound
    std::vector<bool> funcChecked_;   // by file offset: a function record found sound
    std::set<std::pair<int32_t, int16_t>> implLists_;              // first reference, count
    std::set<std::tuple<int32_t, int32_t, int32_t>> memberLists_;  // offset, functions, variables
};

// ---- SLTG ----
//
// A header of 0x24 bytes, the block table (count - 1 entries of length, index-string offset
// and next), the "CompObj"/"dir" magic, count - 1 index strings of 11 bytes, 9 bytes of
// padding, then the blocks in the order the table's chain gives, the library block last.

constexpr uint32_t kSltgSignature = 0x47544C53;  // "SLTG"
constexpr uint32_t kSltgHeader = 0x24, kBlockEntry = 8, kMagic = 13, kIndex = 11, kPad = 9;

bool SltgSound(const ByteSpan& b, uint64_t& steps) {
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
    for (uint32_t walked = 0;; ++walked, ++steps) {
        if (walked >= entries) return false;
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

// The check of bytes; its bookkeeping (marks as large as the tables) may not fit in memory.
Verdict Check(const ByteSpan& bytes, uint64_t* steps) {
    uint64_t taken = 0;
    Verdict verdict = Verdict::Refused;
    try {
        if (bytes.Fits(0, 4)) {
            switch (bytes.U32(0)) {
                case kMsftSignature: {
                    Msft msft(bytes);
                    if (msft.Sound()) verdict = Verdict::Sound;
                    taken = msft.Steps();
                    break;
                }
                case kSltgSignature:
                    if (SltgSound(bytes, taken)) verdict = Verdict::Sound;
                    break;
                default: break;
            }
        }
    } catch (const std::bad_alloc&) {
        verdict = Verdict::NoMemory;
    }
    if (steps) *steps = taken;
    return verdict;
}

}  // namespace

bool BytesSound(const ByteSpan& bytes, uint64_t* steps) { return Check(bytes, steps) == Verdict::Sound; }

bool FileSound(const std::string& file, unsigned long* readError) {
    if (readError) *readError = 0;
    std::string path;
    unsigned index = 1;
    if (file.empty() || !Resolve(file, path, index)) return false;
    // The file is read once, into memory: a file cut short meanwhile leaves the copy as it was.
    const MappedFile bytes(path);
    if (!bytes.Data()) {
        if (readError) *readError = bytes.Error();
        return false;
    }
    auto verdict = [readError](const ByteSpan& span) {
        const Verdict v = Check(span, nullptr);
        if (v == Verdict::NoMemory && readError) *readError = ERROR_NOT_ENOUGH_MEMORY;
        return v == Verdict::Sound;
    };
    const PeImage image(bytes.Data(), bytes.Size());
    // A program file: its TYPELIB resource of that number, every language of it. A 16-bit
    // image's tables are not checked here: it is refused.
    if (image.IsPe()) {
        std::vector<PeImage::ResourceData> found;
        if (index > 0xFFFF || !image.LocateResource(PeImage::ResId("TYPELIB"),
                                                     PeImage::ResId(static_cast<uint16_t>(index)), found))
            return false;
        for (const auto& r : found)
            if (!verdict(ByteSpan(image.Data() + r.fileOffset, r.size))) return false;
        return true;
    }
    if (image.IsNe()) return false;
    return verdict(image);
}

}  // namespace TypeLibCheck
