// The type library as script editors and containers read it.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "corvela_h.h"
#include "support.h"

namespace {

struct TypeLibrary : testing::Test {
    void SetUp() override {
        ASSERT_EQ(LoadTypeLibEx(test::OcxPath().c_str(), REGKIND_NONE, &library), S_OK);
    }
    void TearDown() override {
        if (library) library->Release();
    }
    ITypeInfo* Info(REFGUID guid) {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
        return info;
    }
    static std::wstring Name(ITypeInfo* info, MEMBERID id) {
        BSTR name = nullptr;
        info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
        std::wstring text = name ? name : L"";
        SysFreeString(name);
        return text;
    }
    static std::wstring HelpString(ITypeInfo* info) {
        BSTR help = nullptr;
        info->GetDocumentation(MEMBERID_NIL, nullptr, &help, nullptr, nullptr);
        std::wstring text = help ? help : L"";
        SysFreeString(help);
        return text;
    }
    // "name(param,param)" of function `index`.
    static std::wstring Signature(ITypeInfo* info, UINT index, MEMBERID* id = nullptr) {
        FUNCDESC* function = nullptr;
        info->GetFuncDesc(index, &function);
        BSTR names[16] = {};
        UINT count = 0;
        info->GetNames(function->memid, names, 16, &count);
        if (id) *id = function->memid;
        std::wstring text = names[0];
        text += L"(";
        for (UINT i = 1; i < count; ++i) text += (i > 1 ? L"," : L"") + std::wstring(names[i]);
        text += L")";
        for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
        info->ReleaseFuncDesc(function);
        return text;
    }

    ITypeLib* library = nullptr;
};

TEST_F(TypeLibrary, DescribesTheLibraryVersionAndItsThreeEntries) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_CORVELALib));
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);
    BSTR name = nullptr;
    library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    EXPECT_STREQ(name, L"CORVELALib");
    SysFreeString(name);

    ITypeInfo* control = Info(DIID__DCorvela);
    ITypeInfo* events = Info(DIID__DCorvelaEvents);
    ITypeInfo* coclass = Info(CLSID_Corvela);
    EXPECT_EQ(HelpString(control), L"Dispatch interface for Corvela Control");
    EXPECT_EQ(HelpString(events), L"Event interface for Corvela Control");
    EXPECT_EQ(HelpString(coclass), L"Corvela Control");

    // The class: _DCorvela by default, _DCorvelaEvents as its default source.
    TYPEATTR* attributes_of_class = nullptr;
    coclass->GetTypeAttr(&attributes_of_class);
    ASSERT_EQ(attributes_of_class->cImplTypes, 2);
    coclass->ReleaseTypeAttr(attributes_of_class);
    int flags0 = 0, flags1 = 0;
    coclass->GetImplTypeFlags(0, &flags0);
    coclass->GetImplTypeFlags(1, &flags1);
    EXPECT_EQ(flags0, IMPLTYPEFLAG_FDEFAULT);
    EXPECT_EQ(flags1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    control->Release();
    events->Release();
    coclass->Release();
}

TEST_F(TypeLibrary, ListsTheFunctionsAndPropertiesInTheirOrderWithTheirParameterNames) {
    ITypeInfo* info = Info(DIID__DCorvela);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attributes->cFuncs, 29);
    EXPECT_EQ(attributes->cVars, 11);
    info->ReleaseTypeAttr(attributes);

    const std::vector<std::pair<MEMBERID, std::wstring>> functions = {
        {12, L"AddDownloadUrl(sUrl,sDstFileName,lSize)"},
        {13, L"StartDownload(sCacheFolder)"},
        {14, L"AddUploadFile(sUrl,sFileData)"},
        {15, L"StartUpload(sPage,sDstFolder,sPrefix,sID,sPwd)"},
        {16, L"GetReturn(nIndex)"},
        {17, L"OpenDownload(sCacheFolder)"},
        {18, L"AddDownloadUrlForCache(sUrl,sUniqueID,sDstFileName,lSize)"},
        {19, L"GetFolderPath()"},
        {20, L"ChangeSpecialChar(sFileName)"},
        {21, L"StartDownload2(sCacheFolder,sTitle)"},
        {22, L"StartUpload2(sPage,sDstFolder,sPrefix,sID,sPwd,sTitle)"},
        {24, L"DeleteFileList()"},
        {25, L"InsertFileList(filename,filepath,fileinfo1,fileinfo2,filesize)"},
        {26, L"InsertUserN(Username)"},
        {27, L"SetCheckList(nIndex,isCheck)"},
        {23, L"StartUpload3(sPage,sDstFolder,sPrefix,sID,sPwd,sSID)"},
        {30, L"ListUP()"},
        {31, L"ListDOWN()"},
        {32, L"DeleteFileListAll()"},
        {33, L"GetCheckFileInfo()"},
        {36, L"GetfilePath(nIndex)"},
        {37, L"GetfileName(index)"},
        {38, L"GetfileInfo1(index)"},
        {39, L"GetfileInfo2(index)"},
        {40, L"GetfileChecked(index)"},
        {41, L"GetFileSize(index)"},
        {42, L"GetReturnSize(filepath)"},
        {34, L"InsertFileListDRM(filename,filepath,fileinfo1,fileinfo2,filesize,bDRM)"},
        {35, L"SetAllowedExt(sList)"},
    };
    for (UINT index = 0; index < functions.size(); ++index) {
        MEMBERID id = 0;
        EXPECT_EQ(Signature(info, index, &id), functions[index].second) << "function " << index;
        EXPECT_EQ(id, functions[index].first) << "function " << index;
    }
    for (UINT index = 20; index < 27; ++index) {
        FUNCDESC* function = nullptr;
        info->GetFuncDesc(index, &function);
        EXPECT_EQ(function->invkind, INVOKE_PROPERTYGET) << "parameterised property " << index;
        info->ReleaseFuncDesc(function);
    }

    const std::vector<std::pair<MEMBERID, std::wstring>> properties = {
        {2, L"nType"},      {3, L"DelfileList"},      {4, L"isBigfileYN"}, {5, L"isBigfileSizeAll"},
        {6, L"FileListAll"}, {7, L"IsDocfileAll"},    {8, L"HideProgressDlg"}, {9, L"SetBigLang"},
        {10, L"NTLM"},      {1, L"tipString"},        {11, L"UseDbCl"},
    };
    for (UINT index = 0; index < properties.size(); ++index) {
        VARDESC* variable = nullptr;
        ASSERT_EQ(info->GetVarDesc(index, &variable), S_OK);
        EXPECT_EQ(variable->memid, properties[index].first) << "property " << index;
        EXPECT_EQ(Name(info, variable->memid), properties[index].second);
        info->ReleaseVarDesc(variable);
    }

    // Answered at run time, but not listed for tools that read the library.
    for (const wchar_t* unlisted : {L"InsertFileInfo", L"AddFilename"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(unlisted)};
        MEMBERID id = 0;
        EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), DISP_E_UNKNOWNNAME) << unlisted;
    }
    info->Release();
}

TEST_F(TypeLibrary, DescribesTheFiveEvents) {
    ITypeInfo* info = Info(DIID__DCorvelaEvents);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    EXPECT_EQ(attributes->cFuncs, 5);
    info->ReleaseTypeAttr(attributes);
    const std::vector<std::wstring> events = {L"InitComplete()", L"CancelTransfer()", L"AttachAddFile(mfilename)",
                                              L"ClickCheckBox(UserList)", L"DbClListFile(mPath,mUserList)"};
    for (UINT index = 0; index < events.size(); ++index) {
        MEMBERID id = 0;
        EXPECT_EQ(Signature(info, index, &id), events[index]);
        EXPECT_EQ(id, static_cast<MEMBERID>(index + 1));
    }
    info->Release();
}

// ---- the page authors' reference against the library ----

// Member or event name -> parameter names, as a section of the reference
// (docs/scripting.md) documents them: a "### `Name`" heading under the given
// "## " heading, whose first signature line reads "`type Name(type a, type b)`"
// or, for a property, "`type Name`".
std::map<std::wstring, std::vector<std::wstring>> Documented(const std::string& reference, const std::string& part) {
    std::map<std::wstring, std::vector<std::wstring>> found;
    std::istringstream lines(reference);
    std::string line, section, name;
    const std::regex heading("^### `(\\w+)`$");
    const std::regex signature("^`[\\w ]+ (\\w+)(\\(([^)]*)\\))?`");
    while (std::getline(lines, line)) {
        std::smatch match;
        if (line.rfind("## ", 0) == 0) {
            section = line.substr(3);
            name.clear();
        } else if (section == part && std::regex_match(line, match, heading)) {
            name = match[1];
            found[test::Utf16(name)];
        } else if (!name.empty() && std::regex_search(line, match, signature)) {
            EXPECT_EQ(match[1].str(), name) << "the signature under the heading of " << name;
            std::vector<std::wstring>& parameters = found[test::Utf16(name)];
            std::istringstream list(match[3].str());
            std::string parameter;
            while (std::getline(list, parameter, ','))
                parameters.push_back(test::Utf16(parameter.substr(parameter.find_last_of(' ') + 1)));
            name.clear();
        }
    }
    return found;
}

// Member or event name -> parameter names, as the library lists them.
std::map<std::wstring, std::vector<std::wstring>> Listed(ITypeInfo* info) {
    std::map<std::wstring, std::vector<std::wstring>> listed;
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    for (UINT index = 0; index < attributes->cFuncs; ++index) {
        FUNCDESC* function = nullptr;
        info->GetFuncDesc(index, &function);
        BSTR names[16] = {};
        UINT count = 0;
        info->GetNames(function->memid, names, 16, &count);
        for (UINT i = 1; i < count; ++i) listed[names[0]].push_back(names[i]);
        listed[names[0]];
        for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
        info->ReleaseFuncDesc(function);
    }
    for (UINT index = 0; index < attributes->cVars; ++index) {
        VARDESC* variable = nullptr;
        info->GetVarDesc(index, &variable);
        BSTR name = nullptr;
        info->GetDocumentation(variable->memid, &name, nullptr, nullptr, nullptr);
        listed[name];
        SysFreeString(name);
        info->ReleaseVarDesc(variable);
    }
    info->ReleaseTypeAttr(attributes);
    return listed;
}

// Every member and event the library lists is documented with its
// parameters in order; the reference documents nothing the control does not
// answer: the two members the library leaves out are documented too, and
// the control answers their names and parameter names.
TEST_F(TypeLibrary, ThePageAuthorsReferenceDocumentsEveryMemberAndEvent) {
    const std::string reference = test::ReadFileBytes(test::Env(L"CORVELA_DOCS") + L"\\scripting.md");
    ASSERT_FALSE(reference.empty()) << "CORVELA_DOCS names no folder with scripting.md";
    std::map<std::wstring, std::vector<std::wstring>> members = Documented(reference, "Members");
    const std::map<std::wstring, std::vector<std::wstring>> events = Documented(reference, "Events");

    ITypeInfo* event_info = Info(DIID__DCorvelaEvents);
    EXPECT_EQ(events, Listed(event_info));
    event_info->Release();

    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    for (const wchar_t* unlisted : {L"InsertFileInfo", L"AddFilename"}) {
        ASSERT_EQ(members.count(unlisted), 1u) << test::Utf8(unlisted) << " is not documented";
        std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(unlisted)};
        for (const std::wstring& parameter : members[unlisted]) names.push_back(const_cast<LPOLESTR>(parameter.c_str()));
        std::vector<DISPID> ids(names.size());
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                         ids.data()),
                  S_OK)
            << test::Utf8(unlisted);
        members.erase(unlisted);
    }
    control->Release();

    ITypeInfo* member_info = Info(DIID__DCorvela);
    EXPECT_EQ(members, Listed(member_info));
    member_info->Release();
}

}  // namespace
