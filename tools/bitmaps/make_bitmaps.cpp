// Draws the editor's artwork and renders the toolkit's glyphs, at build time.
//
//   make_bitmaps <output directory> [--png]
//
// writes GuiArtwork.cpp (the bitmaps, packed, compiled in where there are no
// bitmap resources), GuiGlyphs.cpp (the fonts), artwork.rc with one 32-bit
// bitmap_<id>.bmp per bitmap (the Windows resources), and with --png a PNG of
// each bitmap to look at.

#include "gui/Bitmap.h"
#include "gui/Font.h"
#include "editor/Layout.h"
#include "gui/PixelPack.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb kPageBack { 0.106, 0.122, 0.141 };
constexpr Rgb kBoxBack { 0.149, 0.173, 0.204 };
constexpr Rgb kBoxEdge { 0.243, 0.275, 0.318 };
constexpr Rgb kTitle { 0.902, 0.631, 0.235 };
constexpr Rgb kCaption { 0.784, 0.800, 0.824 };
constexpr Rgb kRule { 0.318, 0.353, 0.400 };
constexpr Rgb kLabel { 0.698, 0.722, 0.753 };
constexpr Rgb kKnobTrack { 0.075, 0.082, 0.094 };
constexpr Rgb kKnobArc { 0.902, 0.631, 0.235 };
constexpr const char* kFamily = "DejaVu Sans";

struct Bitmap {
    int id;
    int width;
    int height;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, straight alpha
    int scale = 1;
};

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void setFont(cairo_t* cr, double size, bool bold)
{
    cairo_select_font_face(cr, kFamily, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

enum class Align { left, centre, right };

void text(cairo_t* cr, const char* s, double x, double baseline, Align align)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    if (align == Align::centre)
        x -= std::round(e.x_advance / 2);
    else if (align == Align::right)
        x -= e.x_advance;
    cairo_move_to(cr, std::round(x), baseline);
    cairo_show_text(cr, s);
}

// The scale the artwork is drawn at: 1, and 2 for screens of twice the pixel
// density, whose bitmaps stand under id + kDoubleScaleIdOffset.
int drawingScale = 1;

// Runs draw, in the bitmap's own coordinates, on a fresh ARGB surface of the
// drawing scale and returns its pixels with straight alpha.
Bitmap render(int id, int width, int height, const std::function<void(cairo_t*)>& draw)
{
    width *= drawingScale;
    height *= drawingScale;
    if (drawingScale == 2)
        id += kDoubleScaleIdOffset;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, drawingScale, drawingScale);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    Bitmap b { id, width, height, std::vector<uint32_t>(size_t(width) * size_t(height)), drawingScale };
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
            const unsigned a = p >> 24;
            uint32_t out = 0;
            if (a > 0) {
                out = a << 24;
                for (int shift = 0; shift < 24; shift += 8) {
                    const unsigned c = (p >> shift) & 0xff;
                    out |= std::min(255u, (c * 255 + a / 2) / a) << shift;
                }
            }
            b.pixels[size_t(y) * size_t(width) + size_t(x)] = out;
        }
    cairo_surface_destroy(surface);
    return b;
}

void roundedBox(cairo_t* cr, const CRect& r, double radius)
{
    const double x0 = r.left + 0.5, y0 = r.top + 0.5, x1 = r.right - 0.5, y1 = r.bottom - 0.5;
    const double pi = std::numbers::pi;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -pi / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, pi / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, pi / 2, pi);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void paintLayout(cairo_t* cr, const layout::PageLayout& page)
{
    for (const layout::Box& box : page.boxes) {
        roundedBox(cr, box.rect, 4);
        setColour(cr, kBoxBack);
        cairo_fill_preserve(cr);
        setColour(cr, kBoxEdge);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        setFont(cr, 10, true);
        setColour(cr, kTitle);
        text(cr, box.title, box.rect.left + 6, box.rect.top + 13, Align::left);
    }
    for (const layout::Caption& c : page.captions) {
        setFont(cr, 9, true);
        setColour(cr, kCaption);
        text(cr, c.text, (c.left + c.right) / 2.0, c.baseline, Align::centre);
        setColour(cr, kRule);
        cairo_rectangle(cr, c.left, c.baseline + 3, c.right - c.left, 1);
        cairo_fill(cr);
    }
    setFont(cr, 9, false);
    setColour(cr, kLabel);
    for (const layout::Place& p : page.places) {
        switch (p.kind) {
        case layout::Kind::LargeKnob:
            text(cr, p.label, p.x + layout::kLargeKnob / 2.0, p.y - 4, Align::centre);
            break;
        case layout::Kind::SmallKnob:
            text(cr, p.label, p.x + layout::kSmallKnob / 2.0, p.y - 3, Align::centre);
            break;
        case layout::Kind::OptionMenu:
            text(cr, p.label, p.x - 4, p.y + 12, Align::right);
            break;
        case layout::Kind::Slider:
            text(cr, p.label, p.x, p.y - 3, Align::left);
            break;
        }
    }
}

Bitmap pageBackground(int index)
{
    const layout::PageLayout& page = layout::kPages[index];
    return render(page.backgroundId, layout::kFrameWidth, layout::kFrameHeight, [&](cairo_t* cr) {
        setColour(cr, kPageBack);
        cairo_paint(cr);
        paintLayout(cr, layout::kGlobalStrip);
        paintLayout(cr, page);
        setColour(cr, kTitle);
        setFont(cr, 17, true);
        text(cr, "Zarvex", layout::kLogoBaseline.x, layout::kLogoBaseline.y, Align::left);
        setColour(cr, kLabel);
        setFont(cr, 9, false);
        text(cr, "Kelmori", layout::kLogoBaseline.x, layout::kLogoBaseline.y + 14, Align::left);
        setColour(cr, kCaption);
        setFont(cr, 9, true);
        text(cr, page.name, layout::kLogoBaseline.x, layout::kLogoBaseline.y + 64, Align::left);
    });
}

// 101 frames, value 0 at the bottom left, 1 at the bottom right, turning
// through the top: an arc shows the value and a line points at it.
Bitmap knobStrip(int id, int size)
{
    constexpr int kFrames = 101;
    return render(id, size, size * kFrames, [&](cairo_t* cr) {
        const double pi = std::numbers::pi;
        const double c = size / 2.0;
        const double start = 0.75 * pi;
        const double sweep = 1.5 * pi;
        for (int frame = 0; frame < kFrames; ++frame) {
            const double angle = start + sweep * frame / (kFrames - 1);
            const double cy = frame * size + c;
            cairo_set_line_width(cr, size / 10.0);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            setColour(cr, kKnobTrack);
            cairo_arc(cr, c, cy, c - size / 16.0 - 0.5, start, start + sweep);
            cairo_stroke(cr);
            if (frame > 0) {
                setColour(cr, kKnobArc);
                cairo_arc(cr, c, cy, c - size / 16.0 - 0.5, start, angle);
                cairo_stroke(cr);
            }
            cairo_pattern_t* body = cairo_pattern_create_radial(c - size / 8.0, cy - size / 8.0, 1, c, cy, c * 0.75);
            cairo_pattern_add_color_stop_rgb(body, 0, 0.42, 0.45, 0.50);
            cairo_pattern_add_color_stop_rgb(body, 1, 0.20, 0.22, 0.26);
            cairo_set_source(cr, body);
            cairo_arc(cr, c, cy, c * 0.7, 0, 2 * pi);
            cairo_fill(cr);
            cairo_pattern_destroy(body);
            cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
            cairo_set_line_width(cr, size / 14.0);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, c + std::cos(angle) * c * 0.15, cy + std::sin(angle) * c * 0.15);
            cairo_line_to(cr, c + std::cos(angle) * c * 0.62, cy + std::sin(angle) * c * 0.62);
            cairo_stroke(cr);
        }
    });
}

Bitmap sliderHandle(int id)
{
    return render(id, 8, 16, [](cairo_t* cr) {
        setColour(cr, kBoxBack);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0.85, 0.86, 0.88);
        cairo_rectangle(cr, 0, 0, 8, 16);
        cairo_fill(cr);
        setColour(cr, kKnobArc);
        cairo_rectangle(cr, 3, 2, 2, 12);
        cairo_fill(cr);
    });
}

Bitmap sliderBackground(int id, int width)
{
    return render(id, width, 16, [width](cairo_t* cr) {
        setColour(cr, kBoxBack);
        cairo_paint(cr);
        setColour(cr, kKnobTrack);
        cairo_rectangle(cr, 2, 6, width - 4, 4);
        cairo_fill(cr);
        setColour(cr, kRule);
        for (int i = 0; i <= 4; ++i) {
            const double x = std::round(4 + (width - 8) * i / 4.0);
            cairo_rectangle(cr, x - 0.5, 12, 1, 4);
            cairo_fill(cr);
        }
    });
}

// Bytes as a string literal: printable characters as they are, the rest as
// three-digit octal escapes, which no following digit can lengthen.
void writeLiteral(std::ostream& out, const std::vector<uint8_t>& bytes)
{
    out << "    \"";
    int column = 0;
    for (uint8_t b : bytes) {
        if (column > 96) {
            out << "\"\n    \"";
            column = 0;
        }
        if (b >= 0x20 && b < 0x7f && b != '"' && b != '\\' && b != '?') {
            out << char(b);
            ++column;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", unsigned(b));
            out << escape;
            column += 4;
        }
    }
    out << "\"";
}

void writeArtwork(const std::string& path, const std::vector<Bitmap>& bitmaps)
{
    std::ofstream out(path);
    out << "// Made by tools/bitmaps/make_bitmaps; do not edit.\n#include \"gui/EmbeddedBitmaps.h\"\n\nnamespace {\n";
    std::vector<size_t> sizes;
    for (const Bitmap& b : bitmaps) {
        const std::vector<uint8_t> packed = packPixels(b.pixels.data(), b.pixels.size());
        sizes.push_back(packed.size());
        out << "const char bitmap" << b.id << "[] =\n";
        writeLiteral(out, packed);
        out << ";\n";
    }
    out << "} // namespace\n\nconst EmbeddedBitmap kEmbeddedBitmaps[] = {\n";
    for (size_t i = 0; i < bitmaps.size(); ++i) {
        const Bitmap& b = bitmaps[i];
        out << "    { " << b.id << ", " << b.width << ", " << b.height << ", bitmap" << b.id << ", " << sizes[i] << " },\n";
    }
    out << "};\nconst int kEmbeddedBitmapCount = " << bitmaps.size() << ";\n";
}

std::string latin1ToUtf8(int c)
{
    std::string s;
    if (c < 0x80) {
        s += char(c);
    } else {
        s += char(0xc0 | (c >> 6));
        s += char(0x80 | (c & 0x3f));
    }
    return s;
}

void writeFace(std::ostream& out, const CFontSpec& spec, int scale, std::ostream& table)
{
    const std::string name = std::to_string(spec.id) + "_" + std::to_string(scale);
    const int pixelSize = spec.pixelSize * scale;
    cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* pcr = cairo_create(probe);
    setFont(pcr, pixelSize, spec.bold);
    cairo_font_extents_t fe;
    cairo_font_extents(pcr, &fe);
    std::vector<uint8_t> coverage;
    std::ostringstream glyphs;
    for (int c = kFirstGlyph; c < kFirstGlyph + kGlyphCount; ++c) {
        if (c >= 127 && c < 160) {
            glyphs << "    { 0, 0, 0, 0, 0, 0 },\n";
            continue;
        }
        const std::string s = latin1ToUtf8(c);
        cairo_text_extents_t e;
        cairo_text_extents(pcr, s.c_str(), &e);
        const int w = int(std::ceil(e.width)) + 4;
        const int h = int(std::ceil(e.height)) + 4;
        const int ox = 2 - int(std::floor(e.x_bearing));
        const int oy = 2 - int(std::floor(e.y_bearing));
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
        cairo_t* cr = cairo_create(surface);
        setFont(cr, pixelSize, spec.bold);
        cairo_move_to(cr, ox, oy);
        cairo_show_text(cr, s.c_str());
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        int x0 = w, y0 = h, x1 = 0, y1 = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (data[y * stride + x]) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x + 1);
                    y1 = std::max(y1, y + 1);
                }
        if (x1 <= x0)
            x0 = x1 = y0 = y1 = 0;
        glyphs << "    { " << x0 - ox << ", " << oy - y0 << ", " << x1 - x0 << ", " << y1 - y0 << ", "
               << int(std::lround(e.x_advance)) << ", " << coverage.size() << " },\n";
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                coverage.push_back(data[y * stride + x]);
        cairo_surface_destroy(surface);
    }
    cairo_destroy(pcr);
    cairo_surface_destroy(probe);
    out << "const CGlyph glyphs" << name << "[] = {\n" << glyphs.str() << "};\n";
    out << "const uint8_t coverage" << name << "[] = {";
    for (size_t i = 0; i < coverage.size(); ++i)
        out << (i % 24 == 0 ? "\n    " : " ") << unsigned(coverage[i]) << ",";
    out << "\n};\n";
    table << "    { " << spec.id << ", " << scale << ", " << int(std::ceil(fe.ascent)) << ", "
          << int(std::ceil(fe.descent)) << ", glyphs" << name << ", coverage" << name << " },\n";
}

void writeGlyphs(const std::string& path)
{
    std::ofstream out(path);
    std::ostringstream table;
    out << "// Made by tools/bitmaps/make_bitmaps; do not edit.\n#include \"gui/Font.h\"\n\nnamespace {\n";
    for (int scale : kFontScales)
        for (const CFontSpec& spec : kFontSpecs)
            writeFace(out, spec, scale, table);
    out << "} // namespace\n\nconst CFontFace kEmbeddedFonts[] = {\n" << table.str() << "};\n";
    out << "const int kEmbeddedFontCount = " << std::size(kFontSpecs) * std::size(kFontScales) << ";\n";
}

void put16(std::ostream& out, unsigned v)
{
    out.put(char(v & 0xff)).put(char(v >> 8));
}

void put32(std::ostream& out, uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A 32-bit BMP, rows bottom to top, alpha in the fourth byte.
void writeBmp(const std::string& path, const Bitmap& b)
{
    std::ofstream out(path, std::ios::binary);
    const uint32_t imageBytes = uint32_t(b.width) * uint32_t(b.height) * 4;
    out.write("BM", 2);
    put32(out, 14 + 40 + imageBytes);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);
    put32(out, uint32_t(b.width));
    put32(out, uint32_t(b.height));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0); // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = b.height - 1; y >= 0; --y)
        for (int x = 0; x < b.width; ++x)
            put32(out, b.pixels[size_t(y) * size_t(b.width) + size_t(x)]);
}

// Width and height (32 bits each, little-endian), then the packed pixels.
void writePacked(const std::string& path, const Bitmap& b)
{
    std::ofstream out(path, std::ios::binary);
    put32(out, uint32_t(b.width));
    put32(out, uint32_t(b.height));
    const std::vector<uint8_t> packed = packPixels(b.pixels.data(), b.pixels.size());
    out.write(reinterpret_cast<const char*>(packed.data()), std::streamsize(packed.size()));
}

void writePng(const std::string& path, const Bitmap& b)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b.width, b.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            const uint32_t p = b.pixels[size_t(y) * size_t(b.width) + size_t(x)];
            const unsigned a = p >> 24;
            uint32_t out = a << 24;
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((p >> shift) & 0xff) * a + 127) / 255) << shift;
            reinterpret_cast<uint32_t*>(data + y * stride)[x] = out;
        }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_bitmaps <output directory> [--png]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool png = argc > 2 && std::string(argv[2]) == "--png";

    std::vector<Bitmap> bitmaps;
    for (int scale : { 1, 2 }) {
        drawingScale = scale;
        for (int page = 0; page < int(std::size(layout::kPages)); ++page)
            bitmaps.push_back(pageBackground(page));
        bitmaps.push_back(knobStrip(133, layout::kLargeKnob));
        bitmaps.push_back(knobStrip(134, layout::kSmallKnob));
        bitmaps.push_back(sliderHandle(135));
        bitmaps.push_back(sliderBackground(136, 244));
        bitmaps.push_back(sliderBackground(137, 112));
    }

    writeArtwork(dir + "/GuiArtwork.cpp", bitmaps);
    writeGlyphs(dir + "/GuiGlyphs.cpp");
    std::ofstream rc(dir + "/artwork.rc");
    for (const Bitmap& b : bitmaps) {
        const std::string name = dir + "/bitmap_" + std::to_string(b.id);
        // The artwork of twice the size would make the library four times as
        // large as bitmaps: it goes in packed, as raw data.
        if (b.scale == 2) {
            writePacked(name + ".pack", b);
            rc << b.id << " RCDATA \"" << name << ".pack\"\n";
        } else {
            writeBmp(name + ".bmp", b);
            rc << b.id << " BITMAP \"" << name << ".bmp\"\n";
        }
        if (png)
            writePng(name + ".png", b);
    }
    return rc ? 0 : 1;
}
