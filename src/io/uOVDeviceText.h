// Text and the bytes a device exchanges with the handlers that talk in a code
// page (TCP, serial): every byte read is the character of the same code, and
// text written goes out in the handler's code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// aText in aCodePage: 0 is one byte per character with the character's code;
// 1200 and 1201 UTF-16 (LE, BE), 20127 ASCII, 65000 UTF-7, 65001 UTF-8, any
// other number that Windows code page. A character the code page cannot hold
// goes out as "?", as the system's converters do by default. Raises
// "Code page <n> is not supported" for a number the system does not know.
std::string DeviceBytesFromText(const std::u16string& aText, int32_t aCodePage);

// One character per byte, with the byte's code (0 to 255).
std::u16string TextFromDeviceBytes(const std::vector<uint8_t>& aBytes);

// The bytes as ASCII text, as byte reads are logged: a byte above 127 shows as "?".
std::u16string AsciiTextOfBytes(const std::vector<uint8_t>& aBytes);

// The line that announces the terminators of a read: "Waiting for:" and each
// terminator as its character, separated by ","; with aDump, " [" and the
// dump of each, separated by ",", then "]".
std::u16string WaitingForLine(const std::vector<uint8_t>& aChars,
                              std::u16string (*aDump)(const std::u16string&) = nullptr);
