// Writes the game's pictures: the two 22 × 22 cell pictures (24-bit Windows bitmaps) and the
// program icon (16, 32 and 48 pixels). The output depends on nothing but this file, so the
// committed pictures can be made again byte for byte:
//   generate_art OUTPUT_FOLDER
//
// A cell picture is drawn with a fixed 7-pixel border around a tiled centre. So that it keeps
// its look at any cell size, every border strip varies only across its width (the top strip
// changes from row to row but not along a row) and the centre is flat: tiling such strips and
// such a centre shows no seams.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

constexpr int kCellSize = 22;
constexpr int kBorder = 7;

// Mixes `color` toward `target` by `amount` (0 keeps the colour, 1 gives the target).
Rgb Mix(Rgb color, Rgb target, double amount) {
    auto channel = [amount](int from, int to) {
        return static_cast<int>(from + (to - from) * amount + 0.5);
    };
    return {channel(color.r, target.r), channel(color.g, target.g), channel(color.b, target.b)};
}

enum class Side { Top, Left, Right, Bottom };

// Returns the colour of pixel (x, y) of a size × size cell with the given base colour: a dark
// outline, a bevel lit from the top left, and a flat centre.
Rgb CellPixel(int x, int y, int size, int border, Rgb base) {
    const int right = size - 1 - x;
    const int bottom = size - 1 - y;
    const int depth = std::min(std::min(x, y), std::min(right, bottom));
    if (depth >= border) {
        return base;
    }
    // The nearest edge decides the shading; corners split along their diagonals.
    Side side;
    if (y == depth && y <= right) {
        side = Side::Top;
    } else if (x == depth && x <= bottom) {
        side = Side::Left;
    } else if (bottom == depth) {
        side = Side::Bottom;
    } else {
        side = Side::Right;
    }
    const Rgb white{255, 255, 255};
    const Rgb black{0, 0, 0};
    if (depth == 0) {
        return Mix(base, black, 0.65);
    }
    // Strongest next to the outline, fading toward the centre.
    const double fade = 1.0 - static_cast<double>(depth - 1) / border;
    switch (side) {
        case Side::Top:
            return Mix(base, white, 0.55 * fade);
        case Side::Left:
            return Mix(base, white, 0.35 * fade);
        case Side::Right:
            return Mix(base, black, 0.30 * fade);
        case Side::Bottom:
        default:
            return Mix(base, black, 0.45 * fade);
    }
}

void PutU16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

// Appends a BITMAPINFOHEADER.
void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits,
                   std::uint32_t imageSize) {
    PutU32(out, 40);
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    PutU16(out, 1);
    PutU16(out, static_cast<unsigned>(bits));
    PutU32(out, 0);  // BI_RGB
    PutU32(out, imageSize);
    PutU32(out, 2835);  // 72 dots per inch
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
}

// Returns a 24-bit bottom-up Windows bitmap file of a cell picture.
std::vector<std::uint8_t> CellBitmap(Rgb base) {
    const int rowBytes = (kCellSize * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * kCellSize);
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 14 + 40 + imageSize);
    PutU32(out, 0);
    PutU32(out, 14 + 40);
    PutInfoHeader(out, kCellSize, kCellSize, 24, imageSize);
    for (int y = kCellSize - 1; y >= 0; --y) {
        for (int x = 0; x < kCellSize; ++x) {
            const Rgb pixel = CellPixel(x, y, kCellSize, kBorder, base);
            out.push_back(static_cast<std::uint8_t>(pixel.b));
            out.push_back(static_cast<std::uint8_t>(pixel.g));
            out.push_back(static_cast<std::uint8_t>(pixel.r));
        }
        for (int pad = kCellSize * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

// Returns the icon picture of the given size as top-down BGRA pixels: a T-shaped piece of four
// red cells on a transparent background.
std::vector<std::uint32_t> IconPixels(int size) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size), 0);
    const int cell = size / 3;
    const int left = (size - 3 * cell) / 2;
    const int top = (size - 2 * cell) / 2;
    const int cells[4][2] = {{0, 0}, {1, 0}, {2, 0}, {1, 1}};
    const int border = std::max(1, cell / 4);
    for (const auto& c : cells) {
        for (int y = 0; y < cell; ++y) {
            for (int x = 0; x < cell; ++x) {
                const Rgb p = CellPixel(x, y, cell, border, {210, 40, 40});
                const int px = left + c[0] * cell + x;
                const int py = top + c[1] * cell + y;
                pixels[static_cast<std::size_t>(py * size + px)] =
                    0xFF000000u | static_cast<std::uint32_t>(p.r << 16 | p.g << 8 | p.b);
            }
        }
    }
    return pixels;
}

// Returns an icon file holding 32-bit images of the given sizes.
std::vector<std::uint8_t> IconFile(const std::vector<int>& sizes) {
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        const std::vector<std::uint32_t> pixels = IconPixels(size);
        const int maskRowBytes = (size + 31) / 32 * 4;
        std::vector<std::uint8_t> image;
        PutInfoHeader(image, size, size * 2, 32, 0);
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x) {
                PutU32(image, pixels[static_cast<std::size_t>(y * size + x)]);
            }
        }
        // The AND mask: a set bit marks a transparent pixel.
        for (int y = size - 1; y >= 0; --y) {
            std::vector<std::uint8_t> row(static_cast<std::size_t>(maskRowBytes), 0);
            for (int x = 0; x < size; ++x) {
                if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) == 0) {
                    row[static_cast<std::size_t>(x / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
            }
            image.insert(image.end(), row.begin(), row.end());
        }
        images.push_back(std::move(image));
    }
    std::vector<std::uint8_t> out;
    PutU16(out, 0);
    PutU16(out, 1);  // an icon
    PutU16(out, static_cast<unsigned>(sizes.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(sizes[i] % 256));
        out.push_back(static_cast<std::uint8_t>(sizes[i] % 256));
        out.push_back(0);  // no palette
        out.push_back(0);
        PutU16(out, 1);   // planes
        PutU16(out, 32);  // bits per pixel
        PutU32(out, static_cast<std::uint32_t>(images[i].size()));
        PutU32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) {
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_art OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = WriteFile(folder + "/block_grey.bmp", CellBitmap({150, 150, 150})) &&
                    WriteFile(folder + "/block_red.bmp", CellBitmap({205, 38, 38})) &&
                    WriteFile(folder + "/app.ico", IconFile({16, 32, 48}));
    if (!ok) {
        std::fprintf(stderr, "generate_art: cannot write to %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
