#pragma once
// Quad3D: "3d.img" on a square tumbling about the horizontal screen axis in
// perspective, drawn by the polygon renderer over whatever Screen holds.
#include "effects/polygon3d.h"
#include "raster/image.h"
#include "raster/vecmath.h"

extern Image quadTexture;    // twice "3d.img" in each direction, dark texels keyed out
extern Polygon3D quadModel;  // corners (-1, -1) .. (1, 1) at z = 0, u and v 0..1
extern float quadAngle;      // radians, from DemoTime
extern Matrix4 quadRotation;
extern Matrix4 quadView;    // the camera at (0, 0, 10) looking at (0, 0, 1)
extern Polygon3D quadWork;  // this frame's copy of the model, projected

void initQuad3D();
// Window 53281..54299: quadAngle = quadAngleAt(DemoTime).
void drawQuad3D();
// float((53280 - time) / 96.0), the division in double.
float quadAngleAt(int32_t time);
void freeQuad3D();
