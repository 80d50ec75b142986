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

constexpr uint64_t KIBI = 1024;
constexpr uint64_t MEBI = 1024 * 1024;

// The size text as a page gives it: leading spaces skipped, an optional
// sign, digits up to the first other unit. Sizes are 64-bit, so a file above
// 4 GiB keeps its true size; beyond 2^64-1 the value saturates. A negative
// value wraps modulo 2^32, as pages that added 2^32 to a negative 32-bit
// size rely on; one beyond -2^32 reads as 2^32-1, as it always has.
uint64_t ReadSize(const Text& text) {
    size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    const uint64_t value = ReadDigits(text, at, 10, UINT64_MAX).value;
    if (!negative) return value;
    if (value > UINT32_MAX) return UINT32_MAX;
    return static_cast<uint32_t>(0u - static_cast<uint32_t>(value));
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
    const uint64_t size = ReadSize(size_text);
    if (size == 0) return Text();
    if (size <= KIBI) return u"(" + DecimalText(size) + u" B)";
    if (size <= MEBI) return u"(" + DecimalText(size / KIBI) + u" KB)";
    const uint64_t tenth = (size % MEBI) * 10 / MEBI;
    return u"(" + DecimalText(static_cast<int64_t>(size / MEBI)) + u"." + DecimalText(static_cast<int64_t>(tenth)) +
           u" MB)";
}

Text BigFileMarker(int32_t language_selector) {
    return LanguageForSelector(language_selector) == LANGUAGE_KOREAN ? u"[대용량]" : u"[Big]";
}

}  // namespace corvela
