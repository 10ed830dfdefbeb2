// The 8-bit form the game's roofs take, written by SaveImage and by the tool.
#include "command_line.h"
#include "imageio.h"
#include "tool_run.h"

#include <gtest/gtest.h>

namespace tegmora::imageio {
namespace {

using cli::harness::Fx;
using cli::harness::Palettised;

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// Pixels of `written` whose index is not the lowest of the palette entries
// nearest to the colour the pixel had in `image`, by squared distance.
int PixelsOffTheirNearestEntry(const QImage& image, const QImage& written) {
    const auto square = [](int d) { return d * d; };
    const auto distance = [&](QRgb a, QRgb b) { return square(qRed(a) - qRed(b)) + square(qGreen(a) - qGreen(b)) + square(qBlue(a) - qBlue(b)); };
    int off = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            int nearest = 0;
            for (int i = 1; i < written.colorCount(); ++i)
                if (distance(written.color(i), image.pixel(x, y)) < distance(written.color(nearest), image.pixel(x, y)))
                    nearest = i;
            off += written.pixelIndex(x, y) != nearest;
        }
    return off;
}

class EightBitTest : public cli::harness::ToolTest {
protected:
    // `image` saved in the 8-bit form, as Qt reads the file back.
    QImage saved(const QImage& image, const SaveOptions& options = {}) {
        EXPECT_EQ(SaveImage(image, path("out.bmp"), FileFormat::Bitmap8, options), QString());
        const QImage back(path("out.bmp"));
        EXPECT_EQ(back.format(), QImage::Format_Indexed8);
        EXPECT_EQ(back.colorCount(), 256);
        return back;
    }
};

TEST_F(EightBitTest, HeaderPaletteAndRowsByteByByte) {
    const QRgb a = qRgb(1, 2, 3), b = qRgb(250, 128, 7), c = qRgb(9, 8, 7);
    const QRgb rows[3][5] = {{a, a, b, c, a}, {b, b, b, b, b}, {c, a, c, a, c}};
    QImage image(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) image.setPixel(x, y, rows[y][x]);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(3780);
    saved(image);
    const QByteArray expected =
        QByteArray::fromHex("424d" "4e040000" "00000000" "36040000"  // file size 1102, pixels at 1078
                            "28000000" "05000000" "03000000" "0100" "0800" "00000000" "18000000"
                            "130b0000" "c40e0000" "00010000" "00000000"  // 256 colours used
                            "03020100" "0780fa00" "07080900") +  // palette in order of first appearance
        QByteArray(253 * 4, '\0') +
        QByteArray::fromHex("0200020002000000" "0101010101000000" "0000010200000000");  // bottom row first
    EXPECT_EQ(hostile::FileBytes(path("out.bmp")).toHex(), expected.toHex());
}

TEST_F(EightBitTest, UneditedPalettisedRoofKeepsPaletteAndIndexesThroughSaveAndTool) {
    QImage roof = Palettised(7, 5, 20);
    roof.setColor(19, roof.color(3));  // two indexes of one colour
    const QString input = write("roof.bmp", roof);
    const LoadedImage loaded = LoadImage(input);
    ASSERT_FALSE(loaded.palettised.isNull());
    ASSERT_EQ(SaveImage(loaded.image, path("saved.bmp"), FileFormat::Bitmap8, {loaded.palettised}), QString());
    ASSERT_EQ(Fx({"-e", "32", input, "-o", path("tool.bmp")}).status, cli::kSuccess);
    QList<QRgb> palette = roof.colorTable();
    palette.resize(256, qRgb(0, 0, 0));
    for (const char* name : {"saved.bmp", "tool.bmp"}) {
        const QImage back(path(name));
        EXPECT_EQ(back.colorTable(), palette) << name;
        for (int y = 0; y < roof.height(); ++y)
            for (int x = 0; x < roof.width(); ++x) EXPECT_EQ(back.pixelIndex(x, y), roof.pixelIndex(x, y)) << name;
    }
}

TEST_F(EightBitTest, AtMost256ColoursChangeNoPixel) {
    QImage all256(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i) all256.setPixel(i % 16, i / 16, qRgb(i, 255 - i, i / 2));
    QImage one(1, 1, QImage::Format_ARGB32);
    one.fill(qRgba(9, 99, 199, 0));
    const QImage roof = Palettised(6, 4, 20);
    QImage edited = Rgb(roof);
    edited.setPixel(0, 0, qRgb(1, 1, 1));  // a colour the roof's palette lacks
    const QImage mirrored = roof.mirrored(true, false);
    const struct {
        QImage image;
        QImage original;
    } cases[] = {{all256, {}}, {one, {}}, {edited, roof}, {Rgb(mirrored), roof}};
    for (const auto& c : cases) EXPECT_EQ(Rgb(saved(c.image, {c.original})), Rgb(c.image));
    EXPECT_EQ(saved(Rgb(mirrored), {roof}).colorTable().mid(0, 20), roof.colorTable());
}

TEST_F(EightBitTest, MoreColoursTakeTheNearestEntryUnlessDithered) {
    QImage many(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) many.setPixel(x, y, qRgb(x * 4, y * 4, (x + y) * 2));
    QImage colours257(257, 1, QImage::Format_RGB32);
    for (int x = 0; x < 257; ++x) colours257.setPixel(x, 0, qRgb(x % 256, x / 2, 255 - x % 256));
    EXPECT_EQ(PixelsOffTheirNearestEntry(colours257, saved(colours257)), 0);
    EXPECT_EQ(PixelsOffTheirNearestEntry(many, saved(many)), 0);
    EXPECT_GT(PixelsOffTheirNearestEntry(many, saved(many, {{}, Dither::FloydSteinberg})), 0);
    ASSERT_EQ(Fx({"--depth", "8", "--dither", "-e", "32", write("many.bmp", many), "-o", path("tool.bmp")}).status,
              cli::kSuccess);
    EXPECT_GT(PixelsOffTheirNearestEntry(many, QImage(path("tool.bmp"))), 0);
}

TEST_F(EightBitTest, OddPalettisedInputsComeOutWellFormed) {
    QByteArray outOfRange = hostile::FileBytes(write("short.bmp", Palettised(5, 3, 20)));
    outOfRange[qFromLittleEndian<quint32>(outOfRange.constData() + 10)] = char(200);  // past the 20 entries
    const struct {
        QByteArray bytes;
        int bits;
    } cases[] = {{hostile::FileBytes(write("1.bmp", Palettised(5, 3, 2))), 1},
                 {hostile::FileBytes(write("4.bmp", Palettised(5, 3, 16))), 4},
                 {hostile::FileBytes(path("short.bmp")), 8},
                 {outOfRange, 8}};
    for (const auto& c : cases) {
        ASSERT_EQ(c.bytes.at(28), c.bits);
        ASSERT_TRUE(hostile::WriteFile(path("in.bmp"), c.bytes));
        const LoadedImage loaded = LoadImage(path("in.bmp"));
        EXPECT_EQ(Rgb(saved(loaded.image, {loaded.palettised})), loaded.image) << c.bits;
        const QByteArray out = hostile::FileBytes(path("out.bmp"));
        EXPECT_EQ(out.size(), 1078 + 8 * 3);
        EXPECT_EQ(qFromLittleEndian<quint32>(out.constData() + 46), 256u);
    }
}

TEST_F(EightBitTest, ToolDepthOnEachKindOfInput) {
    const struct {
        QString input;
        int keep;  // bits per pixel written by --depth keep
    } inputs[] = {{write("8.bmp", Palettised(5, 3, 20)), 8},
                  {write("4.bmp", Palettised(5, 3, 16)), 8},
                  {write("24.bmp", Palettised(5, 3, 20).convertToFormat(QImage::Format_RGB32)), 24},
                  {write("8.png", Palettised(5, 3, 20), "PNG"), 24}};
    for (const auto& in : inputs) {
        for (const auto& [depth, bits] : {std::pair{"keep", in.keep}, {"8", 8}, {"24", 24}}) {
            const QString out = path("out.bmp");
            ASSERT_EQ(Fx({"--depth", depth, "-e", "32", in.input, "-o", out}).status, cli::kSuccess);
            EXPECT_EQ(hostile::FileBytes(out).at(28), bits) << in.input.toStdString() << " " << depth;
            EXPECT_EQ(Rgb(QImage(out)), Rgb(QImage(in.input))) << in.input.toStdString() << " " << depth;
        }
        ASSERT_EQ(Fx({"--depth", "8", "-e", "32", in.input, "-o", path("out.png")}).status, cli::kSuccess);
        EXPECT_TRUE(hostile::FileBytes(path("out.png")).startsWith("\x89PNG"));
    }
}

}  // namespace
}  // namespace tegmora::imageio
