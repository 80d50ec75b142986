// The folder dialog: the shell's folder browser with an edit box added above
// its tree, so that the user may also type a path. The typed or picked path
// is checked when the user presses OK, and a missing folder is created
// after the user agrees.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace corvela {

// The control id of the edit box added to the browser.
constexpr int FOLDER_EDIT_ID = 14148;

class CFolderDialog;

// Watches the browser's window while it runs: its OK command, which it
// answers instead of the browser, and the changes of the added edit box.
class CFolderDialogWnd {
public:
    explicit CFolderDialogWnd(CFolderDialog& dialog) : dialog_(dialog) {}
    ~CFolderDialogWnd() { Detach(); }
    CFolderDialogWnd(const CFolderDialogWnd&) = delete;
    CFolderDialogWnd& operator=(const CFolderDialogWnd&) = delete;

    bool Attach(HWND window);
    void Detach();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                      DWORD_PTR self);
    // True when the command was answered here.
    bool OnCommand(int id, UINT code);

    CFolderDialog& dialog_;
    HWND window_ = nullptr;
};

class CFolderDialog {
public:
    virtual ~CFolderDialog() = default;
    // Each text may be absent. Without a parent, the browser is owned by the
    // last active popup of `main_window` (the host's top-level window as the
    // caller knows it), or by nothing when that is unknown too.
    CFolderDialog(std::optional<Text> title, std::optional<Text> prompt, std::optional<Text> initial_folder,
                  HWND parent, HWND main_window = nullptr);
    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    // 1 when the user confirmed a valid folder, else -1 (Cancel, the close
    // box, or no shell allocator).
    int32_t DoModal();
    // The edit box's text as last read.
    Text Path() const { return path_; }

protected:
    // Starts watching the browser's window for its OK command and the edit
    // box; false when the window cannot be watched, and the browser's own OK
    // then ends it.
    virtual bool WatchBrowser(HWND browser);

private:
    friend class CFolderDialogWnd;
    static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lparam, LPARAM self);
    void OnInitialized(HWND browser);
    void OnSelectionChanged(HWND browser, PCIDLIST_ABSOLUTE item);
    void OnEditChange();
    void OnOk();
    void ConfirmPickedItem(PCIDLIST_ABSOLUTE item);
    int32_t ValidateFolder(const Text& path, HWND owner) const;
    HWND EditBox() const;
    void ReadEditBox();

    std::optional<Text> title_;
    std::optional<Text> prompt_;
    std::optional<Text> initial_folder_;
    HWND owner_ = nullptr;
    HWND browser_ = nullptr;
    Text path_;
    Text selected_path_;  // of the item the tree shows
    bool confirmed_ = false;
    bool watching_ = false;
    CFolderDialogWnd window_{*this};
};

}  // namespace corvela
