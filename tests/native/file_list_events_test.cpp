// The list's drop and click rules against a stand-in for the control that
// owns the list: what the page hears, and what the user is shown.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "file_list_fake_rows.h"
#include "filelist/file_list_model.h"
#include "filelist/list_events.h"

using corvela::ClickTarget;
using corvela::Text;
using corvela::TextList;

namespace {

class FakeOwner final : public corvela::FileListOwner {
public:
    bool LocalFilesAllowed() const override { return allowed; }
    const Text& HintText() const override { return hint; }
    const Text& RefusalText() const override { return refusal; }
    int32_t UseDbCl() const override { return use_dbcl; }
    void FireAttachAddFile(const Text& files) override { events.push_back(u"AttachAddFile(" + files + u")"); }
    void FireClickCheckBox(const Text& users) override { events.push_back(u"ClickCheckBox(" + users + u")"); }
    void FireDbClListFile(const Text& path, const Text& users) override {
        events.push_back(u"DbClListFile(" + path + u"," + users + u")");
    }
    bool HoldWhileHandling() override { return true; }
    void LetGo() override {}

    bool allowed = true;
    int32_t use_dbcl = 0;
    Text hint = u"hint";
    Text refusal = u"Refused ";
    std::vector<Text> events;
};

// Rows whose user names (column 7) are "u0", "u1", ... and paths "p0", ...
corvela_test::FakeRows Rows(int count) {
    corvela_test::FakeRows rows;
    for (int row = 0; row < count; ++row) {
        rows.InsertRow(row, u"n", 0);
        rows.SetCellText(row, corvela::COLUMN_USER_NAME, u"u" + corvela::DecimalText(row));
        rows.SetCellText(row, corvela::COLUMN_FILEPATH, u"p" + corvela::DecimalText(row));
    }
    return rows;
}

}  // namespace

// Each refused item has its own message and the rest of the drop goes on;
// the page hears once of the files that passed, in drop order; a page the
// site lock refuses gets nothing and the user sees nothing.
TEST(FileListDrop, RefusalsAreToldOneByOneAndThePageHearsOnceOfTheRest) {
    FakeOwner owner;
    std::vector<Text> shown;
    const corvela::DropPlatform platform{[](const Text& path) { return path == u"C:\\dir.pdf"; },
                                         [&](const Text& text, const Text&) { shown.push_back(text); },
                                         u"no folders", u"caption"};
    const TextList dropped = {u"C:\\a.pdf", u"C:\\b.exe", u"C:\\dir.pdf", u"C:\\c.pdf"};
    EXPECT_TRUE(corvela::DeliverDrop(owner, {u"pdf"}, dropped, platform));
    EXPECT_EQ(shown, (std::vector<Text>{u"Refused (exe)", u"no folders"}));
    EXPECT_EQ(owner.events, (std::vector<Text>{u"AttachAddFile(C:\\a.pdf|C:\\c.pdf|)"}));

    shown.clear();
    owner.events.clear();
    EXPECT_FALSE(corvela::DeliverDrop(owner, {u"pdf"}, {u"C:\\b.exe"}, platform)) << "nothing passed";
    EXPECT_TRUE(owner.events.empty());

    owner.allowed = false;
    shown.clear();
    EXPECT_FALSE(corvela::DeliverDrop(owner, {}, dropped, platform));
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(owner.events.empty());
}

// A check box click is reported before the list view flips the box, so the
// clicked row counts as flipped; a click on a name flips it here. A double
// click on a box tells of that click first; the page that takes double
// clicks hears of the entry, otherwise the entry's path goes to the browser.
TEST(FileListClick, ThePageHearsTheBoxesAsTheClickLeavesThem) {
    FakeOwner owner;
    corvela_test::FakeRows rows = Rows(3);
    rows.SetChecked(0, true);
    corvela::DeliverClick(owner, rows, ClickTarget::CheckBox, 2);
    EXPECT_FALSE(rows.IsChecked(2)) << "the list view flips the box itself";
    corvela::DeliverClick(owner, rows, ClickTarget::Name, 1);
    EXPECT_TRUE(rows.IsChecked(1));
    corvela::DeliverClick(owner, rows, ClickTarget::Name, corvela::NO_ROW);
    corvela::DeliverClick(owner, rows, ClickTarget::Elsewhere, 0);
    EXPECT_EQ(owner.events, (std::vector<Text>{u"ClickCheckBox(u0\\u2\\)", u"ClickCheckBox(u0\\u1\\)"}));

    owner.events.clear();
    EXPECT_EQ(corvela::DeliverDoubleClick(owner, rows, false, corvela::NO_ROW, 2), std::optional<Text>(u"p2"));
    EXPECT_EQ(corvela::DeliverDoubleClick(owner, rows, false, corvela::NO_ROW, corvela::NO_ROW), std::nullopt);
    EXPECT_TRUE(owner.events.empty());
    owner.use_dbcl = 1;
    EXPECT_EQ(corvela::DeliverDoubleClick(owner, rows, true, 2, 2), std::nullopt);
    EXPECT_EQ(owner.events, (std::vector<Text>{u"ClickCheckBox(u0\\u1\\u2\\)", u"DbClListFile(p2,u0\\u1\\u2\\)"}));
}
