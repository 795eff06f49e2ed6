#pragma once
// The logo: "logo.img" enlarged by half, its bright areas filled with the drifting
// noise texture, blurred and laid over the screen by its own alpha at (200, 132),
// fading in from 16961 ms and out from 28841 ms.
#include "raster/image.h"

constexpr int32_t LogoX = 200;
constexpr int32_t LogoY = 132;

extern Image BigLogoImage;     // W * 1.5 by H * 1.5 (single precision, rounded)
extern Image LogoWorkImage;    // per-frame scratch
extern Image LogoOutputImage;  // per-frame scratch, blended onto Screen
extern Image LogoNoiseImage;   // complement of "dist.img", own copy
extern float LogoLevel;        // 0..255, never reset

void initLogo();
void drawLogo();
void freeLogo();
