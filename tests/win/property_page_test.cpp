// The control's empty property page.
#include <gtest/gtest.h>

#include "corvela_h.h"
#include "control/guids.h"
#include "support.h"

namespace {

TEST(PropertyPage, IsTheControlsOnlyPageAndShowsItsTextUnderTheGeneralCaption) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages)), S_OK);
    CAUUID list = {};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(IsEqualCLSID(list.pElems[0], corvela::CLSID_CorvelaPropPage));
    CoTaskMemFree(list.pElems);
    pages->Release();

    IPropertyPage* page = nullptr;
    ASSERT_EQ(CoCreateInstance(corvela::CLSID_CorvelaPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                               reinterpret_cast<void**>(&page)),
              S_OK);
    PROPPAGEINFO info = {};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"General");
    EXPECT_GT(info.size.cx, 0);
    CoTaskMemFree(info.pszTitle);

    IUnknown* objects[] = {control};
    EXPECT_EQ(page->SetObjects(1, objects), S_OK);
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 500, 200, nullptr, nullptr, nullptr,
                                  nullptr);
    RECT area = {0, 0, info.size.cx, info.size.cy};
    ASSERT_EQ(page->Activate(parent, &area, TRUE), S_OK);
    HWND dialog = GetWindow(parent, GW_CHILD);
    ASSERT_NE(dialog, nullptr);
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, 1000, text, 256);
    EXPECT_STREQ(text, L"TODO: Place controls to manipulate properties of Corvela Control on this dialog.");
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
    page->Release();
    DestroyWindow(parent);
    control->Release();
}

}  // namespace
