// What the list's drops, clicks, double clicks and Space key come to for
// its owner and the page. Pure logic: the list window gathers what the
// platform says (the dropped paths, where a click landed) and carries out
// what is left to it (the message boxes, the browser).
#pragma once

#include <functional>
#include <optional>

#include "common/text.h"
#include "filelist/list_owner.h"
#include "filelist/row_store.h"

namespace corvela {

// The platform's part of a drop.
struct DropPlatform {
    std::function<bool(const Text& path)> is_folder_or_unreadable;
    std::function<void(const Text& text, const Text& caption)> show_message;
    Text folder_message;  // shown, under folder_caption, for a folder or an unreadable item
    Text folder_caption;
};

// The caption of the message for a refused extension.
extern const Text EXTENSION_LIMIT_CAPTION;

// Files dropped on the list, in drop order. Nothing at all happens on a page
// the site lock refuses. Each refused extension, folder or unreadable item
// gets its own message and the rest of the drop goes on; the page hears once,
// with AttachAddFile, of every file that passed, each followed by "|". True
// when any item passed the extension filter: the list view then takes its
// own part of the drop.
bool DeliverDrop(FileListOwner& owner, const TextList& allowed_extensions, const TextList& paths,
                 const DropPlatform& platform);

// Where a click landed.
enum class ClickTarget { CheckBox, Name, Elsewhere };

// A click (or Space on the selected row, as a click on its name). The list
// view reports a click on a check box before it flips the box, so that row
// counts as flipped; a click on a name flips the box here. Either way the
// page hears the entries checked once the click has taken effect; a click
// that names no row changes and tells nothing.
void DeliverClick(FileListOwner& owner, RowStore& rows, ClickTarget target, int row);

// A double click on `item` (NO_ROW when on no entry), on the check box of
// `check_box_row` when `on_check_box`. The check box click is told first.
// The page that takes double clicks hears of the entry's path (empty for no
// entry); otherwise the path to show in the browser, or nothing when the
// click named no entry.
std::optional<Text> DeliverDoubleClick(FileListOwner& owner, const RowStore& rows, bool on_check_box,
                                       int check_box_row, int item);

}  // namespace corvela
