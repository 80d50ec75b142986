#include "shell/open_command.h"


namespace corvela {

namespace {

const Text BROWSER_PROGRAM = u"iexplore.exe";
const Text PATH_PLACEHOLDER = u"%1";

constexpr const char16_t* DANGEROUS_EXTENSIONS[] = {
    u"exe", u"com", u"scr", u"pif", u"bat", u"cmd", u"msi", u"msp",  u"js",          u"jse",    u"vbs",
    u"vbe", u"wsf", u"wsh", u"wsc", u"hta", u"lnk", u"ps1", u"psm1", u"reg",         u"cpl",    u"jar",
    u"dll", u"ocx", u"sys", u"inf", u"scf", u"url", u"msc", u"vb",   u"application", u"gadget",
};

bool HasDangerousExtension(Text name) {
    // Windows drops trailing dots and spaces from a name.
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
    const size_t dot = name.rfind(u'.');
    if (dot == Text::npos) return false;
    const Text extension = name.substr(dot + 1);
    for (const char16_t* dangerous : DANGEROUS_EXTENSIONS)
        if (EqualsIgnoreAsciiCase(extension, dangerous)) return true;
    return false;
}

}  // namespace

Text OpenCommandExtension(const Text& path) {
    Text rest = path;
    return AfterLast(rest, u'.');
}

Text FileTypeKeyPath(const Text& path) { return u"HKEY_CLASSES_ROOT\\." + OpenCommandExtension(path); }

Text OpenCommandKeyPath(const Text& class_name) {
    return u"HKEY_CLASSES_ROOT\\" + class_name + u"\\shell\\open\\command";
}

bool IsDangerousToOpen(const Text& path) {
    Text rest = ReplaceChar(path, u'/', u'\\');
    Text name = AfterLast(rest, u'\\');
    while (!name.empty())
        if (HasDangerousExtension(TakeBefore(name, u':'))) return true;
    return false;
}

LaunchPlan PlanLaunch(const Text& registered_command, const Text& path) {
    const Text command = AsciiLower(registered_command);
    LaunchPlan plan;
    if (!Contains(command, BROWSER_PROGRAM)) return plan;
    plan.use_shell_open = false;
    plan.command_line = Contains(command, PATH_PLACEHOLDER) ? ReplaceAll(command, PATH_PLACEHOLDER, path)
                                                            : command + u" \"" + path + u"\"";
    return plan;
}

}  // namespace corvela
