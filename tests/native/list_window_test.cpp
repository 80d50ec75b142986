#include <gtest/gtest.h>

#include "filelist/list_keys.h"
#include "filelist/list_metrics.h"

namespace {

using corvela::VisibleColumnWidths;

TEST(FitVisibleColumns, KeepsThe96DpiLayoutScalesItAndWidensAColumnWhoseTextWouldBeCut) {
    struct Case {
        int client_width, dpi, widest_size_text, widest_marker;
        VisibleColumnWidths expected;
    };
    const Case cases[] = {
        {460, 96, 0, 0, {300, 75, 65}},        // an empty list, as it always was
        {460, 96, 63, 53, {300, 75, 65}},      // texts that fit change nothing at 96 DPI
        {460, 0, 0, 0, {300, 75, 65}},         // a DPI the window does not tell counts as 96
        {100, 96, 0, 0, {65476, 75, 65}},      // narrower than both columns: modulo 65536
        {460, 144, 0, 0, {219, 113, 98}},      // scaled to the nearest pixel
        {460, 144, 110, 40, {204, 128, 98}},   // the size text needs its own width and margins
        {460, 192, 100, 114, {132, 150, 138}}, // so does the marker
        {460, 96, 90, 0, {273, 102, 65}},      // a text too wide at 96 DPI is not cut either
    };
    for (const Case& c : cases) {
        const VisibleColumnWidths widths =
            corvela::FitVisibleColumns(c.client_width, c.dpi, c.widest_size_text, c.widest_marker);
        EXPECT_EQ(widths.name, c.expected.name) << c.dpi << " " << c.widest_size_text;
        EXPECT_EQ(widths.size_text, c.expected.size_text) << c.dpi << " " << c.widest_size_text;
        EXPECT_EQ(widths.big_marker, c.expected.big_marker) << c.dpi << " " << c.widest_marker;
    }
}

TEST(RowAfterKey, MovesLikeAListAndStaysInsideIt) {
    using namespace corvela;
    struct Case {
        uint32_t key;
        int current, row_count, page_rows, expected;
    };
    const Case cases[] = {
        {KEY_DOWN, 1, 4, 10, 2},      {KEY_DOWN, 3, 4, 10, 3},      // the last row stays
        {KEY_UP, 1, 4, 10, 0},        {KEY_UP, 0, 4, 10, 0},        // so does the first
        {KEY_HOME, 2, 4, 10, 0},      {KEY_END, 0, 4, 10, 3},
        {KEY_PAGE_DOWN, 1, 40, 6, 6}, {KEY_PAGE_DOWN, 38, 40, 6, 39},  // a page is one row short of it
        {KEY_PAGE_UP, 30, 40, 6, 25}, {KEY_PAGE_UP, 3, 40, 6, 0},
        {KEY_PAGE_DOWN, 1, 40, 0, 2},                                // a list too low for a row
        {KEY_DOWN, -1, 4, 10, 0},     {KEY_UP, -1, 4, 10, 0},       // nothing selected: from the top
        {KEY_END, -1, 4, 10, 3},      {KEY_DOWN, -1, 0, 10, -1},    // an empty list has no row
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowAfterKey(c.key, c.current, c.row_count, c.page_rows), c.expected)
            << std::hex << c.key << std::dec << " from " << c.current;
    for (uint32_t key : {KEY_SPACE, KEY_LEFT, KEY_RIGHT}) EXPECT_FALSE(MovesSelection(key)) << key;
    EXPECT_FALSE(ListTakesKey(0x09)) << "Tab belongs to the page";
    EXPECT_FALSE(ListTakesKey(0x0D)) << "so does Enter";
}

}  // namespace
