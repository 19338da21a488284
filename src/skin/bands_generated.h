#pragma once
// Window outlines of the artwork. Written by scripts/render-art.sh.
#include "skin/bands.h"

inline constexpr NuvBand ClientRegionRect[] = {
    {15, 0, 317, 1},     {12, 1, 317, 2},     {10, 2, 317, 3},    {9, 3, 317, 4},
    {7, 4, 317, 5},      {6, 5, 317, 6},      {5, 6, 317, 7},     {4, 7, 317, 9},
    {3, 9, 317, 10},     {2, 10, 317, 12},    {1, 12, 317, 15},   {0, 15, 317, 181},
    {1, 181, 316, 183},  {2, 183, 315, 184},  {3, 184, 314, 186}, {4, 186, 313, 187},
    {5, 187, 312, 188},  {6, 188, 311, 189},  {8, 189, 309, 190}, {9, 190, 308, 191},
    {11, 191, 306, 192},
};
inline constexpr int ClientRegionRectCount = 21;

inline constexpr NuvBand ClientButtonsRegionRect[] = {
    {259, 7, 276, 22},   {276, 7, 293, 22},   {293, 7, 310, 22},  {21, 43, 222, 132},
    {249, 43, 309, 78},  {249, 85, 309, 120}, {11, 140, 31, 163}, {172, 140, 193, 162},
    {200, 140, 221, 162},
};
inline constexpr int ClientButtonsRegionRectCount = 9;
