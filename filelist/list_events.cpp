#include "filelist/list_events.h"

#include "filelist/columns.h"
#include "filelist/drop_filter.h"
#include "filelist/file_list_model.h"

namespace corvela {
namespace {

const Text DROPPED_PATH_END = u"|";
constexpr int32_t PAGE_TAKES_DOUBLE_CLICKS = 1;

}  // namespace

const Text EXTENSION_LIMIT_CAPTION = u"File Extension Limit";

bool DeliverDrop(FileListOwner& owner, const TextList& allowed_extensions, const TextList& paths,
                 const DropPlatform& platform) {
    if (!owner.LocalFilesAllowed()) return false;  // the site lock refuses drops
    Text dropped_files;
    bool accepted_any = false;
    for (const Text& path : paths) {
        if (const auto refusal = ExtensionRefusal(allowed_extensions, path, owner.RefusalText())) {
            platform.show_message(*refusal, EXTENSION_LIMIT_CAPTION);
            continue;
        }
        accepted_any = true;
        if (platform.is_folder_or_unreadable(path)) {
            platform.show_message(platform.folder_message, platform.folder_caption);
            continue;
        }
        dropped_files += path + DROPPED_PATH_END;
    }
    if (!dropped_files.empty()) owner.FireAttachAddFile(dropped_files);
    return accepted_any;
}

void DeliverClick(FileListOwner& owner, RowStore& rows, ClickTarget target, int row) {
    if (target == ClickTarget::CheckBox) {
        owner.FireClickCheckBox(BuildUserList(rows, row));
    } else if (target == ClickTarget::Name && row != NO_ROW) {
        rows.SetChecked(row, !rows.IsChecked(row));
        owner.FireClickCheckBox(BuildUserList(rows));
    }
}

std::optional<Text> DeliverDoubleClick(FileListOwner& owner, const RowStore& rows, bool on_check_box,
                                       int check_box_row, int item) {
    Text user_list;
    if (on_check_box) {
        user_list = BuildUserList(rows, check_box_row);
        owner.FireClickCheckBox(user_list);
    }
    const bool on_entry = item >= 0 && item < rows.RowCount();
    const Text path = on_entry ? rows.CellText(item, COLUMN_FILEPATH) : Text();
    if (owner.UseDbCl() == PAGE_TAKES_DOUBLE_CLICKS) {
        owner.FireDbClListFile(path, user_list);
        return std::nullopt;
    }
    if (!on_entry) return std::nullopt;
    return path;
}

}  // namespace corvela
