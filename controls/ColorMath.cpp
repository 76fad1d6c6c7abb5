#include "controls/ColorMath.h"

#include <algorithm>

namespace {

constexpr int HLSMax = 240;
constexpr int RGBMax = 255;
constexpr int UndefinedHue = HLSMax * 2 / 3;

int HueToRGB(int AN1, int AN2, int AHue)
{
    if (AHue < 0)
        AHue += HLSMax;
    if (AHue > HLSMax)
        AHue -= HLSMax;
    if (AHue < HLSMax / 6)
        return AN1 + ((AN2 - AN1) * AHue + HLSMax / 12) / (HLSMax / 6);
    if (AHue < HLSMax / 2)
        return AN2;
    if (AHue < HLSMax * 2 / 3)
        return AN1 + ((AN2 - AN1) * (HLSMax * 2 / 3 - AHue) + HLSMax / 12) / (HLSMax / 6);
    return AN1;
}

} // namespace

THLSColor ColorRGBToHLS(const QColor& AColor)
{
    const int r = AColor.red();
    const int g = AColor.green();
    const int b = AColor.blue();
    const int cMax = std::max({r, g, b});
    const int cMin = std::min({r, g, b});
    THLSColor result;
    result.Luminance = ((cMax + cMin) * HLSMax + RGBMax) / (2 * RGBMax);
    if (cMax == cMin) {
        result.Saturation = 0;
        result.Hue = UndefinedHue;
        return result;
    }
    const int range = cMax - cMin;
    if (result.Luminance <= HLSMax / 2)
        result.Saturation = (range * HLSMax + (cMax + cMin) / 2) / (cMax + cMin);
    else
        result.Saturation = (range * HLSMax + (2 * RGBMax - cMax - cMin) / 2) / (2 * RGBMax - cMax - cMin);
    const int rDelta = ((cMax - r) * (HLSMax / 6) + range / 2) / range;
    const int gDelta = ((cMax - g) * (HLSMax / 6) + range / 2) / range;
    const int bDelta = ((cMax - b) * (HLSMax / 6) + range / 2) / range;
    int hue;
    if (r == cMax)
        hue = bDelta - gDelta;
    else if (g == cMax)
        hue = HLSMax / 3 + rDelta - bDelta;
    else
        hue = 2 * HLSMax / 3 + gDelta - rDelta;
    if (hue < 0)
        hue += HLSMax;
    if (hue > HLSMax)
        hue -= HLSMax;
    result.Hue = hue;
    return result;
}

QColor ColorHLSToRGB(const THLSColor& AHls)
{
    const int hue = std::clamp(AHls.Hue, 0, HLSMax);
    const int lum = std::clamp(AHls.Luminance, 0, HLSMax);
    const int sat = std::clamp(AHls.Saturation, 0, HLSMax);
    if (sat == 0) {
        const int v = lum * RGBMax / HLSMax;
        return QColor(v, v, v);
    }
    int magic2;
    if (lum <= HLSMax / 2)
        magic2 = (lum * (HLSMax + sat) + HLSMax / 2) / HLSMax;
    else
        magic2 = lum + sat - (lum * sat + HLSMax / 2) / HLSMax;
    const int magic1 = 2 * lum - magic2;
    auto channel = [&](int h) {
        return std::clamp((HueToRGB(magic1, magic2, h) * RGBMax + HLSMax / 2) / HLSMax, 0, RGBMax);
    };
    return QColor(channel(hue + HLSMax / 3), channel(hue), channel(hue - HLSMax / 3));
}

QColor ColorAdjustLuma(const QColor& AColor, int AAmount)
{
    if (!AColor.isValid())
        return AColor;
    THLSColor hls = ColorRGBToHLS(AColor);
    hls.Luminance += AAmount;
    return ColorHLSToRGB(hls);
}

QColor ShadowColor(const QColor& AColor)
{
    return ColorAdjustLuma(AColor, -50);
}

QColor BlendColors(const QColor& AA, const QColor& AB, int AWeight)
{
    AWeight = std::clamp(AWeight, 0, 255);
    auto mix = [AWeight](int x, int y) { return (AWeight * x + (255 - AWeight) * y) / 256; };
    return QColor(mix(AA.red(), AB.red()), mix(AA.green(), AB.green()), mix(AA.blue(), AB.blue()));
}
