// Code-page conversions of the Linux layer (OEM 850, ANSI 1252, UTF-16).
#pragma once

#include <cstdint>

uint8_t oem_to_ansi(uint8_t c);
uint16_t ansi_to_unicode(uint8_t c);
// The Windows-1252 byte of a UTF-16 code unit, or -1 when 1252 has none.
int unicode_to_ansi(uint16_t u);
