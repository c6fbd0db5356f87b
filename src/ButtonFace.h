#pragma once
// The faces of the command-bar buttons: a bitmap resource of the add-in as a picture object for
// a button's Picture property, and the mask that makes the bitmap's background transparent.

#include "Com/ComPtr.h"
#include "Win/Gdi.h"

#include <olectl.h>

namespace ButtonFace {

// The bitmap resource `id` of the add-in's module at its natural size, with its three grey
// shades mapped to the system's 3-D colours; windowBackground also turns the colour of its
// first pixel into the window colour. Null when the resource cannot be loaded.
Win::Bitmap load(UINT id, bool windowBackground);

// White where `face` has the colour of its first pixel (transparent), black elsewhere: the
// form command-bar buttons take their masks in.
Win::Bitmap maskOf(HBITMAP face);

// A picture object that owns the bitmap from now on. Raises ComError when none can be made.
Com::ComPtr<IPictureDisp> picture(Win::Bitmap bitmap);

} // namespace ButtonFace
