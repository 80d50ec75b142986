#include "filelist/file_entry.h"

#include "common/constants.h"

namespace corvela {
namespace {

struct ExtensionIcon {
    const char16_t* extension;
    int icon;
};

constexpr ExtensionIcon EXTENSION_ICONS[] = {
    {u"jpg", ICON_PICTURE},       {u"jpeg", ICON_PICTURE},      {u"gif", ICON_PICTURE},
    {u"png", ICON_PICTURE},       {u"bmp", ICON_PICTURE},       {u"tif", ICON_PICTURE},
    {u"tiff", ICON_PICTURE},      {u"ppt", ICON_PRESENTATION},  {u"pptx", ICON_PRESENTATION},
    {u"ppsx", ICON_PRESENTATION}, {u"pps", ICON_PRESENTATION},  {u"doc", ICON_DOCUMENT},
    {u"docx", ICON_DOCUMENT},     {u"xls", ICON_SPREADSHEET},   {u"xlsx", ICON_SPREADSHEET},
    {u"pdf", ICON_PDF},           {u"txt", ICON_TEXT},          {u"zip", ICON_ZIP},
    {u"ecm", ICON_ECM},           {u"hwp", ICON_HWP},
};

constexpr uint32_t KIBI = 1024;
constexpr uint32_t MEBI = 1024 * 1024;

// The size text read the way the C library reads an unsigned long: leading
// spaces skipped, an optional sign, digits up to the first other unit; too
// large saturates, a negative value wraps modulo 2^32.
uint32_t ReadUnsigned32(const Text& text) {
    size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    const DigitRun digits = ReadDigits(text, at, 10, UINT32_MAX);
    if (digits.too_large) return UINT32_MAX;
    const auto magnitude = static_cast<uint32_t>(digits.value);
    return negative ? 0u - magnitude : magnitude;
}

}  // namespace

Text ExtensionOf(const Text& name) {
    const size_t dot = name.rfind(u'.');
    if (dot == Text::npos || dot == 0) return name;
    return name.substr(dot + 1);
}

int IconForExtension(const Text& extension) {
    for (const ExtensionIcon& entry : EXTENSION_ICONS)
        if (extension == entry.extension) return entry.icon;
    return ICON_OTHER;
}

int IconAfterMove(const Text& name, const Text& drm_column) {
    return drm_column == DRM_MARK ? ICON_DRM : IconForExtension(ExtensionOf(name));
}

Text FormatSizeText(const Text& size_text) {
    const uint32_t size = ReadUnsigned32(size_text);
    if (size == 0) return Text();
    if (size <= KIBI) return u"(" + DecimalText(size) + u" B)";
    if (size <= MEBI) return u"(" + DecimalText(size / KIBI) + u" KB)";
    const uint32_t tenth = (size % MEBI) * 10 / MEBI;
    return u"(" + DecimalText(size / MEBI) + u"." + DecimalText(tenth) + u" MB)";
}

Text BigFileMarker(int32_t language_selector) {
    return LanguageForSelector(language_selector) == LANGUAGE_KOREAN ? u"[대용량]" : u"[Big]";
}

}  // namespace corvela
