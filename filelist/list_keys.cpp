#include "filelist/list_keys.h"

#include <algorithm>

namespace corvela {

bool ListTakesKey(uint32_t key) { return key >= KEY_SPACE && key <= KEY_DOWN; }

bool MovesSelection(uint32_t key) { return ListTakesKey(key) && key != KEY_SPACE && key != KEY_LEFT && key != KEY_RIGHT; }

// Nothing selected: the first key that moves starts at the top (End at the
// bottom). A page moves one row less than the list shows, so that the row
// left behind stays in sight.
int RowAfterKey(uint32_t key, int current, int row_count, int page_rows) {
    if (row_count <= 0) return -1;
    const int last = row_count - 1;
    const int page = std::max(1, page_rows - 1);
    if (current < 0 || current > last) return key == KEY_END ? last : 0;
    switch (key) {
        case KEY_UP:
            return std::max(0, current - 1);
        case KEY_DOWN:
            return std::min(last, current + 1);
        case KEY_PAGE_UP:
            return std::max(0, current - page);
        case KEY_PAGE_DOWN:
            return std::min(last, current + page);
        case KEY_HOME:
            return 0;
        case KEY_END:
            return last;
        default:
            return current;
    }
}

}  // namespace corvela
