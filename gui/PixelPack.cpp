#include "gui/PixelPack.h"

#include <algorithm>

namespace {

constexpr size_t kMinRun = 3;
constexpr size_t kMaxRun = 130;
constexpr size_t kMaxLiterals = 128;

void putPixel(std::vector<uint8_t>& out, uint32_t p)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(p >> (8 * i)));
}

uint32_t getPixel(const uint8_t* in)
{
    return uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
}

} // namespace

std::vector<uint8_t> packPixels(const uint32_t* pixels, size_t count)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    size_t literalStart = 0;
    auto flushLiterals = [&](size_t end) {
        while (literalStart < end) {
            const size_t n = std::min(end - literalStart, kMaxLiterals);
            out.push_back(uint8_t(n - 1));
            for (size_t k = 0; k < n; ++k)
                putPixel(out, pixels[literalStart + k]);
            literalStart += n;
        }
    };
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < kMaxRun && pixels[i + run] == pixels[i])
            ++run;
        if (run >= kMinRun) {
            flushLiterals(i);
            out.push_back(uint8_t(run + 125));
            putPixel(out, pixels[i]);
            i += run;
            literalStart = i;
        } else {
            i += run;
        }
    }
    flushLiterals(count);
    return out;
}

bool unpackPixels(const uint8_t* data, size_t size, uint32_t* pixels, size_t count)
{
    size_t in = 0;
    size_t out = 0;
    while (in < size) {
        const unsigned control = data[in++];
        const bool isRun = control >= 128;
        const size_t n = isRun ? control - 125 : control + 1;
        const size_t bytes = isRun ? 4 : 4 * n;
        if (size - in < bytes || count - out < n)
            return false;
        for (size_t k = 0; k < n; ++k)
            pixels[out + k] = getPixel(data + in + (isRun ? 0 : 4 * k));
        in += bytes;
        out += n;
    }
    return out == count;
}
