#pragma once
// The effect textures: RGBA, powers of two, transparent at the borders (they
// are drawn as sprites and decals, never tiled).

#include "MeshModel.h"

namespace assetgen {

// A soft round blob: white, the darkness is in alpha (drawn tinted black).
ImageRgba MakeShadowTexture();
// A small drop of blood, glossy, deep red.
ImageRgba MakeBloodDropTexture();
// A splash of blood: a ragged blot with streaks and droplets around it.
ImageRgba MakeBloodSplashTexture();
// A soft, lumpy puff of smoke, light grey (tinted by the caller).
ImageRgba MakeSmokeTexture();
// The menu blur mask (red times alpha): full strength at the centre, which
// the renderer puts at the menu's corner, fading to none at the borders.
ImageRgba MakeBlurMaskTexture();

}  // namespace assetgen
