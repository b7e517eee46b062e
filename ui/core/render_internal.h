// What the halves of the renderer (render_engine.cpp, render_image.cpp) share with each other and
// with nobody else.
#pragma once

#include <windows.h>

namespace UIToolkit {

typedef BOOL(WINAPI* AlphaBlendProc)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

// The platform's AlphaBlend when msimg32 offers it, else CUIRenderer::SoftwareAlphaBlend; looked
// up once per process.
AlphaBlendProc AlphaBlendFunction();

}  // namespace UIToolkit
