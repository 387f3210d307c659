#include "image/clsPeInfo.h"

#include <cstddef>
#include <cstring>

#include <imagehlp.h>

#include "base/FileLookup.h"
#include "base/Handle.h"

namespace {

std::string VersionText(unsigned major, unsigned minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

clsPeInfo::clsPeInfo() = default;

clsPeInfo::~clsPeInfo() { Unload(); }

uint32_t clsPeInfo::CheckSum() const { return checkSum_; }

uint32_t clsPeInfo::RealCheckSum() const {
    if (!loaded_) return 0;
    DWORD headerSum = 0, checkSum = 0;
    // The sum runs over the file's own bytes, never past its end.
    if (!CheckSumMappedFile(const_cast<unsigned char*>(image_.Data()), static_cast<DWORD>(image_.Size()), &headerSum,
                            &checkSum))
        return 0;
    return checkSum;
}

uint64_t clsPeInfo::PreferredBase() const { return imageBase_; }

// As MapAndLoad reports it: the mapped file's length.
uint32_t clsPeInfo::ImageSize() const { return loaded_ ? static_cast<uint32_t>(image_.Size()) : 0; }
std::string clsPeInfo::ImageVer() const { return VersionText(imageMajor_, imageMinor_); }
uint16_t clsPeInfo::Machine() const { return fileHeader_.Machine; }
std::string clsPeInfo::MachineName() const { return MachineText(fileHeader_.Machine); }
std::string clsPeInfo::SubSystem() const { return SubSystemText(subsystem_); }
std::string clsPeInfo::SubSystemVer() const { return VersionText(subMajor_, subMinor_); }
std::string clsPeInfo::OSVer() const { return VersionText(osMajor_, osMinor_); }
std::string clsPeInfo::LinkerVer() const { return VersionText(linkerMajor_, linkerMinor_); }
long clsPeInfo::Sections() const { return loaded_ ? static_cast<long>(image_.NumberOfSections()) : 0; }

std::string clsPeInfo::MachineText(uint16_t machine) {
    switch (machine) {
    case 0x14C: return "x86";
    case 0x162: case 0x166: case 0x168: case 0x169: return "MIPS";
    case 0x184: return "Alpha";
    case 0x1A2: return "SH3";
    case 0x1A4: return "SH3E";
    case 0x1A6: return "SH4";
    case 0x1C0: return "ARM";
    case 0x1F0: return "PowerPC";
    default: return "Unknown";
    }
}

std::string clsPeInfo::SubSystemText(uint16_t subsystem) {
    switch (subsystem) {
    case 1: return "Native";
    case 2: return "Win GUI";
    case 3: return "Win Console";
    case 4: return "Win CE";
    case 5: return "OS/2 Console";
    case 7: return "Posix Console";
    default: return "Unknown";
    }
}

std::string clsPeInfo::SectionFlagsText(uint32_t c) {
    static const struct { uint32_t bit; const char* text; } before[] = {
        {0x00000020, "Contains executable code/"},
        {0x00000040, "Contains Initialized Data/"},
        {0x00000080, "Contains Uninitialized Data/"},
        {0x00001000, "Contains COMDAT data/"},
    };
    static const char* const align[] = {"Align 1 byte/", "Align 2 bytes/", "Align 4 bytes/", "Align 8 bytes/",
                                        "Align 16 bytes/", "Align 32 bytes/", "Align 64 bytes/"};
    static const struct { uint32_t bit; const char* text; } after[] = {
        {0x01000000, "Extended relocations/"}, {0x02000000, "Discardable/"}, {0x04000000, "Not cached/"},
        {0x08000000, "Not paged/"},            {0x10000000, "Shared/"},      {0x20000000, "Can execute/"},
        {0x40000000, "Can be read/"},          {0x80000000, "Can be written/"},
    };
    std::string text;
    for (const auto& f : before)
        if (c & f.bit) text += f.text;
    const uint32_t field = (c >> 20) & 0xF;
    if (field >= 1 && field <= 7) text += align[field - 1];
    for (const auto& f : after)
        if (c & f.bit) text += f.text;
    if (!text.empty()) text.pop_back();
    return text;
}

std::string clsPeInfo::OrdinalText(uint32_t ordinal) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%05lu (&H%lX)", static_cast<unsigned long>(ordinal),
                  static_cast<unsigned long>(ordinal));
    return buf;
}

std::string clsPeInfo::GroupedNumber(uint32_t value) {
    const std::string digits = std::to_string(value);
    NUMBERFMTA fmt{};
    char decimal[8] = ".", thousand[8] = ",", grouping[16] = "3;0";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, decimal, sizeof decimal);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, sizeof grouping);
    // "3;0" is three-digit groups, repeated; "3;2;0" the Indian form. NUMBERFMT wants 3 and 32.
    UINT group = 0;
    for (const char* g = grouping; *g; ++g)
        if (*g >= '1' && *g <= '9') group = group * 10 + static_cast<UINT>(*g - '0');
    if (std::strstr(grouping, ";0") == nullptr && group >= 10) group /= 10;
    fmt.NumDigits = 0;
    fmt.LeadingZero = 1;  // "#,##0": a zero is "0", never empty
    fmt.Grouping = group;
    fmt.lpDecimalSep = decimal;
    fmt.lpThousandSep = thousand;
    fmt.NegativeOrder = 1;
    char out[64];
    if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, digits.c_str(), &fmt, out, sizeof out) > 0) return out;
    return digits;
}

std::string clsPeInfo::StringFromPointer(const void* address, bool* ok) const {
    std::string text;
    uint64_t offset = 0;
    const bool found = loaded_ && image_.OffsetOf(address, offset) && image_.Text(offset, text);
    if (ok) *ok = found;
    return text;
}

bool clsPeInfo::SaveData(const void* address, size_t length, const std::string& file) const {
    // Only bytes of the mapped file are copied: anything else is no address of this image.
    uint64_t offset = 0;
    if (!loaded_ || !image_.OffsetOf(address, offset) || !image_.Fits(offset, length)) return false;
    const Handle h(
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    bool ok = true;
    while (ok && length > 0) {
        const DWORD chunk = length > 0x10000000u ? 0x10000000u : static_cast<DWORD>(length);
        DWORD put = 0;
        ok = WriteFile(h.get(), image_.Data() + offset, chunk, &put, nullptr) && put == chunk;
        offset += chunk;
        length -= chunk;
    }
    return ok;
}

bool clsPeInfo::TryMap(const std::string& path, uint16_t importerMachine) {
    // The file is found as imagehlp's MapAndLoad finds it (a bare name through the platform's
    // search, ".DLL" for a name without extension), mapped read-only, and its headers are
    // checked against the file's length before anything reads them: MapAndLoad itself reads
    // the NT headers unchecked and faults on a file that ends there.
    const std::string full =
        FileLookup::LoaderFile(FileLookup::PathForMachine(path, importerMachine), ".DLL", importerMachine);
    if (full.empty()) return false;
    PeImage image{full};
    // The checksum routine takes the length as 32 bits.
    if (!image.HeadersSound() || (static_cast<uint64_t>(image.Size()) >> 32) != 0) return false;
    image_ = std::move(image);
    moduleName_ = full;
    loaded_ = true;
    fileHeader_ = image_.FileHeader();
    pe64_ = image_.Pe64();
    // The 32- and 64-bit optional headers name these fields alike; only their layout differs.
    auto takeOptionalHeader = [this](const auto& oh) {
        imageBase_ = oh.ImageBase;
        checkSum_ = oh.CheckSum;
        subsystem_ = oh.Subsystem;
        linkerMajor_ = oh.MajorLinkerVersion, linkerMinor_ = oh.MinorLinkerVersion;
        osMajor_ = oh.MajorOperatingSystemVersion, osMinor_ = oh.MinorOperatingSystemVersion;
        imageMajor_ = oh.MajorImageVersion, imageMinor_ = oh.MinorImageVersion;
        subMajor_ = oh.MajorSubsystemVersion, subMinor_ = oh.MinorSubsystemVersion;
    };
    if (pe64_) takeOptionalHeader(image_.OptionalHeader64());
    else takeOptionalHeader(image_.OptionalHeader32());
    return true;
}

bool clsPeInfo::Load(const std::string& FileName, const std::string& Folder1, const std::string& Folder2,
                     uint16_t importerMachine) {
    Unload();
    if (FileName.empty()) return false;
    // A bare name goes through the platform's search order first, then the two folders (the
    // second only when it is another folder: the same try again would fail again).
    return TryMap(FileName, importerMachine) || TryMap(Folder1 + "\\" + FileName, importerMachine) ||
           (Folder2 != Folder1 && TryMap(Folder2 + "\\" + FileName, importerMachine));
}

void clsPeInfo::Unload() {
    if (!loaded_) return;
    image_ = PeImage();
    moduleName_.clear();
    loaded_ = false;
}

void clsPeInfo::EnumerateSections(TextTable& Table) const {
    if (!loaded_) return;
    Table.assign(image_.NumberOfSections(), std::vector<std::string>(3));
    for (uint16_t i = 0; i < image_.NumberOfSections(); ++i) {
        // The section table lies in the file (checked at Load).
        const auto sh = image_.Section(i);
        Table[i][0].assign(reinterpret_cast<const char*>(sh.Name), IMAGE_SIZEOF_SHORT_NAME);
        Table[i][1] = SectionFlagsText(sh.Characteristics);
        Table[i][2] = GroupedNumber(sh.SizeOfRawData);
    }
}

void clsPeInfo::EnumerateImportedModules(std::vector<std::string>& Names, long& Count) const {
    Names.clear();
    Count = 0;
    if (!loaded_) return;
    for (auto& import : image_.Imports()) Names.push_back(std::move(import.module));
    Count = static_cast<long>(Names.size());
}

void clsPeInfo::EnumerateImportedFunctions(const std::string& ModuleName, std::vector<std::string>& Names,
                                           std::vector<uint16_t>& Values, long& Count) const {
    Names.clear();
    Values.clear();
    Count = 0;
    if (!loaded_) return;
    for (const auto& import : image_.Imports()) {
        if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, import.module.c_str(), -1, ModuleName.c_str(), -1) !=
            CSTR_EQUAL)
            continue;
        for (auto& f : image_.ImportedFunctions(import)) {
            Names.push_back(std::move(f.name));
            Values.push_back(f.value);
        }
        break;
    }
    Count = static_cast<long>(Names.size());
}

void clsPeInfo::EnumerateExportedFunctions(TextTable& Table, long& Count) const {
    Table.clear();
    Count = 0;
    PeImage::ExportTable exports;
    if (!loaded_ || !image_.Exports(exports)) return;
    Table.assign(exports.functions, std::vector<std::string>(4));
    for (uint32_t i = 0; i < exports.functions; ++i) Table[i][1] = OrdinalText(exports.base + i);
    Count = static_cast<long>(exports.functions);
    for (auto& e : exports.names) {
        std::string name = std::move(e.name);
        char undecorated[260];
        if (UnDecorateSymbolName(name.c_str(), undecorated, sizeof undecorated, 0) != 0) {
            undecorated[sizeof undecorated - 1] = '\0';
            name = undecorated;
        }
        Table[e.index][0] = std::move(name);
        Table[e.index][2] = std::to_string(e.position);
    }
}
