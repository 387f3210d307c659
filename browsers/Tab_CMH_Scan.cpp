// The file-types scan: every extension of HKEY_CLASSES_ROOT with its type and icon.
#include <windows.h>

#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "base/FileLookup.h"
#include "base/QV_Err.h"
#include "base/QV_Registry_Lib.h"
#include "base/RegEnum.h"
#include "base/RegKey.h"
#include "base/TextCase.h"
#include "browsers/Tab_CMH.h"
#include "image/QV_IconsAndResources.h"
#include "registry/RegistryNodes.h"
#include "ui/Form.h"
#include "ui/Controls.h"
#include "ui/ImageList.h"
#include "ui/TreeView.h"

namespace {
constexpr char kModule[] = "Tab_CMh";
}  // namespace

using namespace QV_Registry_Lib;
using FileLookup::ExistingFile;

namespace Tab_CMH {
namespace {

// Reads the unnamed value of HKEY_CLASSES_ROOT\path into `text` (left as it was when the value
// cannot be read); false when the key does not open.
bool ReadDefault(const std::string& path, std::string& text) {
    RegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ_ONLY, &key.Receive()) != 0) return false;
    long type = REG_SZ;
    std::string value;
    if (QueryValue(key.get(), "", value, type, 0) == "0") text = value;
    return true;
}

// The icons earlier scans drew, by source (lower-case file, index, resource flag), with the
// file's size and time when they were drawn: a later scan adds the kept picture again instead of
// extracting and drawing it anew, as long as the file is unchanged. A source that gave no icon
// is kept too (with an empty picture).
struct KeptIcon {
    ULONGLONG size = 0;
    FILETIME written{};
    ui::ImageList::Picture picture;
};
using IconSource = std::tuple<std::string, long, bool>;
std::map<IconSource, KeptIcon>& KeptIcons() {
    static std::map<IconSource, KeptIcon> kept;
    return kept;
}

// Adds the icon of one source to the image list under `key`, from the kept pictures when the
// file is unchanged, else drawn from the file (and kept). False when the source gives no icon.
bool AddSourceIcon(const IconSource& source, const std::string& file, ui::ImageList& images, const std::string& key,
                   ui::PictureBox& pixSmall) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!FileLookup::Facts(file, data))
        return QV_IconsAndResources::AddFileIcon(file, std::get<1>(source), std::get<2>(source), images, key, pixSmall);
    const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    auto found = KeptIcons().find(source);
    if (found != KeptIcons().end() && found->second.size == size &&
        CompareFileTime(&found->second.written, &data.ftLastWriteTime) == 0) {
        if (!found->second.picture || images.Exists(key)) return false;
        images.Add(key, found->second.picture);
        return true;
    }
    const bool added =
        QV_IconsAndResources::AddFileIcon(file, std::get<1>(source), std::get<2>(source), images, key, pixSmall);
    KeptIcon& kept = found != KeptIcons().end() ? found->second : KeptIcons()[source];
    // What the list received is the picture box's picture, masked with its back colour.
    kept.picture = added ? images.Prepare(pixSmall.Picture(), pixSmall.BackColor()) : ui::ImageList::Picture{};
    kept.size = size;
    kept.written = data.ftLastWriteTime;
    return added;
}

// The pictures of one scan's nodes. Drawing an icon from its file costs milliseconds, and a
// registry of real size has hundreds of distinct icon sources: the nodes of the first page (as
// many as the tree shows at once) get their pictures during the scan, the others when the tree
// first draws them. Many types share one source (the same file and index): it is added to the
// image list once, under the key of the first node that shows it, and later ones use that key;
// a source that gave no icon is not tried again.
class NodeIcons {
public:
    NodeIcons(ui::ImageList& images, ui::PictureBox& pixSmall) : images_(images), pix_(pixSmall) {}

    // The image key for a node of a source now ("" when it gives none).
    std::string Draw(const IconSource& source, const std::string& file, const std::string& key) {
        auto [at, fresh] = drawn_.try_emplace(source, "");
        if (!fresh && !at->second.empty() && !images_.Exists(at->second)) fresh = true;  // the list was emptied
        if (fresh) at->second = AddSourceIcon(source, file, images_, key, pix_) ? key : "";
        return at->second;
    }
    // The key a source was drawn under before: "" when it gave none, null when it has not been drawn.
    const std::string* Known(const IconSource& source) const {
        auto at = drawn_.find(source);
        return at == drawn_.end() || (!at->second.empty() && !images_.Exists(at->second)) ? nullptr : &at->second;
    }
    // The node of `nodeKey` shows the icon of the source under `key` when it is first drawn.
    void Expect(const std::string& nodeKey, const IconSource& source, const std::string& file, const std::string& key) {
        waiting_[TextCase::Lower(nodeKey)] = {source, file, key};
    }
    // A node drawn: given its picture when it waits for one and still shows the placeholder (a
    // search may have marked it meanwhile).
    void Drawn(ui::Node& node, const std::string& placeholder) {
        if (waiting_.empty()) return;
        auto it = waiting_.find(TextCase::Lower(node.Key()));
        if (it == waiting_.end()) return;
        const Waiting w = std::move(it->second);
        waiting_.erase(it);
        if (node.Image().key != placeholder) return;
        const std::string image = Draw(w.source, w.file, w.key);
        if (!image.empty()) {
            node.SetImage(image);
            node.SetSelectedImage(image);
        }
    }

private:
    struct Waiting {
        IconSource source;
        std::string file, key;
    };
    ui::ImageList& images_;
    ui::PictureBox& pix_;
    std::map<IconSource, std::string> drawn_;
    std::unordered_map<std::string, Waiting> waiting_;  // by folded node key
};

}  // namespace

bool CMH_Refresh(colCMH& col, ui::TreeView& tree, bool generalEntries, const std::string& arrangedBy,
                 ui::ImageList& images, ui::PictureBox& pixSmall, ui::PictureBox&, ui::StatusBar& statusBar,
                 const bool& cancel) {
    return TrapErrors(kModule, "CMH_Refresh", [&] {
        col.Clear();
        InitSearchPaths();
        if (generalEntries) {
            for (const char* name : {"*", "File", "Folder", "Directory", "Drive", "Network", "Unknown"}) {
                auto rec = col.Add(name, name);
                rec->vntFileType.clear();
                tree.Nodes.Add("", ui::tvwLast, std::string(NodePrefix) + name, name, "FolderRoot", "FolderRoot");
            }
        }
        DWORD count = 0, maxName = 0;
        if (RegQueryInfoKeyA(HKEY_CLASSES_ROOT, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr) != 0)
            return;
        RegEnum::Reader reader;
        reader.Prepare({.subKeys = count, .longestSubKey = maxName, .values = 0, .longestValueName = 0}, false);
        FileLookup::FolderListingCache listings;
        // The nodes of the last scan wait for no picture any more.
        auto icons = std::make_shared<NodeIcons>(images, pixSmall);
        tree.ImageWanted = [icons](ui::Node& node) { icons->Drawn(node, "Unknown"); };
        // The nodes the tree shows at once, counted from its top: a node added later is drawn
        // by the tree when it comes into view.
        const long firstPage = tree.hWnd() ? static_cast<long>(TreeView_GetVisibleCount(tree.hWnd())) + 1 : 0;
        {
        // The nodes are added with the tree's painting off; it repaints once at the end.
        ui::RedrawOff quiet(tree);
        ui::DoEventsNow();
        int counter = 0;
        for (DWORD index = 0; index < count; ++index) {
            if (++counter >= 10) {
                counter = 0;
                ui::DoEventsWhenDue();
                if (cancel) return;
            }
            std::string name;
            const long rc = reader.SubKeyAt(HKEY_CLASSES_ROOT, index, name);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != 0 || name.empty() || name[0] != '.') continue;
            if (col.Exists(name)) continue;

            auto rec = col.Add(name, name);
            rec->vntFileType = name.substr(1);
            if (ui::EventsDue()) {
                // The extension in work is shown as the window answers: painting the status bar
                // costs about a millisecond, so it is set once per pump, not per key.
                statusBar.Panel(1).SetText("Processing  '" + name + "'");
                ui::DoEventsNow();
                if (cancel) return;
            }
            ReadDefault(name, rec->vntDefault);

            // The icon: the type's DefaultIcon key, else (when there is no such key) its open command.
            std::string image = "Unknown";
            std::string where;
            if (!rec->vntDefault.empty() && !ReadDefault(rec->vntDefault + "\\DefaultIcon", where))
                ReadDefault(rec->vntDefault + "\\shell\\open\\command", where);
            const std::string nodeKey = NodePrefix + name;
            if (!where.empty()) {
                IconLocation icon = ParseIconLocation(where);
                std::string file;
                if (ExistingFile(icon.location, file) || FindFileOnSearchPath(icon.location, file)) {
                    const IconSource source{TextCase::Lower(file), icon.index, icon.resourceId};
                    const std::string key = "Key_" + std::to_string(index);
                    if (const std::string* known = icons->Known(source)) {
                        if (!known->empty()) image = *known;
                    } else if (tree.Nodes.Count() < firstPage) {
                        const std::string drawn = icons->Draw(source, file, key);
                        if (!drawn.empty()) image = drawn;
                    } else {
                        icons->Expect(nodeKey, source, file, key);
                    }
                }
            }
            const std::string nodeText = arrangedBy == "File type name" ? rec->vntDefault + " - " + rec->vntFileType
                                                                         : rec->vntFileType + " - " + rec->vntDefault;
            tree.Nodes.Add("", ui::tvwLast, nodeKey, nodeText, image, image);
        }
        }
        // The nodes in view are drawn now, with their pictures.
        if (tree.hWnd()) UpdateWindow(tree.hWnd());
    });
}

}  // namespace Tab_CMH
