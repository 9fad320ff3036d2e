// The pictures the program carries: ids, sizes and kinds, as the show
// script relies on them.
#pragma once

struct CataloguePicture {
    int id;
    int width;
    int height;
    bool grey;
};

inline constexpr CataloguePicture kPictures[] = {
    {1000, 640, 480, false},  {1001, 211, 250, false},  {1002, 171, 95, false},
    {1003, 170, 95, false},   {1004, 171, 95, false},   {1005, 511, 5, false},
    {1006, 6, 290, false},    {1007, 228, 1540, false}, {2000, 640, 480, false},
    {2001, 410, 480, false},  {2002, 141, 103, false},  {2003, 153, 112, false},
    {2004, 153, 111, false},  {2005, 368, 6, false},    {2006, 6, 342, false},
    {2007, 131, 1078, false}, {3000, 640, 480, false},  {3001, 640, 480, false},
    {3002, 223, 480, false},  {3003, 212, 480, false},  {3004, 212, 2400, false},
    {4000, 640, 480, false},  {4001, 640, 480, false},  {4002, 640, 184, false},
    {4003, 394, 296, false},  {4004, 205, 4, false},    {4005, 4, 230, false},
    {4006, 162, 1568, false}, {5000, 640, 480, false},  {5001, 640, 480, false},
    {5002, 640, 161, false},  {5003, 640, 160, false},  {5004, 278, 161, false},
    {5005, 432, 2, false},    {5006, 4, 480, false},    {5007, 138, 711, false},
    {5008, 277, 160, false},  {6000, 485, 29, true},    {6001, 496, 73, true},
    {6002, 338, 119, true},   {6003, 338, 76, true},    {6004, 338, 76, true},
    {6005, 338, 76, true},    {6006, 388, 30, true},    {6007, 577, 29, true},
    {6008, 417, 29, true},    {9000, 80, 2214, true},
};
