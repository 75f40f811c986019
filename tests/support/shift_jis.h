// The lead bytes of code page 932 (Japanese Windows), for the logic that takes the lead-byte
// test of the system's code page.
#pragma once

constexpr bool isShiftJisLeadByte(char byte) {
    auto value = static_cast<unsigned char>(byte);
    return (value >= 0x81 && value <= 0x9F) || (value >= 0xE0 && value <= 0xFC);
}
