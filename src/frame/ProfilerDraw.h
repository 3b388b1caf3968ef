#pragma once
// Draws a laid-out profiler view: the section lines with the overlay font and
// the bar as 2D panels. Expects the pre-transformed vertex format set.

#include "frame/FwDX9.h"
#include "frame/ProfilerView.h"

void DrawProfilerView(FwDX9& frame, const ProfilerView& view);
