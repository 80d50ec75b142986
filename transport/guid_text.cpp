#include "transport/guid_text.h"

#include <cstdio>

namespace corvela {

Text GuidText(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t (&data4)[8]) {
    char ascii[40];
    const int length = std::snprintf(ascii, sizeof ascii, "%08lX-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X",
                                     static_cast<unsigned long>(data1), unsigned{data2}, unsigned{data3},
                                     unsigned{data4[0]}, unsigned{data4[1]}, unsigned{data4[2]},
                                     unsigned{data4[3]}, unsigned{data4[4]}, unsigned{data4[5]},
                                     unsigned{data4[6]}, unsigned{data4[7]});
    return Text(ascii, ascii + length);
}

}  // namespace corvela
