// Loading BMP files into one block, the block's accessors, and the movable
// memory the block lives in.
#include "bitmap/bitmap.h"

#include "bmp_builder.h"

#include <gtest/gtest.h>

#include <optional>
#include <standin.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using bmptest::Make;
using bmptest::Picture;
using Bytes = std::vector<std::uint8_t>;

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        char pattern[] = "/tmp/bitmap_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        standin::MapDrive('D', root_);
    }
    void TearDown() override {
        standin::Reset();
        std::filesystem::remove_all(root_);
    }
    // Writes the bytes as D:\PIC.BMP and loads that file.
    BYTE *Load(const Bytes &file) {
        bmptest::Write(root_ + "/PIC.BMP", file);
        return LoadBitmapFile("D:\\PIC.BMP");
    }
    std::string root_;
};

Bytes WithFileSize(Bytes file, std::uint32_t size) {
    bmptest::SetFileSizeField(file, size);
    return file;
}

Bytes Sound() {
    return bmptest::File(Picture{});
}

Picture WithHeader(std::uint32_t headerSize, std::uint16_t bitCount = 8) {
    Picture p;
    p.headerSize = headerSize;
    p.bitCount = bitCount;
    return p;
}

struct LoadCase {
    const char *label;
    std::function<Bytes()> file;
    bool loads;
};

TEST_F(BitmapTest, LoadAcceptsOrRefusesAndAlwaysClosesTheFile) {
    const LoadCase cases[] = {
        {"sound 8-bit picture", Sound, true},
        {"magic BA",
         [] {
             Bytes f = Sound();
             f[1] = 'A';
             return f;
         },
         false},
        {"magic bm",
         [] {
             Bytes f = Sound();
             f[0] = 'b';
             f[1] = 'm';
             return f;
         },
         false},
        {"magic MB",
         [] {
             Bytes f = Sound();
             f[0] = 'M';
             f[1] = 'B';
             return f;
         },
         false},
        {"file header cut to 13 bytes",
         [] {
             Bytes f = Sound();
             f.resize(13);
             return f;
         },
         false},
        {"empty file", [] { return Bytes{}; }, false},
        {"file-size field 0", [] { return WithFileSize(Sound(), 0); }, false},
        {"file-size field 14", [] { return WithFileSize(Sound(), 14); }, false},
        {"file-size field 15: no room for a header size", [] { return WithFileSize(Sound(), 15); },
         false},
        {"file-size field one larger than the file",
         [] {
             Bytes f = Sound();
             return WithFileSize(f, static_cast<std::uint32_t>(f.size() + 1));
         },
         false},
        {"file-size field 4 GB", [] { return WithFileSize(Sound(), 0xFFFFFFFF); }, false},
        {"header size 11",
         [] {
             Bytes f = Sound();
             f[14] = 11;
             return f;
         },
         false},
        {"header size 13",
         [] {
             Bytes f = Sound();
             f[14] = 13;
             return f;
         },
         false},
        {"header size 14",
         [] {
             Bytes f = Sound();
             f[14] = 14;
             return f;
         },
         false},
        {"header size 15",
         [] {
             Bytes f = Sound();
             f[14] = 15;
             return f;
         },
         false},
        {"header size 0",
         [] {
             Bytes f = Sound();
             f[14] = 0;
             return f;
         },
         false},
        {"header size 12 (core, 4 bits)", [] { return bmptest::File(WithHeader(12, 4)); }, true},
        {"header size 16", [] { return bmptest::File(WithHeader(16)); }, true},
        {"header size 40", [] { return bmptest::File(WithHeader(40)); }, true},
        {"header size 64", [] { return bmptest::File(WithHeader(64)); }, true},
        {"header size 108", [] { return bmptest::File(WithHeader(108)); }, true},
        {"header size 124", [] { return bmptest::File(WithHeader(124)); }, true},
        // What the header describes must lie inside the block.
        {"header size beyond the block",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14, 5000);
             return f;
         },
         false},
        {"used colours beyond the block",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 32, 1000000);
             return f;
         },
         false},
        {"used colours 0xFFFFFFFF",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 32, 0xFFFFFFFF);
             return f;
         },
         false},
        {"pixel rows beyond the block",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 8, 1000);
             return f;
         },
         false},
        {"top-down rows beyond the block",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 8, static_cast<std::uint32_t>(-1000));
             return f;
         },
         false},
        {"height -2^31",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 8, 0x80000000u);
             return f;
         },
         false},
        {"row width beyond the block",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 4, 0x7FFFFFFF);
             return f;
         },
         false},
        {"negative width",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 4, static_cast<std::uint32_t>(-4));
             return f;
         },
         false},
        {"file cut inside the pixels, size field to match",
         [] {
             Bytes f = Sound();
             f.resize(f.size() - 1);
             return WithFileSize(f, static_cast<std::uint32_t>(f.size()));
         },
         false},
        {"trailing bytes after the pixels",
         [] {
             Bytes f = Sound();
             f.resize(f.size() + 7, 0xEE);
             return WithFileSize(f, static_cast<std::uint32_t>(f.size()));
         },
         true},
        {"zero rows",
         [] {
             Picture p;
             p.height = 0;
             return bmptest::File(p);
         },
         true},
        // Formats nothing here can draw.
        {"bit count 2",
         [] {
             Bytes f = Sound();
             f[14 + 14] = 2;
             return f;
         },
         false},
        {"bit count 0",
         [] {
             Bytes f = Sound();
             f[14 + 14] = 0;
             return f;
         },
         false},
        {"bit count 64",
         [] {
             Bytes f = Sound();
             f[14 + 14] = 64;
             return f;
         },
         false},
        {"run-length compression without a stored image size",
         [] {
             Bytes f = Sound();
             f[14 + 16] = 1;
             return f;
         },
         false},
        {"bit masks on 24 bits",
         [] {
             Picture p = WithHeader(40, 24);
             p.compression = BI_BITFIELDS;
             p.masks[0] = 0xFF;
             return bmptest::File(p);
         },
         false},
        {"bit masks in the 64-byte header",
         [] {
             Picture p = WithHeader(64, 16);
             p.compression = BI_BITFIELDS;
             return bmptest::File(p);
         },
         false},
        {"16 bits in the core header", [] { return bmptest::File(WithHeader(12, 16)); }, false},
        {"16 bits with masks",
         [] {
             Picture p = WithHeader(40, 16);
             p.compression = BI_BITFIELDS;
             return bmptest::File(p);
         },
         true},
        {"32 bits", [] { return bmptest::File(WithHeader(40, 32)); }, true},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        standin::MapDrive('D', root_);
        BYTE *block = Load(c.file());
        EXPECT_EQ(block != nullptr, c.loads);
        EXPECT_EQ(standin::OpenFileCount(), 0);
        EXPECT_EQ(standin::LiveGlobalBlocks(), c.loads ? 1 : 0);
        EXPECT_EQ(standin::GlobalFreeErrors(), 0);
        FreeBitmapBlock(block);
        EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
    }
}

// The author's tool names the test a refused picture failed; each reason is
// the one the loader stopped at, not a guess made afterwards.
TEST_F(BitmapTest, LoadSaysWhyItRefused) {
    struct ReasonCase {
        const char *label;
        std::function<Bytes()> file;
        BitmapRefusal reason;
    };
    auto header = [](std::uint32_t size) {
        return [size] {
            Bytes f = Sound();
            bmptest::Put32(f, 14, size);
            return f;
        };
    };
    auto picture = [](std::function<void(Picture &)> change) {
        return [change] {
            Picture p;
            change(p);
            return bmptest::File(p);
        };
    };
    const ReasonCase cases[] = {
        {"sound picture", Sound, BitmapAccepted},
        {"13 bytes", [] { return Bytes(13, 'B'); }, BitmapShortFileHeader},
        {"a PNG named .bmp",
         [] { return Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0, 0, 0, 0, 0}; },
         BitmapNotBm},
        {"file-size field 14", [] { return WithFileSize(Sound(), 14); }, BitmapSizeFieldTooSmall},
        {"file-size field past the end",
         [] {
             Bytes f = Sound();
             return WithFileSize(f, static_cast<std::uint32_t>(f.size() + 1));
         },
         BitmapShorterThanSizeField},
        {"file-size field 4 GB", [] { return WithFileSize(Sound(), 0xFFFFFFFF); }, BitmapNoMemory},
        {"header size 13", header(13), BitmapHeaderSizeRejected},
        {"header size larger than the block", header(100000), BitmapHeaderBeyondBlock},
        {"2 bits per pixel", picture([](Picture &p) { p.bitCount = 2; }),
         BitmapUnsupportedBitCount},
        {"JPEG inside (BI_JPEG)", picture([](Picture &p) { p.compression = 4; }),
         BitmapUnsupportedCompression},
        {"negative width",
         [] {
             Bytes f = Sound();
             bmptest::Put32(f, 14 + 4, static_cast<std::uint32_t>(-4));
             return f;
         },
         BitmapNegativeWidth},
        {"pixel rows cut off",
         [] {
             Bytes f = Sound();
             f.resize(f.size() - 4);
             return WithFileSize(f, static_cast<std::uint32_t>(f.size()));
         },
         BitmapPixelsBeyondBlock},
    };
    for (const ReasonCase &c : cases) {
        SCOPED_TRACE(c.label);
        bmptest::Write(root_ + "/PIC.BMP", c.file());
        BitmapRefusal reason = BitmapNotOpened;
        BYTE *block = LoadBitmapFileExplained("D:\\PIC.BMP", &reason);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(block != nullptr, c.reason == BitmapAccepted);
        FreeBitmapBlock(block);
        EXPECT_EQ(standin::OpenFileCount(), 0);
    }
    BitmapRefusal reason = BitmapAccepted;
    EXPECT_EQ(LoadBitmapFileExplained("D:\\NOPE.BMP", &reason), nullptr);
    EXPECT_EQ(reason, BitmapNotOpened);
}

TEST_F(BitmapTest, LoadOfAMissingFileGivesNone) {
    EXPECT_EQ(LoadBitmapFile("D:\\NOPE.BMP"), nullptr);
    EXPECT_EQ(LoadBitmapFile("Q:\\PIC.BMP"), nullptr);
    EXPECT_TRUE(standin::ReadRequests().empty());
}

TEST_F(BitmapTest, LoadReadsInChunksOf32768StraightIntoTheBlock) {
    Bytes dib = bmptest::Dib(Picture{});
    dib.resize(100000 - 14, 0x5A);
    BYTE *block = Load(bmptest::File(dib));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(standin::ReadRequests(), (std::vector<UINT>{14, 32768, 32768, 32768, 1682}));
    EXPECT_EQ(GlobalSize(GlobalHandle(block)), 99986u);
    EXPECT_EQ(std::vector<std::uint8_t>(block, block + dib.size()), dib);
    FreeBitmapBlock(block);
}

TEST_F(BitmapTest, ShortChunkReleasesTheBlock) {
    Bytes file = bmptest::File(Picture{});
    bmptest::SetFileSizeField(file, 40000);
    EXPECT_EQ(Load(file), nullptr);
    EXPECT_EQ(standin::ReadRequests(), (std::vector<UINT>{14, 32768}));
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
    EXPECT_EQ(standin::GlobalFrees(), 1);
    EXPECT_EQ(standin::OpenFileCount(), 0);
}

TEST_F(BitmapTest, SmallerFileSizeFieldGivesTheShorterBlockAndReadsNoFurther) {
    Bytes dib = bmptest::Dib(Picture{});
    Bytes file = bmptest::File(dib);
    file.resize(file.size() + 500, 0xEE);
    BYTE *block = Load(file);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(GlobalHandle(block)), dib.size());
    EXPECT_EQ(standin::ReadRequests(), (std::vector<UINT>{14, static_cast<UINT>(dib.size())}));
    FreeBitmapBlock(block);
}

TEST_F(BitmapTest, FailedAllocationGivesNoneAndClosesTheFile) {
    standin::FailNextGlobalAlloc();
    EXPECT_EQ(Load(Sound()), nullptr);
    EXPECT_EQ(standin::ReadRequests(), (std::vector<UINT>{14}));
    EXPECT_EQ(standin::OpenFileCount(), 0);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
}

struct LayoutCase {
    const char *label;
    Picture picture;
    std::ptrdiff_t bitsOffset;
    int colorCount;
};

TEST_F(BitmapTest, PixelArrayFollowsHeaderAndColourTable) {
    const LayoutCase cases[] = {
        {"8 bits, 40-byte header, used 0", Make(40, 8), 1064, 256},
        {"8 bits, used 20", Make(40, 8, 20), 120, 20},
        {"8 bits, used 300", Make(40, 8, 300), 1240, 300},
        {"4 bits, used 0", Make(40, 4), 104, 16},
        {"1 bit, used 0", Make(40, 1), 48, 2},
        {"24 bits, used 0", Make(40, 24), 40, 0},
        {"24 bits, used 16", Make(40, 24, 16), 104, 16},
        {"16 bits", Make(40, 16), 40, 0},
        {"16 bits with masks after the header", Make(40, 16, 0, BI_BITFIELDS), 52, 0},
        {"32 bits with masks and used 4", Make(40, 32, 4, BI_BITFIELDS), 68, 4},
        {"32 bits with masks inside a 108-byte header", Make(108, 32, 0, BI_BITFIELDS), 108, 0},
        {"4 bits, core header", Make(12, 4), 60, 16},
        {"1 bit, core header", Make(12, 1), 18, 2},
        {"8 bits, core header", Make(12, 8), 780, 256},
        {"24 bits, core header", Make(12, 24), 12, 0},
        {"8 bits, 16-byte header", Make(16, 8), 1040, 256},
        {"8 bits, 124-byte header", Make(124, 8), 1148, 256},
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.label);
        BYTE *block = Load(bmptest::File(c.picture));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(BitmapHeaderSize(block), c.picture.headerSize);
        EXPECT_EQ(BitmapBits(block) - block, c.bitsOffset);
        EXPECT_EQ(BitmapColorCount(block), c.colorCount);
        EXPECT_EQ(BitmapWidth(block), 4);
        EXPECT_EQ(BitmapHeight(block), 3);
        FreeBitmapBlock(block);
    }
}

struct SizeCase {
    const char *label;
    std::int32_t width;
    std::int32_t height;
    int expectedWidth;
    int expectedHeight;
    bool topDown;
};

TEST_F(BitmapTest, WidthAndHeightAreSigned16BitValues) {
    const SizeCase cases[] = {
        {"640 by 480", 640, 480, 640, 480, false},     {"width 70,000", 70000, 1, 4464, 1, false},
        {"height 40,000", 1, 40000, 1, -25536, false}, {"top-down, 3 rows", 4, -3, 4, -3, true},
        {"width 32,767", 32767, 1, 32767, 1, false},
    };
    for (const SizeCase &c : cases) {
        SCOPED_TRACE(c.label);
        Picture p = Make(40, 1);
        p.width = c.width;
        p.height = c.height;
        p.pixel = [](int, int) { return 0u; };
        BYTE *block = Load(bmptest::File(p));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(BitmapWidth(block), c.expectedWidth);
        EXPECT_EQ(BitmapHeight(block), c.expectedHeight);
        EXPECT_EQ(BitmapIsTopDown(block), c.topDown ? 1 : 0);
        FreeBitmapBlock(block);
    }
}

TEST_F(BitmapTest, AccessorsGiveZeroForNone) {
    EXPECT_EQ(BitmapHeaderSize(nullptr), 0u);
    EXPECT_EQ(BitmapWidth(nullptr), 0);
    EXPECT_EQ(BitmapHeight(nullptr), 0);
    EXPECT_EQ(BitmapColorCount(nullptr), 0);
    EXPECT_EQ(BitmapIsTopDown(nullptr), 0);
}

// A block that never went through the loader may claim more than it holds;
// the accessors still read only inside it.
TEST_F(BitmapTest, AccessorsStayInsideAnUncheckedBlock) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 20);
    auto *block = static_cast<BYTE *>(GlobalLock(memory));
    std::vector<std::uint8_t> header(20, 0);
    bmptest::Put32(header, 0, 40);
    bmptest::Put32(header, 4, 7);
    bmptest::Put32(header, 8, 9);
    std::copy(header.begin(), header.end(), block);
    EXPECT_EQ(BitmapHeaderSize(block), 40u);
    EXPECT_EQ(BitmapWidth(block), 7);
    EXPECT_EQ(BitmapHeight(block), 9);
    EXPECT_EQ(BitmapColorCount(block), 0);
    EXPECT_EQ(BitmapBits(block), block);
    int entrySize = 0;
    int entries = -1;
    BitmapColorTable(block, &entrySize, &entries);
    EXPECT_EQ(entries, 0);
    FreeBitmapBlock(block);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
}

TEST_F(BitmapTest, FreeBitmapBlockReleasesOnceAndASecondReleaseIsCaught) {
    BYTE *block = Load(Sound());
    ASSERT_NE(block, nullptr);
    HGLOBAL handle = GlobalHandle(block);
    EXPECT_EQ(standin::GlobalLockCount(handle), 1);
    FreeBitmapBlock(block);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
    EXPECT_EQ(standin::GlobalFrees(), 1);
    EXPECT_EQ(standin::GlobalFreeErrors(), 0);
    EXPECT_EQ(GlobalFree(handle), handle);
    EXPECT_EQ(standin::GlobalFreeErrors(), 1);
    FreeBitmapBlock(nullptr);
    EXPECT_EQ(standin::GlobalFreeErrors(), 1);
}

// The stand-in's movable memory, as the launcher relies on it.
TEST(MemoryTest, MovableBlockIsReachedThroughItsHandle) {
    standin::Reset();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 100);
    ASSERT_NE(memory, nullptr);
    void *data = GlobalLock(memory);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(data, memory);
    EXPECT_EQ(GlobalHandle(data), memory);
    EXPECT_EQ(GlobalSize(memory), 100u);
    EXPECT_EQ(GlobalLock(memory), data);
    EXPECT_EQ(standin::GlobalLockCount(memory), 2);
    EXPECT_TRUE(GlobalUnlock(memory));
    EXPECT_FALSE(GlobalUnlock(memory));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GlobalHandle(data), memory);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 1);
    EXPECT_EQ(GlobalFree(memory), nullptr);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
    EXPECT_EQ(GlobalHandle(data), nullptr);
    EXPECT_EQ(GlobalSize(memory), 0u);
    EXPECT_EQ(GlobalFree(memory), memory);
    EXPECT_EQ(standin::GlobalFreeErrors(), 1);
    EXPECT_EQ(standin::GlobalFrees(), 1);
}

TEST(MemoryTest, FailuresCanBeArranged) {
    standin::Reset();
    standin::FailNextGlobalAlloc();
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 10), nullptr);
    HGLOBAL next = GlobalAlloc(GMEM_MOVEABLE, 10);
    EXPECT_NE(next, nullptr);
    standin::SetGlobalAllocLimit(1000);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, 1001), nullptr);
    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 8);
    EXPECT_EQ(GlobalLock(fixed), fixed);
    EXPECT_EQ(GlobalHandle(fixed), fixed);
    EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(0x1234)), nullptr);
    standin::Reset();
    EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
}

// Writes the generated pictures into the directory that
// LAUNCHER_BITMAP_CORPUS names: the starting corpus of the bitmap fuzzer.
TEST(BitmapCorpus, WritesSeedPictures) {
    const char *directory = std::getenv("LAUNCHER_BITMAP_CORPUS");
    if (directory == nullptr || directory[0] == '\0') {
        GTEST_SKIP() << "LAUNCHER_BITMAP_CORPUS not set";
    }
    std::filesystem::create_directories(directory);
    std::vector<Picture> pictures = {Make(40, 8),
                                     Make(40, 8, 20),
                                     Make(40, 4),
                                     Make(40, 1),
                                     Make(40, 24),
                                     Make(40, 24, 16),
                                     Make(12, 4),
                                     Make(12, 8),
                                     Make(12, 24),
                                     Make(16, 8),
                                     Make(64, 8),
                                     Make(124, 8),
                                     Make(40, 16),
                                     Make(40, 32),
                                     Make(40, 16, 0, BI_BITFIELDS),
                                     Make(108, 32, 0, BI_BITFIELDS)};
    pictures[14].masks[0] = 0xF800;
    pictures[14].masks[1] = 0x07E0;
    pictures[14].masks[2] = 0x001F;
    Picture topDown = Make(40, 8);
    topDown.height = -5;
    pictures.push_back(topDown);
    // Run-length pictures: runs, end of line and end of picture from the
    // encoder; a delta and absolute runs written out.
    pictures.push_back(Make(40, 8, 0, BI_RLE8));
    pictures.push_back(Make(40, 4, 0, BI_RLE4));
    Picture rle8 = Make(40, 8, 0, BI_RLE8);
    rle8.stream = {2, 1, 0, 2, 1, 1, 0, 3, 5, 6, 7, 0, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1};
    pictures.push_back(rle8);
    Picture rle4 = Make(40, 4, 0, BI_RLE4);
    rle4.stream = {3, 0x12, 0, 2, 1, 1, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 0, 1};
    pictures.push_back(rle4);
    int n = 0;
    for (const Picture &p : pictures) {
        bmptest::Write(std::string(directory) + "/seed" + std::to_string(n++) + ".bmp",
                       bmptest::File(p));
    }
}

// Run-length pictures load when their stored image size names a stream that
// lies inside the block after the colour table; the rows they would take
// uncompressed do not matter.
TEST_F(BitmapTest, RunLengthPicturesLoadWhenTheirStreamLiesInTheBlock) {
    const std::vector<std::uint8_t> stream = {2, 1, 0, 0, 3, 2, 0, 1};
    struct Case {
        const char *label;
        std::uint32_t header;
        std::uint16_t bits;
        std::uint32_t compression;
        std::int32_t height;
        std::optional<std::uint32_t> imageSize; // unset: the stream's length
        int extraBytes;                         // after the stream
        bool loads;
    } cases[] = {
        {"8 bits", 40, 8, BI_RLE8, 2, {}, 0, true},
        {"4 bits", 40, 4, BI_RLE4, 2, {}, 0, true},
        {"8 bits, 124-byte header", 124, 8, BI_RLE8, 2, {}, 0, true},
        {"bytes after the stream", 40, 8, BI_RLE8, 2, {}, 5, true},
        {"image size short of the stream", 40, 8, BI_RLE8, 2, 4u, 0, true},
        {"image size to the block's end", 40, 8, BI_RLE8, 2, 11u, 3, true},
        {"image size one past the block's end", 40, 8, BI_RLE8, 2, 9u, 0, false},
        {"image size 4 GB", 40, 8, BI_RLE8, 2, 0xFFFFFFFFu, 0, false},
        {"image size 0", 40, 8, BI_RLE8, 2, 0u, 0, false},
        {"RLE8 on 4 bits", 40, 4, BI_RLE8, 2, {}, 0, false},
        {"RLE4 on 8 bits", 40, 8, BI_RLE4, 2, {}, 0, false},
        {"RLE8 on 24 bits", 40, 24, BI_RLE8, 2, {}, 0, false},
        {"stored top row first", 40, 8, BI_RLE8, -2, {}, 0, false},
        {"64-byte header", 64, 8, BI_RLE8, 2, {}, 0, false},
        {"a picture far larger than its stream", 40, 8, BI_RLE8, 30000, {}, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        standin::Reset();
        standin::MapDrive('D', root_);
        Picture p = WithHeader(c.header, c.bits);
        p.compression = c.compression;
        p.height = c.height;
        p.width = 3000;
        p.stream = stream;
        p.stream.insert(p.stream.end(), static_cast<std::size_t>(c.extraBytes), 0xEE);
        p.imageSize = c.imageSize.has_value()
                          ? c.imageSize
                          : std::optional<std::uint32_t>(static_cast<std::uint32_t>(stream.size()));
        BYTE *block = Load(bmptest::File(p));
        EXPECT_EQ(block != nullptr, c.loads);
        EXPECT_EQ(standin::OpenFileCount(), 0);
        EXPECT_EQ(standin::LiveGlobalBlocks(), c.loads ? 1 : 0);
        FreeBitmapBlock(block);
    }
}

} // namespace
