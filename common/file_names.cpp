#include "common/file_names.h"

#include <algorithm>

namespace corvela {
namespace {

constexpr char16_t FIRST_PRINTABLE = 0x20;

const Text DEVICE_NAMES[] = {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"};
const Text NUMBERED_DEVICE_PREFIXES[] = {u"com", u"lpt"};

// The digits Windows takes after COM and LPT: 0 to 9 and the superscripts
// one, two and three.
bool IsDeviceNumber(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || unit == u'\u00B9' || unit == u'\u00B2' || unit == u'\u00B3';
}

bool IsNumberedDevice(const Text& base) {
    if (base.size() != 4 || !IsDeviceNumber(base[3])) return false;
    const Text prefix = base.substr(0, 3);
    return std::find(std::begin(NUMBERED_DEVICE_PREFIXES), std::end(NUMBERED_DEVICE_PREFIXES), prefix) !=
           std::end(NUMBERED_DEVICE_PREFIXES);
}

}  // namespace

bool IsReservedFileNameChar(char16_t unit) { return FILE_NAME_RESERVED_CHARS.find(unit) != std::u16string_view::npos; }

bool IsFileNameChar(char16_t unit) { return unit >= FIRST_PRINTABLE && !IsReservedFileNameChar(unit); }

bool IsDroppedAtNameEnd(char16_t unit) { return unit == u'.' || unit == u' '; }

bool IsDeviceName(const Text& name) {
    // Windows judges the part before the first dot, spaces at its end ignored.
    Text base = AsciiLower(name.substr(0, name.find(u'.')));
    while (!base.empty() && base.back() == u' ') base.pop_back();
    return std::find(std::begin(DEVICE_NAMES), std::end(DEVICE_NAMES), base) != std::end(DEVICE_NAMES) ||
           IsNumberedDevice(base);
}

bool IsPlainFileName(const Text& name) {
    if (name.empty() || IsDroppedAtNameEnd(name.back())) return false;
    return std::all_of(name.begin(), name.end(), IsFileNameChar) && !IsDeviceName(name);
}

}  // namespace corvela
