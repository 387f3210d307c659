#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/ShellLink.h"

#include <vector>

#include "base/FileLookup.h"
#include "base/QV_Err.h"

namespace QV_ShellLink {
namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The link's persist-file interface, released when it goes out of scope.
class PersistFile {
public:
    explicit PersistFile(IShellLinkA* link) {
        if (link) link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_));
    }
    ~PersistFile() {
        if (file_) file_->Release();
    }
    PersistFile(const PersistFile&) = delete;
    PersistFile& operator=(const PersistFile&) = delete;
    IPersistFile* operator->() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

private:
    IPersistFile* file_ = nullptr;
};

}  // namespace

cShellLink::cShellLink() {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    uninitialize_ = SUCCEEDED(init);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link_)))) {
        link_ = nullptr;
        if (uninitialize_) CoUninitialize();
        uninitialize_ = false;
        throw RunTimeError(429, "QV_ShellLink.cShellLink", "ActiveX component can't create object");
    }
}

cShellLink::~cShellLink() {
    if (link_) link_->Release();
    if (uninitialize_) CoUninitialize();
}

void cShellLink::CreateLink(const std::string& linkFile, const ShellLinkData& data, bool& succeeded) {
    succeeded = false;
    if (linkFile.empty() || data.Target.empty()) return;
    if (FAILED(link_->SetPath(data.Target.c_str()))) return;
    link_->SetArguments(data.Arguments.c_str());
    link_->SetDescription(data.Description.c_str());
    std::string folder = data.WorkingDirectory;
    if (folder.empty()) {
        size_t slash = data.Target.rfind('\\');
        if (slash != std::string::npos) folder = data.Target.substr(0, slash == 2 ? 3 : slash);
    }
    link_->SetWorkingDirectory(folder.c_str());
    link_->SetIconLocation(data.IconLocation.c_str(), data.IconIndex);
    link_->SetShowCmd(data.ShowCommand ? data.ShowCommand : SW_SHOWNORMAL);
    PersistFile file(link_);
    if (!file) return;
    succeeded = SUCCEEDED(file->Save(Wide(linkFile).c_str(), TRUE));
}

void cShellLink::ResolveLink(const std::string& linkFile, std::string& target, long& flag) {
    target.clear();
    flag = 0;
    PersistFile file(link_);
    if (!file || FAILED(file->Load(Wide(linkFile).c_str(), STGM_READ))) return;
    std::vector<char> path(MAX_PATH * 4, '\0');
    // No find data: the shell would look the target up on disk to fill it.
    if (link_->GetPath(path.data(), static_cast<int>(path.size()), nullptr, 0) != S_OK) return;
    std::string text(path.data());
    if (text.empty()) return;
    // A link to a folder has no program to offer.
    if (FileLookup::ExistingFolder(text)) return;
    target = text;
    flag = -1;
}

}  // namespace QV_ShellLink
