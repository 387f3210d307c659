// An image list with keys over a real HIMAGELIST. Trees, lists and toolbars refer to images
// by key (or 1-based index) and look the picture up when they paint, so clearing and refilling
// a list, or attaching another one, keeps every node's and item's image key valid.
//
//     ui::ImageList iml(16, 16);
//     iml.Add("String", LoadIcon(...));
//     iml.AddFromFile("Folder", "C:\\...\\folder.ico");
//     tvw.SetImageList(&iml);  lsv.SetSmallIcons(&iml);
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>  // maps ExtractIcon to ExtractIconA, in every file alike

#include <string>
#include <unordered_map>
#include <vector>

#include "ui/Control.h"

namespace ui {

class ImageList {
public:
    ImageList(int width = 16, int height = 16);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    int ImageWidth() const { return cx_; }
    int ImageHeight() const { return cy_; }
    HIMAGELIST Handle();  // created on first use

    // Adds a picture under an optional key (unique, case-insensitive: a duplicate throws 35602);
    // returns its 1-based index. The icon is copied: the caller keeps its own.
    long Add(const std::string& key, HICON icon);
    // A bitmap; pixels of `maskColor` are transparent (CLR_NONE: none). A bitmap of another size
    // than the list's gives one picture, taken from its top-left corner.
    long Add(const std::string& key, HBITMAP bitmap, COLORREF maskColor = CLR_NONE);

    // A picture made ready for a list of this size: the image and mask that Add(key, bitmap,
    // maskColor) hands to the list. A caller that shows one picture again and again (after the
    // list was cleared, or in another list of the same size) keeps it and adds it with no
    // drawing: under Wine drawing into a list costs about a millisecond, adding a ready picture a
    // tenth of that.
    class Picture {
    public:
        Picture() = default;
        ~Picture();
        Picture(Picture&& other) noexcept;
        Picture& operator=(Picture&& other) noexcept;
        Picture(const Picture&) = delete;
        Picture& operator=(const Picture&) = delete;
        explicit operator bool() const { return image_ != nullptr; }

    private:
        friend class ImageList;
        HBITMAP image_ = nullptr, mask_ = nullptr;  // mask_ null: no transparent pixels
        int cx_ = 0, cy_ = 0;
    };
    // The picture of a bitmap as Add would add it (empty when it cannot be made).
    Picture Prepare(HBITMAP bitmap, COLORREF maskColor = CLR_NONE) const;
    // Adds a prepared picture (one of another size than the list's is error 5, as a null one).
    long Add(const std::string& key, const Picture& picture);
    // A ready copy of the picture under `key` (a key the list lacks throws 35601), made on first
    // use and kept until the list is cleared; empty when the picture cannot be copied so.
    const Picture& PictureOf(const std::string& key) const;
    // Adds under `key` the picture under `fromKey` of another list of this size, from that
    // list's ready copy: copying the same picture again and again costs no drawing.
    long AddCopy(const std::string& key, const ImageList& from, const std::string& fromKey);
    // An icon resource of a module (null = the program).
    long AddFromResource(const std::string& key, HINSTANCE module, int iconId);
    // An .ico file; returns 0 (nothing added) when the file holds no icon.
    long AddFromFile(const std::string& key, const std::string& path);

    // Gives the picture under `existing` the further key `key` (unique, as for Add): one picture
    // shown under several keys is stored once. Returns the picture's 1-based index; a key the
    // list lacks throws 35601.
    long AddKey(const std::string& key, const std::string& existing);

    // A new icon of the picture under the key (the caller destroys it); a key the list lacks
    // throws 35601.
    HICON ExtractIcon(const std::string& key) const;

    long Count() const { return static_cast<long>(keys_.size()); }  // pictures, not keys
    bool Exists(const std::string& key) const;
    const std::string& KeyAt(long index) const;  // 1-based; the key the picture was added under
    // Removes every picture; the handle stays the same.
    void Clear();

    // The zero-based picture index for a control, or -1 for ImageRef{}; a key the list lacks
    // or an index out of range throws 35601 ("Element not found").
    int Resolve(const ImageRef& image) const;
    // As Resolve, but -1 instead of an error.
    int TryResolve(const ImageRef& image) const;

private:
    long Added(const std::string& key, int imageIndex);
    int cx_, cy_;
    HIMAGELIST handle_ = nullptr;
    std::vector<std::string> keys_;
    std::unordered_map<std::string, int> index_;  // folded key -> zero-based index
    mutable std::unordered_map<int, Picture> copies_;  // zero-based index -> ready copy
};

}  // namespace ui
