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
    const int R = AColor.red();
    const int G = AColor.green();
    const int B = AColor.blue();
    const int CMax = std::max({R, G, B});
    const int CMin = std::min({R, G, B});
    THLSColor Result;
    Result.Luminance = ((CMax + CMin) * HLSMax + RGBMax) / (2 * RGBMax);
    if (CMax == CMin) {
        Result.Saturation = 0;
        Result.Hue = UndefinedHue;
        return Result;
    }
    const int Range = CMax - CMin;
    if (Result.Luminance <= HLSMax / 2)
        Result.Saturation = (Range * HLSMax + (CMax + CMin) / 2) / (CMax + CMin);
    else
        Result.Saturation = (Range * HLSMax + (2 * RGBMax - CMax - CMin) / 2) / (2 * RGBMax - CMax - CMin);
    const int RDelta = ((CMax - R) * (HLSMax / 6) + Range / 2) / Range;
    const int GDelta = ((CMax - G) * (HLSMax / 6) + Range / 2) / Range;
    const int BDelta = ((CMax - B) * (HLSMax / 6) + Range / 2) / Range;
    int Hue;
    if (R == CMax)
        Hue = BDelta - GDelta;
    else if (G == CMax)
        Hue = HLSMax / 3 + RDelta - BDelta;
    else
        Hue = 2 * HLSMax / 3 + GDelta - RDelta;
    if (Hue < 0)
        Hue += HLSMax;
    if (Hue > HLSMax)
        Hue -= HLSMax;
    Result.Hue = Hue;
    return Result;
}

QColor ColorHLSToRGB(const THLSColor& AHls)
{
    const int Hue = std::clamp(AHls.Hue, 0, HLSMax);
    const int Lum = std::clamp(AHls.Luminance, 0, HLSMax);
    const int Sat = std::clamp(AHls.Saturation, 0, HLSMax);
    if (Sat == 0) {
        const int V = Lum * RGBMax / HLSMax;
        return QColor(V, V, V);
    }
    int Magic2;
    if (Lum <= HLSMax / 2)
        Magic2 = (Lum * (HLSMax + Sat) + HLSMax / 2) / HLSMax;
    else
        Magic2 = Lum + Sat - (Lum * Sat + HLSMax / 2) / HLSMax;
    const int Magic1 = 2 * Lum - Magic2;
    auto Channel = [&](int h) {
        return std::clamp((HueToRGB(Magic1, Magic2, h) * RGBMax + HLSMax / 2) / HLSMax, 0, RGBMax);
    };
    return QColor(Channel(Hue + HLSMax / 3), Channel(Hue), Channel(Hue - HLSMax / 3));
}

QColor ColorAdjustLuma(const QColor& AColor, int AAmount)
{
    if (!AColor.isValid())
        return AColor;
    THLSColor Hls = ColorRGBToHLS(AColor);
    Hls.Luminance += AAmount;
    return ColorHLSToRGB(Hls);
}

QColor ShadowColor(const QColor& AColor)
{
    return ColorAdjustLuma(AColor, -50);
}

QColor BlendColors(const QColor& AA, const QColor& AB, int AWeight)
{
    AWeight = std::clamp(AWeight, 0, 255);
    auto Mix = [AWeight](int x, int y) { return (AWeight * x + (255 - AWeight) * y) / 256; };
    return QColor(Mix(AA.red(), AB.red()), Mix(AA.green(), AB.green()), Mix(AA.blue(), AB.blue()));
}
