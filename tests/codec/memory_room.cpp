// The memory the codec counts its buffers against: the codec knows no operating system, so
// the room comes from the reading the platform registers when a backend starts, and a program
// of the codec alone has only the pixel cap and its own max_bytes to go by.
#include <errno.h>
#include <stdint.h>

#include <vector>

#include <gtest/gtest.h>

#include "codec/codec.h"
#include "platform/backend.h"

namespace {

const uint64_t HALF_OF_ALL = 1ull << 63;

// A BMP of width x width grey pixels, made by our own encoder.
std::vector<uint8_t> SquareBmp(int width) {
    std::vector<uint32_t> pixels((size_t)width * width, 0x00808080u);
    const CodecPicture picture{width, width, 32, width * 4, (const uint8_t*)pixels.data(), nullptr};
    std::vector<uint8_t> bytes;
    EXPECT_EQ(CodecEncodeBytes(CODEC_BMP, picture, &bytes), 0);
    return bytes;
}

uint64_t g_fake_room = 0;
uint64_t FakeRoom(void) { return g_fake_room; }

}  // namespace

// Cases run in this order when the binary runs whole: nothing registered, then a fake reading
// (taken back), then the platform's.
TEST(CodecMemoryRoom, UnboundedUntilALayerRegistersItsReading) {
    EXPECT_EQ(CodecDefaultLimits().max_bytes, UINT64_MAX);
    EXPECT_EQ(CodecDefaultLimits(HALF_OF_ALL).max_bytes, UINT64_MAX - HALF_OF_ALL);
}

// The registered room less the reserved bytes bounds the decoders' buffers: a 32 x 32 picture
// keeps 4096 bytes of pixels.
TEST(CodecMemoryRoom, RegisteredRoomBoundsTheDecode) {
    struct Case { uint64_t room, reserved, max_bytes; int code, error; };
    const Case cases[] = {
        {10000, 1000, 9000, 0, 0},     // fits
        {5000, 1000, 4000, 1, ENOMEM}, // the reserved bytes leave too little
        {4000, 9000, 0, 1, ENOMEM},    // more reserved than there is
    };
    const std::vector<uint8_t> bmp = SquareBmp(32);
    CodecSetMemoryRoom(FakeRoom);
    for (const Case& c : cases) {
        g_fake_room = c.room;
        const CodecLimits limits = CodecDefaultLimits(c.reserved);
        EXPECT_EQ(limits.max_bytes, c.max_bytes) << c.room;
        DecodedImage d;
        errno = 0;
        EXPECT_EQ(CodecDecodeBytes(bmp.data(), bmp.size(), limits, &d), c.code) << c.room;
        if (c.code) EXPECT_EQ(errno, c.error) << c.room;
        else EXPECT_EQ(d.width * 1000 + d.height, 32032);
        CodecFreeImage(&d);
    }
    CodecSetMemoryRoom(nullptr);
    EXPECT_EQ(CodecDefaultLimits().max_bytes, UINT64_MAX);
}

// A started backend lends the platform's reading, which no machine puts at half of all 64-bit
// sizes, so the codec's default limits now refuse such a reservation.
TEST(CodecMemoryRoom, StartedBackendLendsThePlatformReading) {
    ASSERT_EQ(PlatStartHeadless(640, 480, 32), 0);
    EXPECT_EQ(CodecDefaultLimits(HALF_OF_ALL).max_bytes, 0u);
    EXPECT_LT(CodecDefaultLimits().max_bytes, HALF_OF_ALL);
}
