// What the keyboard does in the file list. The list view's own keyboard
// handling cannot serve: nobody supplies its focused state (so no row ever
// shows a focus rectangle), and without it the list view moves nothing.
#pragma once

#include <cstdint>

namespace corvela {

// Virtual-key codes, as the platform numbers them.
enum ListKey : uint32_t {
    KEY_SPACE = 0x20,
    KEY_PAGE_UP = 0x21,
    KEY_PAGE_DOWN = 0x22,
    KEY_END = 0x23,
    KEY_HOME = 0x24,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
};

// The keys the list takes for itself rather than leave to the page that
// holds it: the arrows, Home, End, Page Up, Page Down and Space.
bool ListTakesKey(uint32_t key);

// Whether the key moves the selection (Up, Down, Home, End, Page Up, Page
// Down); Space ticks the selected entry, Left and Right scroll the list.
bool MovesSelection(uint32_t key);

// Where a moving key takes the selection from row `current` (-1 when no row
// is selected) in a list of `row_count` rows that shows `page_rows` at
// once; -1 in an empty list.
int RowAfterKey(uint32_t key, int current, int row_count, int page_rows);

}  // namespace corvela
