// The version resource of one file, read into text properties: the fixed version numbers,
// flags, target system, file type and subtype, the first translation's language, the
// standard string values and whether the file declares itself self-registering.
#pragma once
#include <string>

class FileVersionInfo {
public:
    bool OLESelfregister() const { return mOLESelfregister; }
    const std::string& FullPathName() const { return mFullPathName; }
    // Sets the file by its full path (GetFullPathNameA) and reads its resource; a name that
    // cannot be made a full path changes nothing.
    void FullPathName(const std::string& path);
    bool Available() const { return mAvailable; }
    const std::string& FileFlags() const { return mFileFlags; }
    const std::string& FileOS() const { return mFileOS; }
    const std::string& FileType() const { return mFileType; }
    const std::string& FileSubType() const { return mFileSubType; }
    const std::string& VerFile() const { return mVerFile; }
    const std::string& VerProduct() const { return mVerProduct; }
    const std::string& VerStructure() const { return mVerStructure; }
    const std::string& CompanyName() const { return mCompanyName; }
    const std::string& FileDescription() const { return mFileDescription; }
    const std::string& FileVersion() const { return mFileVersion; }
    const std::string& InternalName() const { return mInternalName; }
    const std::string& Language() const { return mLanguage; }
    const std::string& LegalCopyright() const { return mLegalCopyright; }
    const std::string& LegalTrademarks() const { return mLegalTrademarks; }
    const std::string& OriginalFileName() const { return mOriginalFileName; }
    const std::string& ProductName() const { return mProductName; }
    const std::string& ProductVersion() const { return mProductVersion; }

    // Reads the resource of FullPathName. Values the resource does not have keep what they
    // held before.
    void Refresh();

private:
    std::string mFullPathName;
    bool mAvailable = false;
    std::string mVerStructure, mVerFile, mVerProduct, mFileFlags, mFileOS, mFileType, mFileSubType, mLanguage;
    std::string mCompanyName, mFileDescription, mFileVersion, mInternalName, mLegalCopyright, mLegalTrademarks,
        mOriginalFileName, mProductName, mProductVersion;
    bool mOLESelfregister = false;
};
