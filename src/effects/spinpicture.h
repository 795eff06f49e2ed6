#pragma once
// The spin picture: "zeptor.img" enlarged to the full screen and laid over it by
// its alpha, with, in chosen sub-windows, a copy turning one degree every 24 ms
// about the screen centre added on top. Seven returns, one frame routine each.
#include <cstdint>
#include "raster/image.h"

extern Image SpinPictureImage;  // 1280 x 720, built once
extern int32_t SpinAngle;       // angle of the last spin, in degrees

void initSpinPicture();
void drawSpinPicture1();
void drawSpinPicture2();
void drawSpinPicture3();
void drawSpinPicture4();
void drawSpinPicture5();
void drawSpinPicture6();
void drawSpinPicture7();
void freeSpinPicture();
