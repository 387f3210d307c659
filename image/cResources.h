// The resource types of a program file (EXE, DLL, OCX) and, per type, the names of its
// resources, read after loading the file as a data module.
//
//     cResources res;
//     res.file("C:\\windows\\system32\\shell32.dll");
//     res.GetResourceTypes();                      // raises 0x80040419 when it cannot
//     long t = res.IndexOfResourceType(14);        // group icons; 0 when absent
//     res.GetResourceNames(t);                     // raises 0x8004041A when it cannot
//     res.UnloadModule();                          // the lists stay
//     for (long i = 1; i <= res.ResourceNameCount(t); ++i) res.ResourceName(t, i);  // Long or String
//
// Lists are 1-based. An index outside a list, and a name query for a type whose names were not
// fetched, raise the runtime's subscript error 9.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/Variant.h"
#include "image/ResourceTable.h"

class cResources {
public:
    cResources() = default;
    ~cResources() { ClearUp(); }
    cResources(const cResources&) = delete;
    cResources& operator=(const cResources&) = delete;

    // The display text of a type number ("Group Icon", "Other (24)", ...).
    static std::string ResourceTypeName(long type);
    long ResourceTypeCount() const { return m_TypeCount; }
    // The index of a numbered type, 0 when absent; named types have number 0, so 0 finds the
    // first named type.
    long IndexOfResourceType(long type) const;
    // The type's name when it has one, else its number.
    Variant ResourceType(long index) const;
    long ResourceNameCount(long typeIndex) const;
    // A resource's number (Long) or name (String).
    Variant ResourceName(long typeIndex, long nameIndex) const;
    // The platform enumeration's result (non-zero); a failure raises 0x80040419 with the system's
    // text of the error. A file that could not be loaded enumerates nothing: it raises that error.
    long GetResourceTypes();
    long GetResourceNames(long typeIndex);

    const std::string& file() const { return m_File; }
    // Loads the path as a data module and discards all earlier lists. A file that is missing, not
    // a program file or whose resource tables do not fit leaves no module (hModule() null).
    void file(const std::string& path);
    void UnloadModule();
    HMODULE hModule() const { return m_Module.Handle(); }
    // The platform error of the last load, 0 when the module is loaded.
    DWORD LoadError() const { return m_Module.Error(); }
    void ClearUp();

    // Called by mResource's enumeration callbacks.
    void AddType(long number, const std::string& name);
    void AddName(long number, const std::string& name);

private:
    struct ResourceTypeEntry {
        long number = 0;
        std::string name;
    };
    struct ResourceNameList {
        long owner = 0;  // type index; 0 marks a free slot
        std::vector<Variant> names;
    };
    void ClearTypes();
    void ClearNames(long typeIndex);
    long FindNameList(long typeIndex) const;
    long AllocNameList(long typeIndex);
    const ResourceNameList& FetchedNames(long typeIndex) const;

    ResourceModule m_Module;
    std::string m_File;
    std::vector<ResourceTypeEntry> m_Types;
    long m_TypeCount = 0;
    std::vector<ResourceNameList> m_Names;
    long m_NameListCount = 0;
    long m_CurrentNameList = 0;
};
