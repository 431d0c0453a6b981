// The overlay's seven lines: their formats and where they stand. The Korean texts are held as
// code page 949 bytes (the UTF-8 text is in the comment beside each), as the font's byte-string
// call takes them.
#pragma once

inline constexpr int kOverlayLineCount = 7;
inline constexpr int kOverlayX = 1;
// The font's height in pixels, the step between lines.
inline constexpr int kOverlayFontHeight = 20;

// "FPS: %f"
inline constexpr char kOverlayFrameRate[] = "FPS: %f";
// "[CAMERA]X:%f, Y:%f, Z:%f"
inline constexpr char kOverlayCamera[] = "[CAMERA]X:%f, Y:%f, Z:%f";
// "[광원]X:%f, Y:%f, Z:%f"
inline constexpr char kOverlayLight[] = "[\xb1\xa4\xbf\xf8]X:%f, Y:%f, Z:%f";
// "[Camera이동] W/A/S/D [Roll] Q/E [↑↓] R/F"
inline constexpr char kOverlayCameraMoveHelp[] =
    "[Camera\xc0\xcc\xb5\xbf] W/A/S/D [Roll] Q/E [\xa1\xe8\xa1\xe9] R/F";
// "[Camera회전] 마우스 R 버튼"
inline constexpr char kOverlayCameraTurnHelp[] =
    "[Camera\xc8\xb8\xc0\xfc] \xb8\xb6\xbf\xec\xbd\xba R \xb9\xf6\xc6\xb0";
// "[Light이동] [X이동]NUM8/NUM5 [Y이동]NUM4/NUM6 [Z이동]NUM7/NUM9"
inline constexpr char kOverlayLightHelp[] =
    "[Light\xc0\xcc\xb5\xbf] [X\xc0\xcc\xb5\xbf]NUM8/NUM5 [Y\xc0\xcc\xb5\xbf]NUM4/NUM6 "
    "[Z\xc0\xcc\xb5\xbf]NUM7/NUM9";
// "[WIRE/SOLID] SPACE BAR"
inline constexpr char kOverlayFillHelp[] = "[WIRE/SOLID] SPACE BAR";
// The key help, the last four lines, in drawing order.
inline constexpr int kOverlayHelpLineCount = 4;
inline constexpr const char* kOverlayHelp[kOverlayHelpLineCount] = {
    kOverlayCameraMoveHelp, kOverlayCameraTurnHelp, kOverlayLightHelp, kOverlayFillHelp};

// y of each line, in drawing order: steps of the font height.
inline constexpr int kOverlayY[kOverlayLineCount] = {10, 30, 50, 70, 90, 110, 130};
