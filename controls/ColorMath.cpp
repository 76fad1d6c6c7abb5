#include "controls/ColorMath.h"

#include <algorithm>

namespace {

constexpr int HLSMax = 240;
constexpr int RGBMax = 255;
constexpr int UndefinedHue = HLSMax * 2 / 3;

int HueToRGB(int N1, int N2, int Hue)
{
    if (Hue < 0)
        Hue += HLSMax;
    if (Hue > HLSMax)
        Hue -= HLSMax;
    if (Hue < HLSMax / 6)
        return N1 + ((N2 - N1) * Hue + HLSMax / 12) / (HLSMax / 6);
    if (Hue < HLSMax / 2)
        return N2;
    if (Hue < HLSMax * 2 / 3)
        return N1 + ((N2 - N1) * (HLSMax * 2 / 3 - Hue) + HLSMax / 12) / (HLSMax / 6);
    return N1;
}

} // namespace

THLSColor ColorRGBToHLS(const QColor& Color)
{
    const int R = Color.red();
    const int G = Color.green();
    const int B = Color.blue();
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

QColor ColorHLSToRGB(const THLSColor& Hls)
{
    const int Hue = std::clamp(Hls.Hue, 0, HLSMax);
    const int Lum = std::clamp(Hls.Luminance, 0, HLSMax);
    const int Sat = std::clamp(Hls.Saturation, 0, HLSMax);
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
    auto Channel = [&](int H) {
        return std::clamp((HueToRGB(Magic1, Magic2, H) * RGBMax + HLSMax / 2) / HLSMax, 0, RGBMax);
    };
    return QColor(Channel(Hue + HLSMax / 3), Channel(Hue), Channel(Hue - HLSMax / 3));
}

QColor ColorAdjustLuma(const QColor& Color, int Amount)
{
    if (!Color.isValid())
        return Color;
    THLSColor Hls = ColorRGBToHLS(Color);
    Hls.Luminance += Amount;
    return ColorHLSToRGB(Hls);
}

QColor ShadowColor(const QColor& Color)
{
    return ColorAdjustLuma(Color, -50);
}

QColor BlendColors(const QColor& A, const QColor& B, int Weight)
{
    Weight = std::clamp(Weight, 0, 255);
    auto Mix = [Weight](int X, int Y) { return (Weight * X + (255 - Weight) * Y) / 256; };
    return QColor(Mix(A.red(), B.red()), Mix(A.green(), B.green()), Mix(A.blue(), B.blue()));
}
