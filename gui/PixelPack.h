#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Run-length packing of 32-bit pixels for the artwork compiled into the
// binary: the page backgrounds are mostly flat, so runs shrink them tenfold.
// A control byte c < 128 is followed by c + 1 literal pixels; c >= 128 by one
// pixel repeated c - 125 times (3..130). Pixels are 4 little-endian bytes.

std::vector<uint8_t> packPixels(const uint32_t* pixels, size_t count);

// Fills exactly count pixels; false if the data is short, long or malformed.
bool unpackPixels(const uint8_t* data, size_t size, uint32_t* pixels, size_t count);
