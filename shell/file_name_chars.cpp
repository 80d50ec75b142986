#include "shell/file_name_chars.h"

#include "common/file_names.h"

namespace corvela {

Text ReplaceSpecialChars(const Text& text, const Text& replacement) {
    Text cleaned = text;
    for (const char16_t reserved : FILE_NAME_RESERVED_CHARS) cleaned = ReplaceAll(cleaned, Text(1, reserved), replacement);
    return cleaned;
}

Text ChangeSpecialChar(const Text& file_name) {
    return ReplaceSpecialChars(file_name.substr(0, file_name.find(u'\0')), u"_");
}

}  // namespace corvela
