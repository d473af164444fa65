#include "tests/editor/EditorFixture.h"

#include "plugin/Parameters.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <filesystem>
#include <fstream>

#ifndef ZARVEX_SCREENSHOT_DIR
#error "the screenshots need a directory"
#endif

namespace {

void appendBig(std::vector<uint8_t>& v, uint32_t x)
{
    v.insert(v.end(), { uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8), uint8_t(x) });
}

// A plain PNG: 8-bit RGB, the image data in stored (uncompressed) deflate blocks.
bool writePng(const std::filesystem::path& path, const CImage& image)
{
    std::vector<uint8_t> raw;
    for (int y = 0; y < image.height(); ++y) {
        raw.push_back(0); // no row filter
        for (int x = 0; x < image.width(); ++x) {
            const CColor c = CColor::fromPixel(image.pixel(x, y));
            raw.insert(raw.end(), { c.red, c.green, c.blue });
        }
    }
    std::vector<uint8_t> zlib { 0x78, 0x01 };
    for (size_t at = 0; at < raw.size(); at += 65535) {
        const size_t n = std::min<size_t>(raw.size() - at, 65535);
        const bool last = at + n == raw.size();
        zlib.insert(zlib.end(), { uint8_t(last), uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8) });
        zlib.insert(zlib.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    appendBig(zlib, (b << 16) | a);

    std::vector<uint8_t> file { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    auto chunk = [&file](const char* type, const std::vector<uint8_t>& data) {
        appendBig(file, uint32_t(data.size()));
        const size_t start = file.size();
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), data.begin(), data.end());
        uint32_t crc = 0xffffffffu;
        for (size_t i = start; i < file.size(); ++i) {
            crc ^= file[i];
            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        appendBig(file, ~crc);
    };
    std::vector<uint8_t> header;
    appendBig(header, uint32_t(image.width()));
    appendBig(header, uint32_t(image.height()));
    header.insert(header.end(), { 8, 2, 0, 0, 0 });
    chunk("IHDR", header);
    chunk("IDAT", zlib);
    chunk("IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return bool(out);
}

class EditorScreenshots : public EditorFixture { };

// Sets ZARVEX_UI_SCALE to the scale, or clears it for 0.
void requestScale(int scale)
{
    const std::string value = scale ? std::to_string(scale) : std::string();
#if defined(_WIN32)
    _putenv(("ZARVEX_UI_SCALE=" + value).c_str());
#else
    setenv("ZARVEX_UI_SCALE", value.c_str(), 1);
#endif
}

} // namespace

// At scale 1 and at scale 2, as the environment asks.
TEST_F(EditorScreenshots, EveryPageDrawsEachControlInPlaceAtBothScales)
{
    // Some life in the picture: a played-with patch rather than the start-up one.
    for (const auto& [index, value] : { std::pair { kVibDepth, 0.3f }, { kO1Wave, 6.0f / 512 + 1.0f / 1024 },
             { kO2Wave, 5.0f / 512 + 1.0f / 1024 }, { kFilterMode, 1.0f / 128 + 1.0f / 256 }, { kCutoff, 0.6f },
             { kReso, 0.4f }, { kO1Phase, 0.25f }, { kModulation, 0.5f }, { kStages, 0.375f } })
        plug->setParameter(index, value);

    std::filesystem::create_directories(ZARVEX_SCREENSHOT_DIR);
    for (int scale : { 1, 2 }) {
        SCOPED_TRACE(scale);
        requestScale(scale);
        editor().close();
        ASSERT_TRUE(editor().open(nullptr));
        ASSERT_EQ(frame().getScale(), scale);
        std::vector<std::vector<uint32_t>> pages;
        for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
            SCOPED_TRACE(page);
            showPage(page);
            frame().redraw();
            const CImage& image = frame().image();
            ASSERT_EQ(image.width(), 856 * scale);
            CFrame bare(frame().getViewSize(), nullptr, nullptr, scale);
            bare.setBackground(frame().getBackground());
            bare.redraw();
            for (CView* view : shown()) {
                const CRect& r = view->getViewSize();
                int drawn = 0;
                for (int y = r.top * scale; y < r.bottom * scale; ++y)
                    for (int x = r.left * scale; x < r.right * scale; ++x)
                        drawn += image.pixel(x, y) != bare.image().pixel(x, y);
                EXPECT_GT(drawn, 0) << "nothing drawn for control " << static_cast<CControl*>(view)->getTag();
            }
            char name[64];
            std::snprintf(name, sizeof name, scale == 1 ? "editor_page_%d.png" : "editor_page_%d@2x.png", page);
            EXPECT_TRUE(writePng(std::filesystem::path(ZARVEX_SCREENSHOT_DIR) / name, image));
            pages.emplace_back(image.data(), image.data() + image.width() * image.height());
            EXPECT_TRUE(page == 0 || pages.back() != pages.front()) << "looks like the first page";
        }
    }
    requestScale(0);
}
