#include "image/cResources.h"

#include "base/QV_Err.h"
#include "image/mResource.h"

namespace {
[[noreturn]] void SubscriptError() {
    throw RunTimeError(9, mResource::ProgramName() + ".cResource", "Subscript out of range");
}
}  // namespace

std::string cResources::ResourceTypeName(long type) {
    switch (type) {
        case 1: return "Cursor";
        case 2: return "Bitmap";
        case 3: return "Icon";
        case 4: return "Menu";
        case 5: return "Dialog";
        case 6: return "String";
        case 7: return "Font Directory";
        case 8: return "Font";
        case 9: return "Accelerators";
        case 10: return "RC Data";
        case 11: return "Message Table";
        case 12: return "Group Cursor";
        case 14: return "Group Icon";
        case 16: return "Version";
        case 17: return "Dialog Include";
        case 19: return "VXD";
        case 20: return "VXD";
        case 21: return "Animated Cursor";
        case 22: return "Animated Icon";
        case 23: return "HTML";
        default: return "Other (" + std::to_string(type) + ")";
    }
}

long cResources::IndexOfResourceType(long type) const {
    for (long i = 1; i <= m_TypeCount; ++i)
        if (m_Types[static_cast<size_t>(i - 1)].number == type) return i;
    return 0;
}

Variant cResources::ResourceType(long index) const {
    if (index < 1 || index > m_TypeCount) SubscriptError();
    const auto& t = m_Types[static_cast<size_t>(index - 1)];
    if (!t.name.empty()) return Variant(t.name);
    return Variant(t.number);
}

const cResources::ResourceNameList& cResources::FetchedNames(long typeIndex) const {
    long slot = typeIndex < 1 ? 0 : FindNameList(typeIndex);
    if (slot < 1) SubscriptError();
    return m_Names[static_cast<size_t>(slot - 1)];
}

long cResources::ResourceNameCount(long typeIndex) const {
    return static_cast<long>(FetchedNames(typeIndex).names.size());
}

Variant cResources::ResourceName(long typeIndex, long nameIndex) const {
    const auto& list = FetchedNames(typeIndex);
    if (nameIndex < 1 || nameIndex > static_cast<long>(list.names.size())) SubscriptError();
    return list.names[static_cast<size_t>(nameIndex - 1)];
}

long cResources::GetResourceTypes() {
    ClearTypes();
    return mResource::EnumerateTypes(*this);
}

long cResources::GetResourceNames(long typeIndex) {
    if (typeIndex < 1 || typeIndex > m_TypeCount) SubscriptError();
    ClearNames(typeIndex);
    m_CurrentNameList = AllocNameList(typeIndex);
    const auto& t = m_Types[static_cast<size_t>(typeIndex - 1)];
    if (!t.name.empty()) return mResource::EnumerateNames(*this, Variant(t.name));
    return mResource::EnumerateNames(*this, Variant(t.number));
}

void cResources::file(const std::string& path) {
    ClearUp();
    m_File = path;
    m_Module.Load(path);
}

void cResources::UnloadModule() { m_Module.Free(); }

void cResources::ClearUp() {
    UnloadModule();
    ClearTypes();
    ClearNames(0);
}

void cResources::AddType(long number, const std::string& name) {
    m_Types.push_back({number, name});
    m_TypeCount = static_cast<long>(m_Types.size());
}

void cResources::AddName(long number, const std::string& name) {
    if (m_CurrentNameList < 1 || m_CurrentNameList > m_NameListCount) return;
    auto& list = m_Names[static_cast<size_t>(m_CurrentNameList - 1)];
    list.names.push_back(number != 0 ? Variant(number) : Variant(name));
}

void cResources::ClearTypes() {
    m_TypeCount = 0;
    m_Types.clear();
}

void cResources::ClearNames(long typeIndex) {
    if (typeIndex == 0) {
        m_Names.clear();
        m_NameListCount = 0;
        m_CurrentNameList = 0;
        return;
    }
    long slot = FindNameList(typeIndex);
    if (slot < 1) return;
    auto& list = m_Names[static_cast<size_t>(slot - 1)];
    list.names.clear();
    list.owner = 0;
}

long cResources::FindNameList(long typeIndex) const {
    for (long i = 1; i <= m_NameListCount; ++i)
        if (m_Names[static_cast<size_t>(i - 1)].owner == typeIndex) return i;
    return 0;
}

long cResources::AllocNameList(long typeIndex) {
    long free = 0;
    for (long i = 1; i <= m_NameListCount; ++i) {
        const long owner = m_Names[static_cast<size_t>(i - 1)].owner;
        if (owner == typeIndex) return i;
        if (owner == 0) free = i;  // the last free slot is taken
    }
    if (free) {
        m_Names[static_cast<size_t>(free - 1)].owner = typeIndex;
        return free;
    }
    m_Names.push_back({typeIndex, {}});
    m_NameListCount = static_cast<long>(m_Names.size());
    return m_NameListCount;
}
