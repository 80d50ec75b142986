// What one file entry shows besides the page's own texts: its icon, its
// size for display and its big-file marker.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

// Cells of the icon strip (bitmap IDB_ICON_STRIP, sixteen 16 x 16 cells).
enum IconCell : int {
    ICON_PICTURE = 0,
    ICON_PRESENTATION = 6,
    ICON_DOCUMENT = 7,
    ICON_SPREADSHEET = 8,
    ICON_PDF = 9,
    ICON_TEXT = 10,
    ICON_ZIP = 11,
    ICON_OTHER = 12,
    ICON_DRM = 13,
    ICON_ECM = 14,
    ICON_HWP = 15,
};

// What column 9 holds for an entry marked as rights-protected.
inline const Text DRM_MARK = u"DRM";

// The text after the last "." of a name or path. A "." in first place is
// not looked at, so ".profile" and "README" are their own extensions.
Text ExtensionOf(const Text& name);

// The icon of an extension, compared exactly (case included).
int IconForExtension(const Text& extension);

// The icon an entry gets back after a move: the padlock for an entry marked
// "DRM", else the icon of its name's extension taken as it is written.
int IconAfterMove(const Text& name, const Text& drm_column);

// The size column's display text for the size as the page gave it: "" for
// 0 or no number, "(n B)" up to 1024, "(n KB)" up to 1 MiB, else "(n.d MB)"
// with the tenth cut, not rounded.
Text FormatSizeText(const Text& size_text);

// "[대용량]" when the language selector chooses Korean, else "[Big]".
Text BigFileMarker(int32_t language_selector);

}  // namespace corvela
