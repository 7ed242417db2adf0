#include "skin/SkinImage.h"

#include "skin/PngResource.h"
#include "skin/Resample.h"

namespace {

// A length of art drawn for artDpi, at dpi: sizes follow the 96-DPI design, as every other
// coordinate of the window does.
int ScaledLength(int artLength, int artDpi, int dpi) {
    return CDpiScale(dpi).Scale(::MulDiv(artLength, kDesignDpi, artDpi));
}

// Decoded rows go straight into the resampler: the art is never laid out whole.
class ResamplingSink : public CPngRowSink {
public:
    ResamplingSink(CPackedDib& target, int artDpi, int dpi) : m_target(target), m_artDpi(artDpi), m_dpi(dpi) {}

    bool Begin(int width, int height) override {
        return m_resampler.Begin(width, height, m_artDpi, m_target, m_dpi, ScaledLength(width, m_artDpi, m_dpi),
                                 ScaledLength(height, m_artDpi, m_dpi));
    }
    void Row(const BYTE* pixels) override { m_resampler.Row(pixels); }
    bool Done() const { return m_resampler.Done(); }

private:
    CRowResampler m_resampler;
    CPackedDib& m_target;
    int m_artDpi, m_dpi;
};

}  // namespace

bool CSkinImage::Load(UINT pngId, int dpi) {
    const int artDpi = dpi > kDesignDpi ? kLargeArtDpi : kDesignDpi;
    const WORD artId = static_cast<WORD>(artDpi == kLargeArtDpi ? pngId + kLargeArtOffset : pngId);
    if (dpi == artDpi) return LoadPngResource(m_image, artId, nullptr);

    // A picture that cannot be read row by row is decoded whole first, which also reports what
    // is wrong with it.
    ResamplingSink sink(m_image, artDpi, dpi);
    if (StreamPngResource(artId, sink) && sink.Done()) return true;
    CPackedDib art;
    if (!LoadPngResource(art, artId, nullptr)) {
        m_image.Release();
        return false;
    }
    return ResampleDib(art, artDpi, m_image, dpi, ScaledLength(art.Width(), artDpi, dpi),
                       ScaledLength(art.Height(), artDpi, dpi));
}

void CSkinImage::Draw(HDC dc) { m_image.Draw(dc, 0, 0); }
