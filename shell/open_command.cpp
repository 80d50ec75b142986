#include "shell/open_command.h"

#include "common/file_names.h"

namespace corvela {

namespace {

const Text BROWSER_PROGRAM = u"iexplore.exe";
const Text PATH_PLACEHOLDER = u"%1";

constexpr const char16_t* DANGEROUS_EXTENSIONS[] = {
    u"exe", u"com", u"scr", u"pif", u"bat", u"cmd", u"msi", u"msp",  u"js",          u"jse",    u"vbs",
    u"vbe", u"wsf", u"wsh", u"wsc", u"hta", u"lnk", u"ps1", u"psm1", u"reg",         u"cpl",    u"jar",
    u"dll", u"ocx", u"sys", u"inf", u"scf", u"url", u"msc", u"vb",   u"application", u"gadget",
    // Help files with script, shortcuts of other kinds, add-ins, query and
    // link files of office programs, installers and web-start descriptions,
    // and Linux desktop entries, which Wine's drive of the host's root reaches.
    u"chm", u"hlp", u"appref-ms", u"settingcontent-ms", u"library-ms", u"wsb", u"xll", u"sct", u"diagcab",
    u"iqy", u"slk", u"jnlp", u"msix", u"appx", u"appinstaller", u"desktop",
};

// Windows drops trailing dots and spaces from a name.
Text WithoutDroppedEnd(Text name) {
    while (!name.empty() && IsDroppedAtNameEnd(name.back())) name.pop_back();
    return name;
}

bool HasDangerousExtension(const Text& name) {
    const Text kept = WithoutDroppedEnd(name);
    const size_t dot = kept.rfind(u'.');
    if (dot == Text::npos) return false;
    const Text extension = kept.substr(dot + 1);
    for (const char16_t* dangerous : DANGEROUS_EXTENSIONS)
        if (EqualsIgnoreAsciiCase(extension, dangerous)) return true;
    return false;
}

// The last name of a path as Windows resolves it: "/" counts as "\", empty
// and "." segments are folded away, every name loses its trailing dots and
// spaces, and ".." takes back the segment before it. A segment of dots and
// spaces (". " or "...") is a name Windows keeps for that, so
// C:\c\setup.exe\...\.. names setup.exe just as C:\c\setup.exe\x\.. does;
// at the end of a path it folds away like a trailing separator.
Text ResolvedLastName(const Text& path) {
    TextList names;
    Text rest = ReplaceChar(path, u'/', u'\\');
    while (!rest.empty()) {
        const Text segment = TakeBefore(rest, u'\\');
        if (segment == u"..") {
            if (!names.empty()) names.pop_back();
        } else if (!segment.empty() && segment != u".") {
            names.push_back(WithoutDroppedEnd(segment));
        }
    }
    while (!names.empty() && names.back().empty()) names.pop_back();
    return names.empty() ? Text() : names.back();
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
    Text name = ResolvedLastName(path);
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
