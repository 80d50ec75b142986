#include "module/class_registration.h"

#include "common/constants.h"
#include "framework/registration.h"
#include "framework/resources.h"
#include "framework/wide.h"
#include "module/guids.h"

namespace corvela {
namespace {

Text TypeName(UINT string_id, REFCLSID clsid) {
    const Text name = LoadResString(string_id, LANGUAGE_ENGLISH);
    return name.empty() ? GuidRegistryText(clsid) : name;
}

Text ClassKey(REFCLSID clsid) { return u"CLSID\\" + GuidRegistryText(clsid); }

bool WriteAll(std::initializer_list<bool> writes) {
    bool all = true;
    for (bool written : writes) all = all && written;
    return all;
}

// Removes a class's keys. When a 16-bit server is registered under the same
// class id, only the 32-bit entries go and the rest stays for it.
bool RemoveClass(REFCLSID clsid) {
    const Text key = ClassKey(clsid);
    if (!ClassesRootKeyExists(key + u"\\InprocServer")) return DeleteClassesRootTree(key);
    return DeleteClassesRootTree(key + u"\\InprocServer32") && DeleteClassesRootTree(key + u"\\ToolboxBitmap32");
}

}  // namespace

bool UpdateControlRegistry(bool register_class) {
    const Text progid = FromW(CORVELA_CONTROL_PROGID);
    if (!register_class) return RemoveClass(CLSID_Corvela) && DeleteClassesRootTree(progid);

    const Text key = ClassKey(CLSID_Corvela);
    const Text type_name = TypeName(IDS_CONTROL_TYPE_NAME, CLSID_Corvela);
    const Text path = ModuleRegistrationPath();
    const Text version = DecimalText(CORVELA_LIBRARY_MAJOR) + u"." + DecimalText(CORVELA_LIBRARY_MINOR);
    const bool written = WriteAll({
        WriteClassesRootString(key, u"", type_name),
        WriteClassesRootString(key + u"\\ProgID", u"", progid),
        WriteClassesRootString(key + u"\\InprocServer32", u"", path),
        WriteClassesRootString(key + u"\\InprocServer32", u"ThreadingModel", u"Apartment"),
        WriteClassesRootString(key + u"\\ToolboxBitmap32", u"", path + u", " + DecimalText(IDB_TOOLBOX)),
        WriteClassesRootString(key + u"\\MiscStatus", u"", u"0"),
        WriteClassesRootString(key + u"\\MiscStatus\\1", u"", DecimalText(CORVELA_MISC_STATUS)),
        WriteClassesRootString(key + u"\\Control", u"", u""),
        WriteClassesRootString(key + u"\\TypeLib", u"", GuidRegistryText(LIBID_CORVELALib)),
        WriteClassesRootString(key + u"\\Version", u"", version),
        WriteClassesRootString(progid, u"", type_name),
        WriteClassesRootString(progid + u"\\CLSID", u"", GuidRegistryText(CLSID_Corvela)),
    });
    RegisterClassCategory(CLSID_Corvela, CATID_SafeForScriptingCategory, u"Controls that are safely scriptable");
    RegisterClassCategory(CLSID_Corvela, CATID_SafeForInitializingCategory,
                          u"Controls safely initializable from persistent data");
    return written;
}

bool UpdatePropPageRegistry(bool register_class) {
    if (!register_class) return RemoveClass(CLSID_CorvelaPropPage);
    const Text key = ClassKey(CLSID_CorvelaPropPage);
    return WriteAll({
        WriteClassesRootString(key, u"", TypeName(IDS_PROPPAGE_TYPE_NAME, CLSID_CorvelaPropPage)),
        WriteClassesRootString(key + u"\\InprocServer32", u"", ModuleRegistrationPath()),
    });
}

}  // namespace corvela
