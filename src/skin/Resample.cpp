#include "skin/Resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Weights are fixed-point with 14 fraction bits: integer sums stay within 32 bits over both
// passes, and the program resamples at start-up, where floating point on i686 costs too much.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
// Across, samples keep 8 fraction bits for the pass down; both round to nearest.
constexpr int kAcrossShift = kWeightBits - 8;
constexpr int kDownShift = kWeightBits + 8;

// The span is the most any target pixel needs (2 when 192-DPI art is shrunk to 144), and no tap
// reaches past the image: the loops below then run a fixed count without a test per pixel.
using Taps = ResampleTaps;

// The weights of target pixel t over the source pixels from the one returned on, as fractions;
// w holds as many as any target pixel can reach and comes in filled with zeros.
int RealWeights(int t, int sourceLength, double ratio, std::vector<double>& w) {
    if (ratio >= 1.0) {
        // Area: the source interval [t, t + 1) * ratio, clipped to the image.
        const double from = t * ratio;
        const double to = std::min((t + 1) * ratio, static_cast<double>(sourceLength));
        const int start = std::min(static_cast<int>(from), sourceLength - 1);
        for (int i = 0; i < static_cast<int>(w.size()) && start + i < sourceLength; ++i) {
            const int s = start + i;
            w[static_cast<size_t>(i)] = std::max(std::min(to, s + 1.0) - std::max(from, static_cast<double>(s)), 0.0);
        }
        return start;
    }
    // Linear between the two nearest source pixel centres, edges held.
    const double centre = std::clamp((t + 0.5) * ratio - 0.5, 0.0, sourceLength - 1.0);
    const int start = std::min(static_cast<int>(centre), std::max(sourceLength - 2, 0));
    const double frac = std::min(centre - start, 1.0);
    w[0] = 1.0 - frac;
    if (start + 1 < sourceLength) w[1] = frac;
    return start;
}

// The fractions as integer weights that add up to exactly one, the remainder on the largest;
// returns how many of them, from the first, it takes to hold every weight that is not zero.
int FixedWeights(std::vector<double>& w, int32_t* out) {
    double sum = 0;
    for (double v : w) sum += v;
    if (sum <= 0) {
        w[0] = sum = 1;  // beyond the image's end: its last pixel
    }
    const int reach = static_cast<int>(w.size());
    int total = 0, largest = 0;
    for (int i = 0; i < reach; ++i) {
        out[i] = static_cast<int32_t>(w[static_cast<size_t>(i)] / sum * kOne + 0.5);
        total += out[i];
        if (out[i] > out[largest]) largest = i;
    }
    out[largest] += kOne - total;
    for (int i = reach - 1; i >= 0; --i) {
        if (out[i] != 0) return i + 1;
    }
    return 1;
}

// ratio: source pixels per target pixel.
Taps TapsFor(int targetLength, int sourceLength, double ratio) {
    const int reach = ratio >= 1.0 ? static_cast<int>(ratio) + 2 : 2;
    std::vector<int> first(static_cast<size_t>(targetLength));
    std::vector<int32_t> wide(static_cast<size_t>(targetLength) * reach, 0);
    std::vector<double> w(static_cast<size_t>(reach));
    int span = 1;
    for (int t = 0; t < targetLength; ++t) {
        std::fill(w.begin(), w.end(), 0.0);
        first[static_cast<size_t>(t)] = RealWeights(t, sourceLength, ratio, w);
        span = std::max(span, FixedWeights(w, &wide[static_cast<size_t>(t) * reach]));
    }

    Taps taps;
    taps.span = std::min(span, sourceLength);
    taps.first = std::move(first);
    taps.weights.assign(static_cast<size_t>(targetLength) * taps.span, 0);
    for (int t = 0; t < targetLength; ++t) {
        // Near the end the taps start earlier, so that all of them lie in the image; the
        // weights move along, and the pixels added in front weigh nothing.
        const int start = taps.first[static_cast<size_t>(t)];
        const int shift = std::max(start + taps.span - sourceLength, 0);
        taps.first[static_cast<size_t>(t)] = start - shift;
        for (int i = 0; i < taps.span - shift; ++i) {
            taps.weights[static_cast<size_t>(t) * taps.span + shift + i] = wide[static_cast<size_t>(t) * reach + i];
        }
    }
    return taps;
}

// One source row across: 8.8 fixed-point samples, three per target pixel.
template <int kSpan>
void AcrossRow(const BYTE* row, const Taps& across, int span, int width, uint16_t* out) {
    const int n = kSpan > 0 ? kSpan : span;
    const int32_t* w = across.weights.data();
    const int* first = across.first.data();
    for (int x = 0; x < width; ++x, w += n, out += 3) {
        const BYTE* p = row + first[x] * 3;
        int32_t c0 = 0, c1 = 0, c2 = 0;
        for (int i = 0; i < n; ++i, p += 3) {
            c0 += w[i] * p[0];
            c1 += w[i] * p[1];
            c2 += w[i] * p[2];
        }
        out[0] = static_cast<uint16_t>((c0 + (1 << (kAcrossShift - 1))) >> kAcrossShift);
        out[1] = static_cast<uint16_t>((c1 + (1 << (kAcrossShift - 1))) >> kAcrossShift);
        out[2] = static_cast<uint16_t>((c2 + (1 << (kAcrossShift - 1))) >> kAcrossShift);
    }
}

// One target row down from `span` rows across.
template <int kSpan>
void DownRow(const uint16_t* const* rows, const int32_t* w, int span, size_t samples, BYTE* out) {
    const int n = kSpan > 0 ? kSpan : span;
    for (size_t k = 0; k < samples; ++k) {
        int32_t sum = 0;
        for (int i = 0; i < n; ++i) sum += w[i] * rows[i][k];
        out[k] = static_cast<BYTE>(std::min((sum + (1 << (kDownShift - 1))) >> kDownShift, 255));
    }
}

}  // namespace

bool CRowResampler::Begin(int sourceWidth, int sourceHeight, int sourceDpi, CPackedDib& target, int targetDpi,
                          int width, int height) {
    target.Release();
    m_target = nullptr;
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0 || sourceDpi <= 0 || targetDpi <= 0) {
        return false;
    }
    const double ratio = static_cast<double>(sourceDpi) / targetDpi;
    m_across = TapsFor(width, sourceWidth, ratio);
    m_down = TapsFor(height, sourceHeight, ratio);
    if (!target.Create(width, height, 24)) return false;
    m_samples = static_cast<size_t>(width) * 3;
    m_store.reset(new uint16_t[m_samples * static_cast<size_t>(m_down.span)]);
    m_lastSource.assign(static_cast<size_t>(sourceWidth) * 3, 0);
    m_target = &target;
    m_nextSource = 0;
    m_nextTarget = 0;
    m_runStart = 0;
    return true;
}

void CRowResampler::Row(const BYTE* pixels) {
    if (m_target == nullptr || m_nextSource >= m_down.first.back() + m_down.span) return;
    const int slots = m_down.span;
    const int r = m_nextSource++;
    const int width = m_target->Width();
    uint16_t* slot = m_store.get() + m_samples * static_cast<size_t>(r % slots);
    if (r > 0 && std::memcmp(pixels, m_lastSource.data(), m_lastSource.size()) == 0) {
        // The same row across as the one before, already in its slot.
        const uint16_t* before = m_store.get() + m_samples * static_cast<size_t>((r - 1) % slots);
        if (before != slot) std::memcpy(slot, before, m_samples * sizeof(uint16_t));
    } else {
        switch (m_across.span) {
        case 2: AcrossRow<2>(pixels, m_across, 2, width, slot); break;
        case 3: AcrossRow<3>(pixels, m_across, 3, width, slot); break;
        default: AcrossRow<0>(pixels, m_across, m_across.span, width, slot); break;
        }
        std::memcpy(m_lastSource.data(), pixels, m_lastSource.size());
        m_runStart = r;
    }
    // Every target row whose last source row this is: its other rows are the slots' others.
    const uint16_t* rows[16];
    std::vector<const uint16_t*> manyRows;
    const uint16_t** in = rows;
    if (slots > 16) {
        manyRows.resize(static_cast<size_t>(slots));
        in = manyRows.data();
    }
    const int height = m_target->Height();
    while (m_nextTarget < height && m_down.first[static_cast<size_t>(m_nextTarget)] + slots - 1 == r) {
        const int y = m_nextTarget++;
        const int first = m_down.first[static_cast<size_t>(y)];
        BYTE* out = m_target->Bits() + static_cast<size_t>(height - 1 - y) * m_target->Stride();
        if (first >= m_runStart && y > 0 && m_down.first[static_cast<size_t>(y - 1)] >= m_runStart) {
            // Both rows average equal rows with weights that add up to exactly one: the same
            // pixels, whatever the weights.
            std::memcpy(out, out + m_target->Stride(), m_samples);
            continue;
        }
        for (int i = 0; i < slots; ++i) in[i] = m_store.get() + m_samples * static_cast<size_t>((first + i) % slots);
        const int32_t* w = &m_down.weights[static_cast<size_t>(y) * slots];
        switch (slots) {
        case 2: DownRow<2>(in, w, 2, m_samples, out); break;
        case 3: DownRow<3>(in, w, 3, m_samples, out); break;
        default: DownRow<0>(in, w, slots, m_samples, out); break;
        }
    }
}

bool ResampleDib(const CPackedDib& source, int sourceDpi, CPackedDib& target, int targetDpi, int width, int height) {
    CRowResampler resampler;
    if (source.BitCount() != 24 ||
        !resampler.Begin(source.Width(), source.Height(), sourceDpi, target, targetDpi, width, height)) {
        target.Release();
        return false;
    }
    // Rows top-down, DIB rows bottom-up.
    for (int r = 0; r < source.Height(); ++r) {
        resampler.Row(source.Bits() + static_cast<size_t>(source.Height() - 1 - r) * source.Stride());
    }
    return resampler.Done();
}
