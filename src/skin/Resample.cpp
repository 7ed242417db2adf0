#include "skin/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The source pixels one target pixel draws on, with their weights (summing to 1).
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

// ratio: source pixels per target pixel.
std::vector<Taps> TapsFor(int targetLength, int sourceLength, double ratio) {
    std::vector<Taps> all(static_cast<size_t>(targetLength));
    for (int t = 0; t < targetLength; ++t) {
        Taps& taps = all[static_cast<size_t>(t)];
        if (ratio >= 1.0) {
            // Area: the source interval [t, t + 1) * ratio, clipped to the image.
            const double from = t * ratio;
            const double to = std::min((t + 1) * ratio, static_cast<double>(sourceLength));
            taps.first = std::min(static_cast<int>(from), sourceLength - 1);
            for (int s = taps.first; s < sourceLength && (s < to || s == taps.first); ++s) {
                const double cover = std::min(to, s + 1.0) - std::max(from, static_cast<double>(s));
                taps.weights.push_back(static_cast<float>(std::max(cover, 0.0)));
            }
        } else {
            // Linear between the two nearest source pixel centres, edges held.
            const double centre = std::clamp((t + 0.5) * ratio - 0.5, 0.0, sourceLength - 1.0);
            taps.first = std::min(static_cast<int>(centre), std::max(sourceLength - 2, 0));
            const double frac = std::min(centre - taps.first, 1.0);
            taps.weights = {static_cast<float>(1.0 - frac)};
            if (taps.first + 1 < sourceLength) taps.weights.push_back(static_cast<float>(frac));
        }
        float sum = 0;
        for (float w : taps.weights) sum += w;
        if (sum <= 0) {
            taps.weights.assign(1, 1.0f);
            sum = 1;
        }
        for (float& w : taps.weights) w /= sum;
    }
    return all;
}

}  // namespace

bool ResampleDib(const CPackedDib& source, int sourceDpi, CPackedDib& target, int targetDpi, int width, int height) {
    target.Release();
    if (source.BitCount() != 24 || source.Width() <= 0 || source.Height() <= 0 || width <= 0 || height <= 0 ||
        sourceDpi <= 0 || targetDpi <= 0) {
        return false;
    }
    const double ratio = static_cast<double>(sourceDpi) / targetDpi;
    const std::vector<Taps> across = TapsFor(width, source.Width(), ratio);
    const std::vector<Taps> down = TapsFor(height, source.Height(), ratio);

    // Rows top-down in both passes; the DIBs store them bottom-up.
    const int srcHeight = source.Height();
    auto sourceRow = [&](int y) { return source.Bits() + static_cast<size_t>(srcHeight - 1 - y) * source.Stride(); };
    std::vector<float> wide(static_cast<size_t>(width) * 3 * srcHeight);
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* row = sourceRow(y);
        float* out = &wide[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            const Taps& taps = across[static_cast<size_t>(x)];
            float c[3] = {};
            for (size_t i = 0; i < taps.weights.size(); ++i) {
                const BYTE* p = row + (taps.first + static_cast<int>(i)) * 3;
                for (int k = 0; k < 3; ++k) c[k] += taps.weights[i] * p[k];
            }
            for (int k = 0; k < 3; ++k) out[x * 3 + k] = c[k];
        }
    }

    if (!target.Create(width, height, 24)) return false;
    for (int y = 0; y < height; ++y) {
        const Taps& taps = down[static_cast<size_t>(y)];
        BYTE* out = target.Bits() + static_cast<size_t>(height - 1 - y) * target.Stride();
        for (int x = 0; x < width * 3; ++x) {
            float v = 0;
            for (size_t i = 0; i < taps.weights.size(); ++i) {
                v += taps.weights[i] * wide[(static_cast<size_t>(taps.first) + i) * width * 3 + x];
            }
            out[x] = static_cast<BYTE>(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    return true;
}
