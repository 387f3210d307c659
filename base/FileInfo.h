// The facts of one file: its full, short and long path parts, the shell's display and
// type names and icon, sizes, times and attributes. Setting FullPathName reads them all;
// times and attributes can be written back to the file. The object owns the icon.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class FileInfo {
public:
    // Attribute bits.
    enum : DWORD {
        attrReadOnlyBit = 1, attrHiddenBit = 2, attrSystemBit = 4, attrArchiveBit = 32,
        attrTemporaryBit = 256, attrCompressedBit = 2048
    };

    FileInfo() = default;
    ~FileInfo();
    FileInfo(const FileInfo&) = delete;
    FileInfo& operator=(const FileInfo&) = delete;

    const std::string& FullPathName() const { return mFullPathName; }
    // Expands the name to a full path and, when that gives one, reads the file's facts.
    void FullPathName(const std::string& name);

    const std::string& FileName() const { return mFileName; }
    const std::string& FilePath() const { return mFilePath; }  // long form, true case, ends in "\"
    const std::string& FileExtension() const { return mFileExtension; }
    const std::string& ShortPathName() const { return mShortPathName; }
    const std::string& ShortName() const { return mShortName; }
    const std::string& ShortPath() const { return mShortPath; }
    const std::string& DisplayName() const { return mDisplayName; }
    const std::string& TypeName() const { return mTypeName; }
    bool FileExists() const { return mFileExists; }
    bool PathExists() const { return mPathExists; }
    DWORD FileSize() const { return mFileSize; }
    DWORD FileSizeHigh() const { return mFileSizeHigh; }
    DWORD CompressedFileSize() const { return mCompressedFileSize; }

    // Times are dates (days since 30 December 1899 with the time as fraction) in local
    // time. Setting one writes it to the file and reads the facts again.
    double CreationTime() const { return mCreationTime; }
    void CreationTime(double date);
    double LastAccessTime() const { return mLastAccessTime; }
    void LastAccessTime(double date);
    double ModifyTime() const { return mModifyTime; }
    void ModifyTime(double date);

    DWORD Attributes() const { return mAttributes; }
    void Attributes(DWORD bits);
    bool attrReadOnly() const { return (mAttributes & attrReadOnlyBit) != 0; }
    void attrReadOnly(bool on) { SetBit(attrReadOnlyBit, on); }
    bool attrHidden() const { return (mAttributes & attrHiddenBit) != 0; }
    void attrHidden(bool on) { SetBit(attrHiddenBit, on); }
    bool attrSystem() const { return (mAttributes & attrSystemBit) != 0; }
    void attrSystem(bool on) { SetBit(attrSystemBit, on); }
    bool attrArchive() const { return (mAttributes & attrArchiveBit) != 0; }
    void attrArchive(bool on) { SetBit(attrArchiveBit, on); }
    bool attrTemporary() const { return (mAttributes & attrTemporaryBit) != 0; }
    void attrTemporary(bool on) { SetBit(attrTemporaryBit, on); }
    bool attrCompressed() const { return (mAttributes & attrCompressedBit) != 0; }
    // Compression cannot be switched by a file attribute write: setting it changes nothing.
    void attrCompressed(bool) {}

    // The shell's icon for the file; owned by this object.
    HICON hIcon() const { return mhIcon; }

    // Reads all facts again. A file that cannot be found leaves the old facts in place
    // with FileExists false.
    void Refresh();
    // The date in the user's long date format, a blank, and the time in the long time format.
    std::string FormatFileDate(double date) const;
    // "1,023 bytes", "1.50KB (1,536 bytes)", "0.98MB (1,024,000 bytes)", "2.00GB (...)" in the
    // user's number format.
    std::string FormatFileSize(std::int64_t size) const;

    // The size as one 64-bit number.
    std::uint64_t FileSize64() const { return (std::uint64_t(mFileSizeHigh) << 32) | mFileSize; }

private:
    void SetBit(DWORD bit, bool on);
    static bool DateToFileTime(double date, FILETIME& fileTime, bool fromLocal);
    static double FileTimeToDate(const FILETIME& fileTime, bool toLocal);
    bool SetFileAttributesOf(DWORD bits);
    bool SetFileTimeOf(double date, int which);
    static std::string GetLongFolderPath(const std::string& path);
    static std::string TrimAtNull(const std::string& text);

    std::string mFullPathName, mFileName, mFilePath, mFileExtension, mDisplayName, mTypeName;
    HICON mhIcon = nullptr;
    std::string mShortPathName, mShortName, mShortPath;
    bool mFileExists = false, mPathExists = false;
    DWORD mFileSize = 0, mFileSizeHigh = 0, mCompressedFileSize = 0;
    DWORD mAttributes = 0;
    double mCreationTime = 0, mLastAccessTime = 0, mModifyTime = 0;
};
