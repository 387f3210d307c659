// clsPeInfo: opens one PE image file read-only and answers questions about it: header facts,
// the section table, the export table and the imports. The file is found as imagehlp's
// MapAndLoad finds it and read through the one image reader (base/PeImage.h), whose headers are
// checked before anything reads them (MapAndLoad reads them unchecked).
//
// The file is never trusted: this class reads none of its bytes itself. The image reader walks
// the headers, sections, import descriptors, thunks and export tables with every read checked
// against the file's length, so a cut short or damaged file gives what could be read, or a
// failed load, never an over-read; this class turns what it found into the texts and tables
// below. PE32 and PE32+ images are both read by their optional header's Magic.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/PeImage.h"

class clsPeInfo {
public:
    using TextTable = std::vector<std::vector<std::string>>;

    clsPeInfo();
    ~clsPeInfo();
    clsPeInfo(const clsPeInfo&) = delete;
    clsPeInfo& operator=(const clsPeInfo&) = delete;

    // The checksum stored in the file's optional header.
    uint32_t CheckSum() const;
    // The checksum computed over the mapped file (0 when nothing is loaded).
    uint32_t RealCheckSum() const;
    // The image's preferred load address (64 bits wide for a PE32+ image).
    uint64_t PreferredBase() const;

    // Rows in section-table order: name (8 characters, NUL padding kept), flags text, raw size.
    // With nothing loaded the table is left as it was.
    void EnumerateSections(TextTable& Table) const;
    // Rows by ordinal - Base: name (undecorated where possible), ordinal text, position in the
    // name table, empty. Empty table and Count 0 with nothing loaded or no export table.
    void EnumerateExportedFunctions(TextTable& Table, long& Count) const;
    // The name of every import descriptor in directory order.
    void EnumerateImportedModules(std::vector<std::string>& Names, long& Count) const;
    // The functions imported from the first descriptor named ModuleName (case ignored): the
    // name (empty for an import by ordinal) and the ordinal or hint.
    void EnumerateImportedFunctions(const std::string& ModuleName, std::vector<std::string>& Names,
                                    std::vector<uint16_t>& Values, long& Count) const;

    uint32_t ImageSize() const;
    std::string ImageVer() const;
    uint16_t Machine() const;
    std::string MachineName() const;
    std::string SubSystem() const;
    std::string SubSystemVer() const;
    std::string OSVer() const;
    std::string LinkerVer() const;
    long Sections() const;

    // Debugging aid: writes length bytes at address, which must lie in the mapped file, to
    // `file` (created or replaced, so it holds exactly those bytes) and closes that file only.
    // False when nothing is loaded, the bytes are not all in the mapping or the file cannot
    // be written.
    bool SaveData(const void* address, size_t length, const std::string& file = "c:\\unpak\\xx") const;
    // The NUL-terminated text at an address of the mapped file, read no further than the
    // file's end; "" (and ok false) when the address is not in it or no NUL ends the text there.
    std::string StringFromPointer(const void* address, bool* ok = nullptr) const;
    // Start of the mapped file (null when nothing is loaded) and its length.
    const void* MappedAddress() const { return loaded_ ? image_.Data() : nullptr; }
    uint64_t MappedSize() const { return loaded_ ? image_.Size() : 0; }

    // Maps FileName, else Folder1\FileName, else Folder2\FileName. True when one of them could
    // be mapped and its headers lie inside the file (checked before the file is mapped); false
    // leaves the object unloaded. `importerMachine` is the machine of the module that imports
    // FileName (0 when none does): a bare name is then found as that machine's loader finds it,
    // and each candidate in a system folder is that machine's system folder
    // (FileLookup::PathForMachine).
    bool Load(const std::string& FileName, const std::string& Folder1, const std::string& Folder2,
              uint16_t importerMachine = 0);
    // The path of the file the last successful Load read, as this program opened it ("" when
    // nothing is loaded).
    const std::string& ModuleName() const { return moduleName_; }
    void Unload();
    bool IsLoaded() const { return loaded_; }

    // The text formats, public so that they can be checked on their own.
    static std::string SectionFlagsText(uint32_t Characteristics);
    static std::string MachineText(uint16_t machine);
    static std::string SubSystemText(uint16_t subsystem);
    static std::string OrdinalText(uint32_t ordinal);
    static std::string GroupedNumber(uint32_t value);

private:
    bool TryMap(const std::string& path, uint16_t importerMachine);

    PeImage image_;  // the mapped file
    std::string moduleName_;
    bool loaded_ = false;
    // Header facts copied at the last successful Load.
    bool pe64_ = false;
    IMAGE_FILE_HEADER fileHeader_{};
    uint64_t imageBase_ = 0;
    uint32_t checkSum_ = 0;
    uint16_t subsystem_ = 0;
    uint8_t linkerMajor_ = 0, linkerMinor_ = 0;
    uint16_t osMajor_ = 0, osMinor_ = 0, imageMajor_ = 0, imageMinor_ = 0, subMajor_ = 0, subMinor_ = 0;
};
