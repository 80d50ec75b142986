// The text of a file identifier: one fresh GUID per uploaded file, repeated
// in every request of that file.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace corvela {

// 36 characters, no braces: 8-4-4-4-12 hexadecimal digits, the fields as
// numbers and then the eight bytes in order. The third group is written in
// lower case, all others in upper case; servers store the text as it comes,
// so the mixed case stays.
Text GuidText(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t (&data4)[8]);

}  // namespace corvela
