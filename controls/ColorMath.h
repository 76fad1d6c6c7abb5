#pragma once

#include <QColor>

// Colour arithmetic of the custom-painted controls. Hue, luminance and saturation use a 0..240 scale;
// the "no colour" value is an invalid QColor (no fill, or no explicit frame colour).

struct THLSColor {
    int Hue = 0;
    int Luminance = 0;
    int Saturation = 0;
};

// RGB to hue/luminance/saturation (0..240 each; a grey has saturation 0 and hue 160).
THLSColor ColorRGBToHLS(const QColor& AColor);
// Back to RGB; values outside 0..240 are clamped first.
QColor ColorHLSToRGB(const THLSColor& AHls);
// The colour with its luminance raised (positive Amount) or lowered (negative), clamped to 0..240.
// An invalid colour stays invalid.
QColor ColorAdjustLuma(const QColor& AColor, int AAmount);
// The frame colour derived from a fill: the luminance lowered by 50.
QColor ShadowColor(const QColor& AColor);
// Per channel (Weight * A + (255 - Weight) * B) div 256, Weight in 0..255.
QColor BlendColors(const QColor& AA, const QColor& AB, int AWeight);
