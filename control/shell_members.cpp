// The local services of the shell as scripting members: choosing a folder
// and cleaning a file name.
#include "control/corvela_ctrl.h"

#include "shell/file_name_chars.h"
#include "shell/folder_dialog.h"
#include "shell/folder_path.h"

namespace corvela {

Text CCorvelaCtrl::GetFolderPath() {
    if (!LocalFilesAllowed()) return Text();
    // The browser is modal to the page's top-level window when the control
    // has a window; a control without one has no window to be modal to.
    HWND main_window = Window() ? GetAncestor(Window(), GA_ROOT) : nullptr;
    CFolderDialog dialog(std::nullopt, std::nullopt, std::nullopt, nullptr, main_window);
    if (dialog.DoModal() != 1) return Text();
    return FolderResultText(dialog.Path());
}

Text CCorvelaCtrl::ChangeSpecialChar(Text sFileName) { return corvela::ChangeSpecialChar(sFileName); }

}  // namespace corvela
