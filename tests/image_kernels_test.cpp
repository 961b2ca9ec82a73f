// The fast pixel kernels against their per-pixel twins, bit for bit, over random inputs and
// positions.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/gdiplus/fill_kernels.h"
#include "platform/gdiplus/image_kernels.h"

namespace {

// Every vector version of each kernel that this processor runs, by name.
using BlockKernel = void (*)(const Surface&, PixelRect, const uint32_t*, int32_t, uint32_t, uint32_t);
using PhaseKernel = void (*)(uint32_t*, int32_t, int32_t, const BlendTerms*);

std::vector<std::pair<const char*, BlockKernel>> blockKernels() {
    std::vector<std::pair<const char*, BlockKernel>> kernels{{"dispatched", blendBlock}};
#if DELUGE_HAS_SSE2
    kernels.push_back({"SSE2", blendBlockSse2});
#endif
#if DELUGE_HAS_AVX2
    if (processorHasAvx2()) kernels.push_back({"AVX2", blendBlockAvx2});
#endif
    return kernels;
}

std::vector<std::pair<const char*, PhaseKernel>> phaseKernels() {
    std::vector<std::pair<const char*, PhaseKernel>> kernels{{"dispatched", blendPhases}};
#if DELUGE_HAS_SSE2
    kernels.push_back({"SSE2", blendPhasesSse2});
#endif
#if DELUGE_HAS_AVX2
    if (processorHasAvx2()) kernels.push_back({"AVX2", blendPhasesAvx2});
#endif
    return kernels;
}

TEST(ImageKernels, BlendBlockMatchesItsPlainTwin) {
    std::mt19937 random(7);
    auto byte = [&] { return uint32_t(random() & 0xFF); };
    for (int trial = 0; trial < 2000; ++trial) {
        int32_t columns = 1 + int32_t(random() % (maxBlockTexels - 1));
        int32_t rows = 1 + int32_t(random() % (maxBlockTexels - 1));
        std::vector<uint32_t> block(size_t(maxBlockTexels) * maxBlockTexels);
        for (uint32_t& texel : block) {
            uint32_t straight = byte() | byte() << 8 | byte() << 16 | (trial % 3 ? byte() : 0xFF) << 24;
            texel = random() % 4 ? premultiply(straight) : 0;
        }
        Surface fast{nullptr, columns + 3, rows + 3, columns + 3};
        std::vector<uint32_t> fastPixels(size_t(fast.width) * fast.height), plainPixels;
        for (uint32_t& p : fastPixels) p = premultiply(byte() | byte() << 8 | byte() << 16 | byte() << 24);
        plainPixels = fastPixels;
        Surface plain = fast;
        plain.pixels = plainPixels.data();
        PixelRect area{1, 2, 1 + columns, 2 + rows};
        uint32_t wx = random() % 256, wy = random() % 256;
        blendBlockPlain(plain, area, block.data(), maxBlockTexels, wx, wy);
        for (auto [name, kernel] : blockKernels()) {
            std::vector<uint32_t> pixels = fastPixels;
            fast.pixels = pixels.data();
            kernel(fast, area, block.data(), maxBlockTexels, wx, wy);
            ASSERT_EQ(pixels, plainPixels) << name << ", trial " << trial << " weights " << wx << "," << wy;
        }
    }
}

// Random brush phases (opaque, transparent and partial alphas) over random rows and spans.
TEST(FillKernels, BlendPhasesMatchesItsPlainTwin) {
    std::mt19937 random(11);
    auto byte = [&] { return uint32_t(random() & 0xFF); };
    for (int trial = 0; trial < 2000; ++trial) {
        BlendTerms phase[8];
        for (BlendTerms& terms : phase) {
            uint32_t alpha = trial % 5 == 0 ? 255 : trial % 7 == 0 ? 0 : byte();
            terms = blendTermsOf(byte() | byte() << 8 | byte() << 16, alpha);
        }
        std::vector<uint32_t> fast(48);
        for (uint32_t& p : fast) p = byte() | byte() << 8 | byte() << 16 | byte() << 24;
        std::vector<uint32_t> plain = fast;
        auto from = int32_t(random() % 40);
        auto to = from + int32_t(random() % (49 - from));
        blendPhasesPlain(plain.data(), from, to, phase);
        for (auto [name, kernel] : phaseKernels()) {
            std::vector<uint32_t> pixels = fast;
            kernel(pixels.data(), from, to, phase);
            ASSERT_EQ(pixels, plain) << name << ", trial " << trial << " span " << from << ".." << to;
        }
    }
}

}  // namespace
