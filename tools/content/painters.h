#pragma once
// The painters of the pictures, one file per motif family (pictures_*.cpp);
// pictures.cpp gives each picture its painter and seed.
#include "canvas.h"
#include "detmath.h"
#include "pictures.h"

constexpr double Pi = dm::Pi;

inline double clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

// Level 1, the darkest grey that is not the transparent black: behind text, a
// panel of it keeps the text opaque over whatever the show draws beneath.
constexpr double PanelLevel = 1 / 15.0;
inline void drawPanel(Canvas& cv, double x0, double y0, double x1, double y1) {
  fillRect(cv, x0, y0, x1, y1, PanelLevel, Ink::Max);
}

// Lettering (pictures_lettering.cpp).
void paintLetter(Canvas& cv, const PictureRecipe& recipe);
void paintDigit(Canvas& cv, const PictureRecipe& recipe);
void paintLogo(Canvas& cv, const PictureRecipe& recipe);
void paintEnd(Canvas& cv, const PictureRecipe& recipe);
void paintKurukulum(Canvas& cv, const PictureRecipe& recipe);
void paintSintable(Canvas& cv, const PictureRecipe& recipe);
void paintLineyka(Canvas& cv, const PictureRecipe& recipe);
void paintZifri(Canvas& cv, const PictureRecipe& recipe);
void paintThreeD(Canvas& cv, const PictureRecipe& recipe);
void paintGraf(Canvas& cv, const PictureRecipe& recipe);

// Anatomy (pictures_anatomy.cpp).
void paintBrain(Canvas& cv, const PictureRecipe& recipe);
void paintBrainbug(Canvas& cv, const PictureRecipe& recipe);
void paintLobotom(Canvas& cv, const PictureRecipe& recipe);
void paintSynapse(Canvas& cv, const PictureRecipe& recipe);
void paintSkeleton(Canvas& cv, const PictureRecipe& recipe);

// Nature and scenery (pictures_nature.cpp).
void paintRose(Canvas& cv, const PictureRecipe& recipe);
void paintWolke(Canvas& cv, const PictureRecipe& recipe);
void paintLandscape(Canvas& cv, const PictureRecipe& recipe);
void paintVoxel(Canvas& cv, const PictureRecipe& recipe);
void paintDist(Canvas& cv, const PictureRecipe& recipe);

// Objects (pictures_objects.cpp).
void paintPlatine(Canvas& cv, const PictureRecipe& recipe);
void paintStar(Canvas& cv, const PictureRecipe& recipe);
void paintDirka(Canvas& cv, const PictureRecipe& recipe);
void paintKruk(Canvas& cv, const PictureRecipe& recipe);
void paintZeptor(Canvas& cv, const PictureRecipe& recipe);
void paintWertit(Canvas& cv, const PictureRecipe& recipe);
void paintKrutit(Canvas& cv, const PictureRecipe& recipe);
void paintNetz(Canvas& cv, const PictureRecipe& recipe);

// Lines and forms (pictures_lines.cpp).
void paintInfinity(Canvas& cv, const PictureRecipe& recipe);
void paintSpiral(Canvas& cv, const PictureRecipe& recipe);
void paintWelle(Canvas& cv, const PictureRecipe& recipe);
void paintLine(Canvas& cv, const PictureRecipe& recipe);
void paintCurve(Canvas& cv, const PictureRecipe& recipe);
void paintForm(Canvas& cv, const PictureRecipe& recipe);
void paintGitter(Canvas& cv, const PictureRecipe& recipe);
