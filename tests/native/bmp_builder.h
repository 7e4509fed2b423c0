// Test pictures made in memory: BMP files in every layout the loader meets,
// built field by field so that each test states exactly what it feeds in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bmptest {

struct Picture {
    std::uint32_t headerSize = 40; // 12: core header
    std::int32_t width = 4;
    std::int32_t height = 3; // negative: stored top row first
    std::uint16_t bitCount = 8;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    // Colour-table entries as COLORREF (0x00BBGGRR); when empty, as many
    // entries as the layout calls for, each from DefaultColor.
    std::vector<COLORREF> table;
    std::uint32_t masks[3] = {0, 0, 0}; // written after a 40-byte BI_BITFIELDS header
    // The stored value of each pixel, x from the left and y from the top: an
    // index for 1 to 8 bits, the raw value for 16 and 32 bits, a COLORREF for 24.
    std::function<std::uint32_t(int x, int y)> pixel = [](int x, int y) {
        return static_cast<std::uint32_t>(x + y);
    };
    // Run-length pictures (BI_RLE8, BI_RLE4): the stream stored in place of
    // the pixel rows; when empty, the pixels above encoded as runs. The
    // stored image size is the stream's length unless given.
    std::vector<std::uint8_t> stream;
    std::optional<std::uint32_t> imageSize;
};

// A picture of the given header size and bit count, everything else as usual.
inline Picture Make(std::uint32_t header, std::uint16_t bits, std::uint32_t used = 0,
                    std::uint32_t compression = BI_RGB) {
    Picture p;
    p.headerSize = header;
    p.bitCount = bits;
    p.colorsUsed = used;
    p.compression = compression;
    return p;
}

inline COLORREF DefaultColor(int i) {
    return RGB(i & 0xFF, (255 - i) & 0xFF, (i * 7) & 0xFF);
}

inline void Put16(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void Put32(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

// How many colour-table entries the layout carries.
inline std::size_t TableEntries(const Picture &p) {
    if (p.headerSize >= 36 && p.colorsUsed != 0) {
        return p.colorsUsed;
    }
    return p.bitCount <= 8 ? std::size_t{1} << p.bitCount : 0;
}

inline std::size_t Stride(const Picture &p) {
    return (static_cast<std::size_t>(p.width) * p.bitCount + 31) / 32 * 4;
}

// The pixels as a run-length stream: each row, bottom first, as runs of one
// index (at most 255 pixels), an end of line after each row and an end of
// picture at the close.
inline std::vector<std::uint8_t> EncodeRunLength(const Picture &p) {
    std::vector<std::uint8_t> out;
    int rows = p.height < 0 ? -p.height : p.height;
    for (int y = rows - 1; y >= 0; y--) {
        for (int x = 0; x < p.width;) {
            std::uint32_t v = p.pixel(x, y);
            int run = 1;
            while (x + run < p.width && run < 255 && p.pixel(x + run, y) == v) {
                run++;
            }
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(static_cast<std::uint8_t>(p.bitCount == 4 ? (v & 15) * 0x11 : v));
            x += run;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.back() = 1; // the last end of line becomes the end of the picture
    return out;
}

inline bool RunLength(const Picture &p) {
    return p.compression == BI_RLE8 || p.compression == BI_RLE4;
}

// The packed DIB: header, masks, colour table and pixel rows.
inline std::vector<std::uint8_t> Dib(const Picture &p) {
    bool core = p.headerSize == 12;
    std::vector<std::uint8_t> out(p.headerSize, 0);
    Put32(out, 0, p.headerSize);
    if (core) {
        Put16(out, 4, static_cast<std::uint32_t>(p.width));
        Put16(out, 6, static_cast<std::uint32_t>(p.height));
        Put16(out, 8, 1);
        Put16(out, 10, p.bitCount);
    } else {
        Put32(out, 4, static_cast<std::uint32_t>(p.width));
        Put32(out, 8, static_cast<std::uint32_t>(p.height));
        Put16(out, 12, 1);
        Put16(out, 14, p.bitCount);
        if (p.headerSize >= 20) {
            Put32(out, 16, p.compression);
        }
        if (p.headerSize >= 36) {
            Put32(out, 32, p.colorsUsed);
        }
    }
    if (p.compression == BI_BITFIELDS) {
        if (p.headerSize == 40) {
            out.resize(52, 0);
        }
        for (int i = 0; i < 3 && out.size() >= 52; i++) {
            Put32(out, 40 + 4 * i, p.masks[i]);
        }
    }
    std::size_t entries = TableEntries(p);
    for (std::size_t i = 0; i < entries; i++) {
        COLORREF c = i < p.table.size() ? p.table[i] : DefaultColor(static_cast<int>(i));
        out.push_back(GetBValue(c));
        out.push_back(GetGValue(c));
        out.push_back(GetRValue(c));
        if (!core) {
            out.push_back(0);
        }
    }
    if (RunLength(p)) {
        std::vector<std::uint8_t> stream = p.stream.empty() ? EncodeRunLength(p) : p.stream;
        if (p.headerSize >= 24) {
            Put32(out, 20, p.imageSize.value_or(static_cast<std::uint32_t>(stream.size())));
        }
        out.insert(out.end(), stream.begin(), stream.end());
        return out;
    }
    std::size_t stride = Stride(p);
    int rows = p.height < 0 ? -p.height : p.height;
    for (int stored = 0; stored < rows; stored++) {
        int y = p.height < 0 ? stored : rows - 1 - stored; // y from the top
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < p.width; x++) {
            std::uint32_t v = p.pixel(x, y);
            switch (p.bitCount) {
            case 1:
            case 4:
            case 8: {
                std::size_t bit = static_cast<std::size_t>(x) * p.bitCount;
                int shift = 8 - p.bitCount - static_cast<int>(bit % 8);
                row[bit / 8] |= static_cast<std::uint8_t>((v & ((1u << p.bitCount) - 1)) << shift);
                break;
            }
            case 16:
                Put16(row, static_cast<std::size_t>(x) * 2, v);
                break;
            case 24:
                row[x * 3] = GetBValue(v);
                row[x * 3 + 1] = GetGValue(v);
                row[x * 3 + 2] = GetRValue(v);
                break;
            case 32:
                Put32(row, static_cast<std::size_t>(x) * 4, v);
                break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A whole file: the 14-byte file header ("BM", the file-size field, the
// reserved fields and the pixel-data offset) followed by the DIB.
inline std::vector<std::uint8_t> File(const std::vector<std::uint8_t> &dib) {
    std::vector<std::uint8_t> out(14, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(dib.size() + 14));
    Put32(out, 10, 14 + 40);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}
inline std::vector<std::uint8_t> File(const Picture &p) {
    return File(Dib(p));
}

inline void SetFileSizeField(std::vector<std::uint8_t> &file, std::uint32_t size) {
    Put32(file, 2, size);
}

inline void Write(const std::string &hostPath, const std::vector<std::uint8_t> &bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace bmptest
