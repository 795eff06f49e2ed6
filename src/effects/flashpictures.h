#pragma once
// The flash pictures: a library of prepared pictures, most of them full-screen,
// each thrown onto the screen for a moment by its own frame routine (copied with
// the black key, added, subtracted or zoomed).
#include <cstdint>
#include "raster/image.h"

// Built at set-up in this order and read-only afterwards. Sintable1Picture and
// Sintable2Picture are also the sliding bands of the Krutit module.
extern Image BrainPicture, BrainNegativePicture, Noirose1Picture, Noiroze2Picture, Platine1Picture, Platine2Picture,
    Platine3Picture, Platine4Picture, Platine5Picture, StarPicture, Dirka1Picture, Dirka2Picture, Wolke1Picture,
    Wolke2Picture, Sintable1Picture, Sintable2Picture, LobotomPicture, Sintable3Picture, Sintable3TallPicture,
    LobotomiPicture, KrukPicture, LineykaPicture, Kurukulum1Picture, Kurukulum2Picture, Synapse1Picture,
    Synapse2Picture, NetzPicture;

// The border of the last zoom: b of zoomLineyka or s of zoomLobotom.
extern int32_t FlashZoomBorder;

void initFlashPictures();
void freeFlashPictures();

void flashBrain();
void flashNoirose1();
void flashNoiroze2();
void flashPlatine1();
void flashPlatine2();
void flashPlatine3();
void flashPlatine4();
void flashPlatine5();
void flashStar();
void flashDirka1();
void flashDirka2();
void flashWolke1();
void flashSintable1();
void flashSintable2();
void flashLobotom();
void flashSintable3();
void flashSintableTallA();
void flashSintableTallB();
void flickerLobotomi();  // off while 56585..56647 and 56777..57031 ms
void flashWolke2();
void flashKruk();
void zoomLineyka();  // b = (DemoTime - 63040) div 2, rectangle (-b, -b)-(1280 + b, 720 + b)
void flashKurukulum1();
void flashKurukulum2();
void flashSynapse1();
void flashSynapse2();
void zoomLobotom();  // s = (DemoTime - 67040) div 6, rectangle (-s, -s)-(1280 + s, 720 + s)
void flashSintable3Top();
void flashBrainNegative();
void flashNetz();
