// Writes the fuzzers' seed inputs into a folder: image/, registry/ and
// windows_path/. The bitmaps are encoded here byte by byte, so that every
// layout the readers accept is present whether or not any writer produces it.
// Usage: make_seeds <folder>
#include "image_input.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace tegmora::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 7;  // odd, so that rows need padding at every depth
constexpr int kHeight = 5;

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct Colour {
    std::uint8_t red, green, blue, alpha;
};

// Distinct red and blue everywhere, so a swap of the two shows.
Colour PaletteColour(int index) {
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    return {byte(40 * index + 20), byte(255 - 30 * index), byte(90 * index + 5), byte(255 - 50 * index)};
}

// Three different pixels, then runs of two: run-length encodings get both
// their modes.
int IndexAt(int x, int y, int colours) { return ((x < 3 ? x : (x + 3) / 2) + y) % colours; }

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

struct Masks {
    std::uint32_t red, green, blue, alpha;
};

struct BitmapLayout {
    const char* name;
    int bitsPerPixel;
    Compression compression;
    std::uint32_t headerSize;  // 12 (OS/2 core), 40, 108 (V4) or 124 (V5)
    bool topDown;
    int colours;  // palette entries, for 1 to 8 bits
    Masks masks;
    bool skipWithDelta = false;  // run-length encodings: jump over pixels in row 2
};

constexpr Masks k555{0x7C00, 0x03E0, 0x001F, 0};
constexpr Masks k565{0xF800, 0x07E0, 0x001F, 0};
constexpr Masks kXrgb{0x00FF0000, 0x0000FF00, 0x000000FF, 0};
constexpr Masks kArgb{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
constexpr Masks kXbgr{0x000000FF, 0x0000FF00, 0x00FF0000, 0};

const BitmapLayout kLayouts[] = {
    {"bmp-1bit", 1, kRgb, 40, false, 2, {}},
    {"bmp-1bit-top-down", 1, kRgb, 40, true, 2, {}},
    {"bmp-4bit", 4, kRgb, 40, false, 16, {}},
    {"bmp-4bit-rle4", 4, kRle4, 40, false, 16, {}},
    {"bmp-4bit-rle4-delta", 4, kRle4, 40, false, 16, {}, true},
    {"bmp-8bit", 8, kRgb, 40, false, 256, {}},
    {"bmp-8bit-six-colours-top-down", 8, kRgb, 40, true, 6, {}},
    {"bmp-8bit-rle8", 8, kRle8, 40, false, 256, {}},
    {"bmp-8bit-rle8-delta", 8, kRle8, 40, false, 256, {}, true},
    {"bmp-8bit-os2", 8, kRgb, 12, false, 256, {}},
    {"bmp-16bit-555", 16, kRgb, 40, false, 0, k555},
    {"bmp-16bit-555-bitfields", 16, kBitfields, 40, false, 0, k555},
    {"bmp-16bit-565-bitfields", 16, kBitfields, 40, false, 0, k565},
    {"bmp-16bit-565-v4-top-down", 16, kBitfields, 108, true, 0, k565},
    {"bmp-24bit", 24, kRgb, 40, false, 0, {}},
    {"bmp-24bit-top-down", 24, kRgb, 40, true, 0, {}},
    {"bmp-24bit-os2", 24, kRgb, 12, false, 0, {}},
    {"bmp-32bit", 32, kRgb, 40, false, 0, kXrgb},
    {"bmp-32bit-top-down", 32, kRgb, 40, true, 0, kXrgb},
    {"bmp-32bit-bitfields-swapped", 32, kBitfields, 40, false, 0, kXbgr},
    {"bmp-32bit-v5-alpha", 32, kBitfields, 124, false, 0, kArgb},
    {"bmp-32bit-v5-alpha-top-down", 32, kBitfields, 124, true, 0, kArgb},
};

std::uint32_t Field(std::uint8_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    return (static_cast<std::uint32_t>(value) >> (8 - std::min(bits, 8))) << shift;
}

std::uint32_t PackedPixel(const Colour& c, const Masks& m) {
    return Field(c.red, m.red) | Field(c.green, m.green) | Field(c.blue, m.blue) | Field(c.alpha, m.alpha);
}

void PadToWord(Bytes& out, std::size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

// One uncompressed row, padded to a multiple of four bytes.
void PutRow(Bytes& out, const BitmapLayout& layout, int y) {
    const std::size_t start = out.size();
    if (layout.bitsPerPixel <= 8) {
        const int perByte = 8 / layout.bitsPerPixel;
        for (int x = 0; x < kWidth; x += perByte) {
            std::uint32_t byte = 0;
            for (int i = 0; i < perByte; ++i) {
                const int index = x + i < kWidth ? IndexAt(x + i, y, layout.colours) : 0;
                byte |= static_cast<std::uint32_t>(index) << (8 - layout.bitsPerPixel * (i + 1));
            }
            out.push_back(static_cast<std::uint8_t>(byte));
        }
    } else {
        for (int x = 0; x < kWidth; ++x) {
            const Colour c = PaletteColour(IndexAt(x, y, 8));
            if (layout.bitsPerPixel == 24) {
                out.insert(out.end(), {c.blue, c.green, c.red});
            } else if (layout.bitsPerPixel == 16) {
                Put16(out, PackedPixel(c, layout.masks));
            } else {
                Put32(out, PackedPixel(c, layout.masks));
            }
        }
    }
    PadToWord(out, start);
}

// Run-length rows: runs of equal pixels as counted runs, stretches of three
// or more without one in absolute mode, and a line end after each row.
void PutRunLengthRow(Bytes& out, const BitmapLayout& layout, int y, int firstX) {
    const bool nibbles = layout.compression == kRle4;
    const auto index = [&](int x) { return static_cast<std::uint8_t>(IndexAt(x, y, layout.colours)); };
    const auto runAt = [&](int x) {
        int run = 1;
        while (x + run < kWidth && index(x + run) == index(x)) ++run;
        return run;
    };
    int x = firstX;
    while (x < kWidth) {
        int stretch = 0;
        while (x + stretch < kWidth && runAt(x + stretch) == 1) ++stretch;
        if (stretch >= 3) {
            const std::size_t start = out.size();
            out.insert(out.end(), {0, static_cast<std::uint8_t>(stretch)});
            for (int i = 0; i < stretch; i += nibbles ? 2 : 1) {
                const std::uint8_t second = nibbles && i + 1 < stretch ? index(x + i + 1) : 0;
                out.push_back(nibbles ? static_cast<std::uint8_t>(index(x + i) << 4 | second) : index(x + i));
            }
            if ((out.size() - start) % 2 != 0) out.push_back(0);
            x += stretch;
        } else {
            const int run = runAt(x);
            const std::uint8_t value = nibbles ? static_cast<std::uint8_t>(index(x) << 4 | index(x)) : index(x);
            out.insert(out.end(), {static_cast<std::uint8_t>(run), value});
            x += run;
        }
    }
    out.insert(out.end(), {0, 0});
}

void PutPixels(Bytes& out, const BitmapLayout& layout) {
    const bool runLength = layout.compression == kRle4 || layout.compression == kRle8;
    for (int row = 0; row < kHeight; ++row) {
        const int y = layout.topDown ? row : kHeight - 1 - row;
        if (!runLength) {
            PutRow(out, layout, y);
            continue;
        }
        int firstX = 0;
        if (layout.skipWithDelta && row == 1) {
            out.insert(out.end(), {0, 2, 3, 0});
            firstX = 3;
        }
        PutRunLengthRow(out, layout, y, firstX);
    }
    if (runLength) out.back() = 1;  // the last line end becomes the bitmap's end
}

void PutInfoHeader(Bytes& out, const BitmapLayout& layout, std::uint32_t pixelBytes) {
    const auto height = static_cast<std::uint32_t>(layout.topDown ? -kHeight : kHeight);
    Put32(out, layout.headerSize);
    if (layout.headerSize == 12) {
        out.insert(out.end(), {kWidth, 0, kHeight, 0, 1, 0, static_cast<std::uint8_t>(layout.bitsPerPixel), 0});
        return;
    }
    Put32(out, kWidth);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(layout.bitsPerPixel));
    Put32(out, layout.compression);
    Put32(out, pixelBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(layout.colours == 256 ? 0 : layout.colours));
    Put32(out, 0);
    if (layout.headerSize == 40) {
        if (layout.compression == kBitfields) {
            for (const std::uint32_t mask : {layout.masks.red, layout.masks.green, layout.masks.blue}) Put32(out, mask);
        }
        return;
    }
    for (const std::uint32_t mask : {layout.masks.red, layout.masks.green, layout.masks.blue, layout.masks.alpha})
        Put32(out, mask);
    Put32(out, 0x73524742);  // "sRGB"
    out.resize(out.size() + 36 + 12);  // endpoints and gamma, unused with sRGB
    if (layout.headerSize == 124) {
        Put32(out, 4);  // intent
        out.resize(out.size() + 12);  // no profile
    }
}

Bytes EncodeBitmap(const BitmapLayout& layout) {
    Bytes palette;
    for (int i = 0; i < layout.colours; ++i) {
        const Colour c = PaletteColour(i);
        palette.insert(palette.end(), {c.blue, c.green, c.red});
        if (layout.headerSize != 12) palette.push_back(0);
    }
    Bytes pixels;
    PutPixels(pixels, layout);
    Bytes info;
    PutInfoHeader(info, layout, static_cast<std::uint32_t>(pixels.size()));
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + palette.size());
    Bytes file = {'B', 'M'};
    Put32(file, static_cast<std::uint32_t>(offset + pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), palette.begin(), palette.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

const BitmapLayout& Layout(std::string_view name) {
    for (const BitmapLayout& layout : kLayouts) {
        if (layout.name == name) return layout;
    }
    std::fprintf(stderr, "no layout %.*s\n", static_cast<int>(name.size()), name.data());
    std::abort();
}

// A bitmap with one or two header fields changed to damaging values;
// offsets count from the start of the file.
struct Edit {
    std::size_t offset;
    int width;  // bytes written: 2 or 4; 0 for no edit
    std::uint32_t value;
};

struct Damage {
    const char* name;
    const char* layout;
    std::array<Edit, 2> edits;
};

constexpr std::size_t kWidthField = 18, kHeightField = 22, kPlanesField = 26, kBitsField = 28,
                      kCompressionField = 30, kColoursUsedField = 46, kOffsetField = 10, kHeaderSizeField = 14,
                      kFirstMaskField = 54;

const Damage kDamages[] = {
    {"bmp-claims-60000x60000", "bmp-24bit", {{{kWidthField, 4, 60000}, {kHeightField, 4, 60000}}}},
    {"bmp-claims-60000-rows", "bmp-24bit", {{{kHeightField, 4, 60000}}}},
    {"bmp-claims-most-negative-height", "bmp-32bit", {{{kHeightField, 4, 0x80000000}}}},
    {"bmp-claims-negative-width", "bmp-24bit", {{{kWidthField, 4, 0xFFFFFFF9}}}},
    {"bmp-claims-zero-width", "bmp-8bit", {{{kWidthField, 4, 0}}}},
    {"bmp-claims-zero-planes", "bmp-24bit", {{{kPlanesField, 2, 0}}}},
    {"bmp-claims-0-bits", "bmp-24bit", {{{kBitsField, 2, 0}}}},
    {"bmp-claims-7-bits", "bmp-8bit", {{{kBitsField, 2, 7}}}},
    {"bmp-claims-64-bits", "bmp-32bit", {{{kBitsField, 2, 64}}}},
    {"bmp-claims-jpeg-compression", "bmp-24bit", {{{kCompressionField, 4, 4}}}},
    {"bmp-claims-compression-99", "bmp-24bit", {{{kCompressionField, 4, 99}}}},
    {"bmp-rle8-at-24-bits", "bmp-24bit", {{{kCompressionField, 4, kRle8}}}},
    {"bmp-rle4-top-down", "bmp-4bit-rle4", {{{kHeightField, 4, static_cast<std::uint32_t>(-kHeight)}}}},
    {"bmp-claims-huge-palette", "bmp-8bit-six-colours-top-down", {{{kColoursUsedField, 4, 0xFFFFFFFF}}}},
    {"bmp-claims-300-colours", "bmp-8bit", {{{kColoursUsedField, 4, 300}}}},
    {"bmp-pixels-past-the-end", "bmp-24bit", {{{kOffsetField, 4, 0x7FFFFFFF}}}},
    {"bmp-pixels-inside-header", "bmp-8bit", {{{kOffsetField, 4, 20}}}},
    {"bmp-header-size-0", "bmp-24bit", {{{kHeaderSizeField, 4, 0}}}},
    {"bmp-header-size-200", "bmp-24bit", {{{kHeaderSizeField, 4, 200}}}},
    {"bmp-bitfields-at-24-bits", "bmp-24bit", {{{kCompressionField, 4, kBitfields}}}},
    {"bmp-bitfields-zero-masks", "bmp-16bit-565-bitfields", {{{kFirstMaskField, 4, 0}}}},
};

Bytes Damaged(const Damage& damage) {
    Bytes bytes = EncodeBitmap(Layout(damage.layout));
    for (const Edit& edit : damage.edits) {
        for (int i = 0; i < edit.width; ++i) bytes[edit.offset + i] = static_cast<std::uint8_t>(edit.value >> (8 * i));
    }
    return bytes;
}

struct Truncation {
    const char* layout;
    std::size_t keep;  // bytes kept; 0: all but the last seven
};

const Truncation kTruncations[] = {
    {"bmp-24bit", 10}, {"bmp-24bit", 30}, {"bmp-8bit", 300}, {"bmp-24bit", 0},
    {"bmp-8bit-rle8", 0}, {"bmp-4bit-rle4", 0}, {"bmp-32bit-v5-alpha", 100},
};

// Bit flips spread over a bitmap, as a damaged download might have them.
Bytes Flipped(const BitmapLayout& layout, std::size_t every) {
    Bytes bytes = EncodeBitmap(layout);
    for (std::size_t i = every / 2; i < bytes.size(); i += every) bytes[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
    return bytes;
}

QImage Picture(QImage::Format format) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Colour c = PaletteColour(IndexAt(x, y, 8));
            image.setPixel(x, y, qRgba(c.red, c.green, c.blue, c.alpha));
        }
    }
    return image.convertToFormat(format);
}

Bytes Written(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write a %s seed: %s\n", format, qPrintable(writer.errorString()));
        std::abort();
    }
    return {data.begin(), data.end()};
}

struct WrittenSeed {
    const char* name;
    QImage::Format pixels;
    const char* format;
};

const WrittenSeed kWrittenSeeds[] = {
    {"png-rgb", QImage::Format_RGB32, "png"},         {"png-alpha", QImage::Format_ARGB32, "png"},
    {"png-palette", QImage::Format_Indexed8, "png"},  {"png-grey", QImage::Format_Grayscale8, "png"},
    {"png-1bit", QImage::Format_Mono, "png"},         {"png-16bit", QImage::Format_RGBA64, "png"},
    {"png-grey-16bit", QImage::Format_Grayscale16, "png"},
    {"jpeg", QImage::Format_RGB32, "jpeg"},           {"ppm", QImage::Format_RGB32, "ppm"},
    {"pgm", QImage::Format_Grayscale8, "pgm"},        {"pbm", QImage::Format_Mono, "pbm"},
    {"xpm", QImage::Format_RGB32, "xpm"},             {"xbm", QImage::Format_Mono, "xbm"},
    {"ico", QImage::Format_ARGB32, "ico"},
};

// The smallest GIF: one white pixel.
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, ',',
                    0,   0,   0,   0,   1,   0,   1, 0, 1, 0,    0, 2, 2, 'D', 1, 0, ';'};

class SeedFolder {
public:
    explicit SeedFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
    }

    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void Write(const std::string& name, std::string_view text) const { Write(name, Bytes(text.begin(), text.end())); }

private:
    std::filesystem::path folder_;
};

// Image seeds carry a trailer choosing the amount: each seed a different
// one, passing through the amounts that fail some filter and raw ones.
class ImageSeeds {
public:
    explicit ImageSeeds(const std::filesystem::path& folder) : folder_(folder / "image") {}

    void Add(const std::string& name, const Bytes& file) {
        FilterChoice choice;
        choice.amountPick = static_cast<std::uint8_t>(count_ * 7 % (std::size(kAmounts) + 5));
        choice.rawAmount = static_cast<std::int32_t>(0x9E3779B9u * static_cast<std::uint32_t>(count_ + 1));
        choice.randomSeed = static_cast<std::uint8_t>(count_ % 3 == 0 ? 0 : count_ * 37);
        folder_.Write(name, JoinImageInput(file, choice));
        ++count_;
    }

private:
    SeedFolder folder_;
    int count_ = 0;
};

void WriteImageSeeds(const std::filesystem::path& folder) {
    ImageSeeds seeds(folder);
    for (const BitmapLayout& layout : kLayouts) seeds.Add(layout.name, EncodeBitmap(layout));
    for (const Damage& damage : kDamages) seeds.Add(damage.name, Damaged(damage));
    for (const Truncation& cut : kTruncations) {
        Bytes bytes = EncodeBitmap(Layout(cut.layout));
        bytes.resize(cut.keep == 0 ? bytes.size() - 7 : cut.keep);
        seeds.Add(std::string(cut.layout) + "-cut-to-" + std::to_string(bytes.size()), bytes);
    }
    for (const char* name : {"bmp-8bit", "bmp-24bit", "bmp-16bit-565-bitfields", "bmp-8bit-rle8"}) {
        seeds.Add(std::string(name) + "-bit-flips", Flipped(Layout(name), 13));
    }
    for (const WrittenSeed& seed : kWrittenSeeds) seeds.Add(seed.name, Written(Picture(seed.pixels), seed.format));
    seeds.Add("gif", kGif);
    seeds.Add("empty", {});
}

std::string Registry(std::string_view body, std::string_view lineEnd = "\n") {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
    text += body;
    std::string withEnds;
    for (const char c : text) {
        if (c == '\n') withEnds += lineEnd; else withEnds += c;
    }
    return withEnds;
}

struct RegistrySeed {
    const char* name;
    std::string text;
};

std::vector<RegistrySeed> RegistrySeeds() {
    return {
        {"string.reg", Registry("#arch=win32\n\n[Software\\\\Maxis\\\\The Sims] 1600000000\n#time=1d6a0c1e2f3a4b5\n"
                                "\"SIMS_DATA\"=\"C:\\\\Program Files\\\\Maxis\\\\The Sims\"\n"
                                "\"Installed\"=dword:00000001\n")},
        {"string-with-backslash-crlf.reg",
         Registry("[Software\\\\Maxis\\\\The Sims] 1600000000\n\"SIMS_DATA\"=\"C:\\\\Program Files\\\\Maxis\\\\The Sims\\\\\"\n",
                  "\r\n")},
        {"wow6432node.reg", Registry("#arch=win64\n\n[Software\\\\Wow6432Node\\\\Maxis\\\\The Sims] 1600000000\n"
                                     "#time=1d6a0c1e2f3a4b5\n\"SIMS_DATA\"=str:\"C:\\\\Program Files\\\\Maxis\\\\The Sims\"\n"
                                     "\n[Software\\\\Maxis\\\\The Sims] 1600000001\n\"SIMS_DATA\"=\"D:\\\\Elsewhere\"\n")},
        {"binary.reg", Registry("[Software\\\\Maxis\\\\The Sims]\n\"SIMS_DATA\"=hex:2a,80\n\"Short\"=hex:07\n"
                                "\"Long\"=hex:01,02,03,04,05\n\"Empty\"=hex:\n")},
        {"hex1-string-continued.reg",
         Registry("[Software\\\\Maxis\\\\The Sims]\n\"SIMS_DATA\"=hex(1):43,00,3a,00,5c,00,50,00,72,00,6f,00,67,00,\\\n"
                  "  72,00,61,00,6d,00,20,00,46,00,69,00,6c,00,65,00,73,00,5c,00,4d,00,61,00,\\\n"
                  "  78,00,69,00,73,00,5c,00,54,00,68,00,65,00,20,00,53,00,69,00,6d,00,73,00,00,00\n")},
        {"every-form.reg",
         Registry("[Software\\\\Maxis\\\\The Sims] 1600000000\n#class=\"Game\"\n@=\"default\"\n"
                  "\"SIMS_DATA\"=str(2):\"%ProgramFiles%\\\\Maxis\\\\The Sims\"\n"
                  "\"Multi\"=str(7):\"one\\0two\\0\"\n\"Words\"=hex(7):6f,00,6e,00,65,00,00,00,00,00\n"
                  "\"Dword\"=dword:0000ffff\n\"Qword\"=hex(b):01,00,00,00,00,00,00,00\n\"None\"=hex(0):\n"
                  "\"Escapes\"=\"tab\\there \\\"quoted\\\" \\x00e9t\\xe9 \\101 \\e \\a\\b\\f\\v\\r\\n \\\\ end\"\n"
                  "\"Embedded\"=\"C:\\\\Games\\0after the NUL\"\n"
                  "\"\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e\"=\"Spiele\"\n\"Latin1\xE9\"=\"\xE9t\xE9\"\n")},
        {"case-and-unicode.reg",
         Registry("[software\\\\maxis\\\\the sims]\n\"sims_data\"=\"C:\\\\Spiele\\\\\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e\"\n"
                  "[Software\\\\Maxis\\\\The Sims\\\\Sub]\n\"SIMS_DATA\"=\"not this one\"\n")},
        {"damaged.reg",
         Registry("[Software\\\\Maxis\\\\The Sims\n\"SIMS_DATA\"=\"unclosed\n[Software\\\\Maxis\\\\The Sims]\n"
                  "\"SIMS_DATA\"=hex:zz,00\n\"SIMS_DATA\"=dword:123456789\n\"SIMS_DATA\"\n=\"\"\n"
                  "\"SIMS_DATA\"=hex(1):41,00,\\\n")},
        {"empty-value.reg", Registry("[Software\\\\Maxis\\\\The Sims]\n\"SIMS_DATA\"=\"\"\n")},
        {"no-header.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Maxis\\The Sims]\n\"SIMS_DATA\"=\"C:\\\\\"\n"},
    };
}

constexpr std::string_view kWindowsPaths[] = {
    "C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\",
    "c:\\PROGRAM FILES\\maxis\\the sims\\gamedata\\roofs\\roof2.bmp",
    "C:/program files/Maxis/",
    "C:\\Program Files\\\\Maxis\\.\\The Sims\\..\\The Sims\\GameData\\Roofs\\ROOF1.BMP\\",
    "C:\\..\\..\\up\\drive_c\\Spiele\\\xC3\x9C" "bergr\xC3\xB6\xC3\x9F" "e\\Roofs\\",
    "C:\\loop\\loop\\",
    "D:\\",
    "Z:\\etc\\passwd",
    "C:relative\\path",
    "\\\\server\\share\\roofs",
    "C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\roof<1>.bmp",
    "C:\\Program Files\\Maxis\\The Sims\\GameData\\Roofs\\roof1.bmp\\",
};

void WriteTextSeeds(const std::filesystem::path& folder) {
    const SeedFolder registry(folder / "registry");
    for (const RegistrySeed& seed : RegistrySeeds()) registry.Write(seed.name, seed.text);
    const SeedFolder paths(folder / "windows_path");
    for (std::size_t i = 0; i < std::size(kWindowsPaths); ++i) paths.Write("path-" + std::to_string(i), kWindowsPaths[i]);
}

}  // namespace
}  // namespace tegmora::fuzz

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    tegmora::fuzz::WriteImageSeeds(argv[1]);
    tegmora::fuzz::WriteTextSeeds(argv[1]);
    return 0;
}
