#include "quantise.h"

#include <libimagequant.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace tegmora::imageio {
namespace {

template <typename T, void (*Destroy)(T*)>
struct Destroyer {
    void operator()(T* object) const { Destroy(object); }
};
using Attributes = std::unique_ptr<liq_attr, Destroyer<liq_attr, liq_attr_destroy>>;
using Image = std::unique_ptr<liq_image, Destroyer<liq_image, liq_image_destroy>>;
using Result = std::unique_ptr<liq_result, Destroyer<liq_result, liq_result_destroy>>;

int SquaredDistance(QRgb a, QRgb b) {
    const int red = qRed(a) - qRed(b);
    const int green = qGreen(a) - qGreen(b);
    const int blue = qBlue(a) - qBlue(b);
    return red * red + green * green + blue * blue;
}

// The exact nearest entry of a palette. The quantiser's own remapping
// measures in its perceptual space and moves the palette after it has
// placed the pixels, so it promises no nearest entry in plain RGB; this
// search does. Entries sorted by red let it stop once the red difference
// alone is farther than the best found.
class NearestEntries {
public:
    explicit NearestEntries(const QList<QRgb>& palette) {
        for (int index = 0; index < palette.size(); ++index) byRed_.push_back({palette[index], index});
        std::stable_sort(byRed_.begin(), byRed_.end(),
                         [](const Entry& a, const Entry& b) { return qRed(a.colour) < qRed(b.colour); });
    }

    int operator()(QRgb colour) {
        if (colour == lastColour_) return lastIndex_;
        const auto start = std::lower_bound(byRed_.begin(), byRed_.end(), qRed(colour),
                                            [](const Entry& e, int red) { return qRed(e.colour) < red; });
        Best best;
        for (auto up = start; up != byRed_.end() && best.consider(*up, colour); ++up) {}
        for (auto down = start; down != byRed_.begin() && best.consider(*--down, colour);) {}
        lastColour_ = colour;
        lastIndex_ = best.index;
        return best.index;
    }

private:
    struct Entry {
        QRgb colour;
        int index;
    };
    struct Best {
        int distance = 3 * 255 * 255 + 1;
        int index = 0;
        // False once entries this far in red can no longer be as near.
        bool consider(const Entry& entry, QRgb colour) {
            const int red = qRed(entry.colour) - qRed(colour);
            if (red * red > distance) return false;
            const int d = SquaredDistance(entry.colour, colour);
            if (d < distance || (d == distance && entry.index < index)) {
                distance = d;
                index = entry.index;
            }
            return true;
        }
    };

    std::vector<Entry> byRed_;
    QRgb lastColour_ = 0;
    int lastIndex_ = -1;
};

QList<QRgb> PaletteOf(const liq_palette& palette) {
    QList<QRgb> colours;
    for (unsigned i = 0; i < palette.count; ++i)
        colours << qRgb(palette.entries[i].r, palette.entries[i].g, palette.entries[i].b);
    return colours;
}

}  // namespace

std::optional<QImage> Quantised(const QImage& rgb32, Dither dither) {
    // The quantiser reads red, green, blue, alpha bytes; the fourth byte is
    // no transparency in a roof, so it is read as opaque.
    QImage rgba = rgb32.convertToFormat(QImage::Format_RGBX8888);
    const Attributes attributes(liq_attr_create());
    if (!attributes || liq_set_quality(attributes.get(), 0, 100) != LIQ_OK ||
        liq_set_speed(attributes.get(), 1) != LIQ_OK)
        return std::nullopt;
    std::vector<void*> rows(static_cast<std::size_t>(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y) rows[static_cast<std::size_t>(y)] = rgba.scanLine(y);
    const Image image(liq_image_create_rgba_rows(attributes.get(), rows.data(), rgba.width(), rgba.height(), 0));
    liq_result* quantised = nullptr;
    if (!image || liq_image_quantize(image.get(), attributes.get(), &quantised) != LIQ_OK) return std::nullopt;
    const Result result(quantised);

    QImage indexed(rgb32.size(), QImage::Format_Indexed8);
    if (dither == Dither::FloydSteinberg) {
        std::vector<unsigned char*> out(static_cast<std::size_t>(indexed.height()));
        for (int y = 0; y < indexed.height(); ++y) out[static_cast<std::size_t>(y)] = indexed.scanLine(y);
        if (liq_set_dithering_level(result.get(), 1.0f) != LIQ_OK ||
            liq_write_remapped_image_rows(result.get(), image.get(), out.data()) != LIQ_OK)
            return std::nullopt;
        // The palette is final only after remapping.
        indexed.setColorTable(PaletteOf(*liq_get_palette(result.get())));
        return indexed;
    }
    const QList<QRgb> palette = PaletteOf(*liq_get_palette(result.get()));
    indexed.setColorTable(palette);
    NearestEntries nearest(palette);
    for (int y = 0; y < rgb32.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb32.width(); ++x) out[x] = static_cast<uchar>(nearest(in[x] | 0xFF000000u));
    }
    return indexed;
}

}  // namespace tegmora::imageio
