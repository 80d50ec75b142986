#include "module/class_registration.h"

#include "common/constants.h"
#include "common/wide.h"
#include "framework/registration.h"
#include "framework/resources.h"
#include "control/guids.h"

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
bool RemoveClass(const ClassesRoot& root, REFCLSID clsid) {
    const Text key = ClassKey(clsid);
    if (!root.KeyExists(key + u"\\InprocServer")) return root.DeleteTree(key);
    return root.DeleteTree(key + u"\\InprocServer32") && root.DeleteTree(key + u"\\ToolboxBitmap32");
}

}  // namespace

bool UpdateControlRegistry(const ClassesRoot& root, bool register_class) {
    const Text progid = FromW(CORVELA_CONTROL_PROGID);
    if (!register_class) return RemoveClass(root, CLSID_Corvela) && root.DeleteTree(progid);

    const Text key = ClassKey(CLSID_Corvela);
    const Text type_name = TypeName(IDS_CONTROL_TYPE_NAME, CLSID_Corvela);
    const Text path = ModuleRegistrationPath();
    const Text version = DecimalText(CORVELA_LIBRARY_MAJOR) + u"." + DecimalText(CORVELA_LIBRARY_MINOR);
    const bool written = WriteAll({
        root.WriteString(key, u"", type_name),
        root.WriteString(key + u"\\ProgID", u"", progid),
        root.WriteString(key + u"\\InprocServer32", u"", path),
        root.WriteString(key + u"\\InprocServer32", u"ThreadingModel", u"Apartment"),
        root.WriteString(key + u"\\ToolboxBitmap32", u"", path + u", " + DecimalText(IDB_TOOLBOX)),
        root.WriteString(key + u"\\MiscStatus", u"", u"0"),
        root.WriteString(key + u"\\MiscStatus\\1", u"", DecimalText(CORVELA_MISC_STATUS)),
        root.WriteString(key + u"\\Control", u"", u""),
        root.WriteString(key + u"\\TypeLib", u"", GuidRegistryText(LIBID_CORVELALib)),
        root.WriteString(key + u"\\Version", u"", version),
        root.WriteString(progid, u"", type_name),
        root.WriteString(progid + u"\\CLSID", u"", GuidRegistryText(CLSID_Corvela)),
    });
    RegisterClassCategory(root, CLSID_Corvela, CATID_SafeForScriptingCategory, u"Controls that are safely scriptable");
    RegisterClassCategory(root, CLSID_Corvela, CATID_SafeForInitializingCategory,
                          u"Controls safely initializable from persistent data");
    return written;
}

bool UpdatePropPageRegistry(const ClassesRoot& root, bool register_class) {
    if (!register_class) return RemoveClass(root, CLSID_CorvelaPropPage);
    const Text key = ClassKey(CLSID_CorvelaPropPage);
    return WriteAll({
        root.WriteString(key, u"", TypeName(IDS_PROPPAGE_TYPE_NAME, CLSID_CorvelaPropPage)),
        root.WriteString(key + u"\\InprocServer32", u"", ModuleRegistrationPath()),
    });
}

}  // namespace corvela
