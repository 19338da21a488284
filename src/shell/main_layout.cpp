#include "shell/main_layout.h"

const SkinButton BTNConfig = MakeSkinButton(249, 43, 308, 77);
const SkinButton BTNGoWeb = MakeSkinButton(249, 85, 308, 119);
const SkinButton BTNLeft = MakeSkinButton(172, 140, 192, 161);
const SkinButton BTNRight = MakeSkinButton(200, 140, 220, 161);
const SkinButton BTNGarbage = MakeSkinButton(11, 140, 30, 162);
const SkinButton BTNExit = MakeSkinButton(293, 7, 309, 21);
const SkinButton BTNMinimize = MakeSkinButton(276, 7, 292, 21);
const SkinButton BTNHelp = MakeSkinButton(259, 7, 275, 21);

const SkinButtonEntry MainButtons[kMainButtonCount] = {
    {&BTNLeft, kBtnLeft},     {&BTNRight, kBtnRight},   {&BTNGarbage, kBtnGarbage},
    {&BTNConfig, kBtnConfig}, {&BTNGoWeb, kBtnGoWeb},   {&BTNHelp, kBtnHelp},
    {&BTNExit, kBtnExit},     {&BTNMinimize, kBtnMinimize},
};

const MainRect RectNuvIdNumber = {48, 141, 154, 161};
const MainRect RectCallerName = {31, 50, 212, 68};
const MainRect RectCallerNumber = {31, 68, 212, 96};
const MainRect RectCallerAction = {31, 86, 212, 104};
const MainRect RectCallerTime = {31, 104, 172, 132};
const MainRect RectCallerSpot = {173, 104, 212, 132};
const MainRect RectClearScreen = {21, 43, 221, 131};
const MainRect ClientRegionRectBound = {0, 0, 317, 194};

int ActiveButton = 0;
int MenuSelect = 0;
