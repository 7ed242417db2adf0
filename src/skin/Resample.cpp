#include "skin/Resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Weights are fixed-point with 14 fraction bits: integer sums stay within 32 bits over both
// passes, and the program resamples at start-up, where floating point on i686 costs too much.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;

// For each target pixel, the first source pixel it draws on and how many; their weights sit
// side by side in one array, `span` entries per target pixel (unused ones are zero).
struct Taps {
    int span = 0;
    std::vector<int> first;
    std::vector<int> weights;
};

// ratio: source pixels per target pixel.
Taps TapsFor(int targetLength, int sourceLength, double ratio) {
    Taps taps;
    taps.span = ratio >= 1.0 ? static_cast<int>(ratio) + 2 : 2;
    taps.first.resize(static_cast<size_t>(targetLength));
    taps.weights.assign(static_cast<size_t>(targetLength) * taps.span, 0);
    std::vector<double> w(static_cast<size_t>(taps.span));
    for (int t = 0; t < targetLength; ++t) {
        std::fill(w.begin(), w.end(), 0.0);
        int first = 0;
        if (ratio >= 1.0) {
            // Area: the source interval [t, t + 1) * ratio, clipped to the image.
            const double from = t * ratio;
            const double to = std::min((t + 1) * ratio, static_cast<double>(sourceLength));
            first = std::min(static_cast<int>(from), sourceLength - 1);
            for (int i = 0; i < taps.span && first + i < sourceLength; ++i) {
                const int s = first + i;
                w[static_cast<size_t>(i)] = std::max(std::min(to, s + 1.0) - std::max(from, static_cast<double>(s)), 0.0);
            }
        } else {
            // Linear between the two nearest source pixel centres, edges held.
            const double centre = std::clamp((t + 0.5) * ratio - 0.5, 0.0, sourceLength - 1.0);
            first = std::min(static_cast<int>(centre), std::max(sourceLength - 2, 0));
            const double frac = std::min(centre - first, 1.0);
            w[0] = 1.0 - frac;
            if (first + 1 < sourceLength) w[1] = frac;
        }
        double sum = 0;
        for (double v : w) sum += v;
        if (sum <= 0) {
            w[0] = sum = 1;  // beyond the image's end: its last pixel
        }
        // Integer weights that add up to exactly one, the remainder on the largest.
        int* out = &taps.weights[static_cast<size_t>(t) * taps.span];
        int total = 0, largest = 0;
        for (int i = 0; i < taps.span; ++i) {
            out[i] = static_cast<int>(w[static_cast<size_t>(i)] / sum * kOne + 0.5);
            total += out[i];
            if (out[i] > out[largest]) largest = i;
        }
        out[largest] += kOne - total;
        taps.first[static_cast<size_t>(t)] = first;
    }
    return taps;
}

}  // namespace

bool ResampleDib(const CPackedDib& source, int sourceDpi, CPackedDib& target, int targetDpi, int width, int height) {
    target.Release();
    if (source.BitCount() != 24 || source.Width() <= 0 || source.Height() <= 0 || width <= 0 || height <= 0 ||
        sourceDpi <= 0 || targetDpi <= 0) {
        return false;
    }
    const double ratio = static_cast<double>(sourceDpi) / targetDpi;
    const Taps across = TapsFor(width, source.Width(), ratio);
    const Taps down = TapsFor(height, source.Height(), ratio);

    // Across first, into rows of 8.8 fixed-point samples; rows top-down, DIB rows bottom-up.
    const int srcWidth = source.Width(), srcHeight = source.Height();
    const size_t rowSamples = static_cast<size_t>(width) * 3;
    std::vector<uint16_t> wide(rowSamples * srcHeight);
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* row = source.Bits() + static_cast<size_t>(srcHeight - 1 - y) * source.Stride();
        uint16_t* out = &wide[static_cast<size_t>(y) * rowSamples];
        for (int x = 0; x < width; ++x) {
            const int* w = &across.weights[static_cast<size_t>(x) * across.span];
            const int first = across.first[static_cast<size_t>(x)];
            const int count = std::min(across.span, srcWidth - first);
            int32_t c0 = 0, c1 = 0, c2 = 0;
            for (int i = 0; i < count; ++i) {
                const BYTE* p = row + (first + i) * 3;
                c0 += w[i] * p[0];
                c1 += w[i] * p[1];
                c2 += w[i] * p[2];
            }
            constexpr int shift = kWeightBits - 8;
            out[x * 3] = static_cast<uint16_t>((c0 + (1 << (shift - 1))) >> shift);
            out[x * 3 + 1] = static_cast<uint16_t>((c1 + (1 << (shift - 1))) >> shift);
            out[x * 3 + 2] = static_cast<uint16_t>((c2 + (1 << (shift - 1))) >> shift);
        }
    }

    if (!target.Create(width, height, 24)) return false;
    std::vector<int32_t> sums(rowSamples);
    for (int y = 0; y < height; ++y) {
        const int* w = &down.weights[static_cast<size_t>(y) * down.span];
        const int first = down.first[static_cast<size_t>(y)];
        const int count = std::min(down.span, srcHeight - first);
        std::fill(sums.begin(), sums.end(), 0);
        for (int i = 0; i < count; ++i) {
            if (w[i] == 0) continue;
            const uint16_t* in = &wide[static_cast<size_t>(first + i) * rowSamples];
            for (size_t k = 0; k < rowSamples; ++k) sums[k] += w[i] * in[k];
        }
        BYTE* out = target.Bits() + static_cast<size_t>(height - 1 - y) * target.Stride();
        constexpr int shift = kWeightBits + 8;
        for (size_t k = 0; k < rowSamples; ++k) {
            out[k] = static_cast<BYTE>(std::min((sums[k] + (1 << (shift - 1))) >> shift, 255));
        }
    }
    return true;
}
