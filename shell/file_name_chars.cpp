#include "shell/file_name_chars.h"

namespace corvela {

Text ReplaceSpecialChars(const Text& text, const Text& replacement) {
    static const char16_t kReserved[] = u"\\/:*?\"<>|";
    Text cleaned = text;
    for (const char16_t* reserved = kReserved; *reserved; ++reserved)
        cleaned = ReplaceAll(cleaned, Text(1, *reserved), replacement);
    return cleaned;
}

Text ChangeSpecialChar(const Text& file_name) {
    return ReplaceSpecialChars(file_name.substr(0, file_name.find(u'\0')), u"_");
}

}  // namespace corvela
