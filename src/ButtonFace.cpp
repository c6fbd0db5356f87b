#include "ButtonFace.h"

#include "Com/ComError.h"
#include "Com/Module.h"

namespace ButtonFace {

Win::Bitmap load(UINT id, bool windowBackground)
{
    const UINT flags = LR_DEFAULTSIZE | LR_LOADMAP3DCOLORS | (windowBackground ? LR_LOADTRANSPARENT : 0);
    return Win::Bitmap(static_cast<HBITMAP>(
        LoadImageW(Com::Module::instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, flags)));
}

Win::Bitmap maskOf(HBITMAP face)
{
    BITMAP size{};
    if (!GetObjectW(face, sizeof size, &size))
        return Win::Bitmap();
    const Win::WindowDC screen(nullptr);
    const Win::MemoryDC source(CreateCompatibleDC(screen.get()));
    const Win::MemoryDC target(CreateCompatibleDC(screen.get()));
    Win::Bitmap mask(CreateCompatibleBitmap(screen.get(), size.bmWidth, size.bmHeight));
    if (!source || !target || !mask)
        return Win::Bitmap();
    {
        const Win::SelectedObject faceSelected(source.get(), face);
        const Win::SelectedObject maskSelected(target.get(), mask.get());
        const COLORREF transparent = GetPixel(source.get(), 0, 0);
        for (int y = 0; y < size.bmHeight; ++y)
            for (int x = 0; x < size.bmWidth; ++x)
                SetPixel(target.get(), x, y, GetPixel(source.get(), x, y) == transparent ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
    return mask;
}

Com::ComPtr<IPictureDisp> picture(Win::Bitmap bitmap)
{
    if (!bitmap)
        throw Com::ComError(E_INVALIDARG, IID_IPictureDisp);
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.get();
    Com::ComPtr<IPictureDisp> result;
    Com::check(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, result.putVoid()), IID_IPictureDisp);
    bitmap.release(); // the picture owns it now
    return result;
}

} // namespace ButtonFace
