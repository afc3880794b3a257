#pragma once

#include <string>

#include "platform/surface.h"
#include "ui/layout.h"

namespace tamarack {

// Each colour component c becomes c + (255 - c) div 2.
Gradient LightenGradient(Gradient g);

// Fills the rectangle one pixel row at a time, from the start colour at the
// top towards the end colour at the bottom, in integer steps scaled by 100
// and truncated, so the bottom row may stop short of the end colour. The rows
// are the surface's device rows, so the shading is as fine as the screen.
void FillGradient(Surface& surface, LayoutRect r, Gradient g);

void FillSolid(Surface& surface, LayoutRect r, Color c);

// Draws the text with its one-pixel shadow, placed in the rectangle by the
// style words it contains: "Big" (10 pt bold, else 8 pt), "Left" (else
// centred across), "Top" (else centred down), "Down" (one pixel right and
// down) and "Neg" (black text on a white shadow, else white on black). The
// surface keeps the font of this text afterwards.
void DrawCaption(Surface& surface, LayoutRect r, const std::string& text, const std::string& style);

// A two-ring raised bevel just outside the rectangle; WindowRect itself gets
// the frame on the window's outermost two pixels.
void DrawRaisedFrame(Surface& surface, LayoutRect r);

// A two-ring sunken bevel just outside the rectangle.
void DrawSunkenFrame(Surface& surface, LayoutRect r);

}  // namespace tamarack
