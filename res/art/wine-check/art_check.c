/* Loads the artwork the way the add-in does and dumps what Windows (or
   Wine) hands back, for compare.py to check pixel by pixel. */
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

static FILE *logf;
static const wchar_t *outdir;

static void dump(const char *name, const void *px, int bytes)
{
    wchar_t path[MAX_PATH];
    FILE *f;
    swprintf(path, MAX_PATH, L"%ls\\%hs", outdir, name);
    f = _wfopen(path, L"wb");
    if (!f) { fprintf(logf, "cannot write %s\n", name); return; }
    fwrite(px, 1, bytes, f);
    fclose(f);
}

static HBITMAP dib32(HDC dc, int w, int h, DWORD **bits)
{
    BITMAPINFO bi;
    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;         /* top-down */
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void **)bits, NULL, 0);
}

static int icons(HINSTANCE inst)
{
    static const struct { const wchar_t *name; const char *file; int sizes[5]; } set[] = {
        { L"meetnow", "meetnow", { 32, 48, 64, 96, 128 } },
        { L"meeting", "meeting", { 32, 48, 64, 96, 128 } },
        { L"wall", "wall", { 16, 32, 48, 64 } },
        { L"schedule", "schedule", { 16, 32, 48, 64 } },
        { L"settings", "settings", { 16, 32, 48, 64 } },
        { L"FACEBOOK_F", "facebook_f", { 32 } },
    };
    HDC screen = GetDC(NULL), mem = CreateCompatibleDC(screen);
    int bad = 0;
    for (unsigned i = 0; i < sizeof set / sizeof set[0]; i++) {
        for (int k = 0; k < 5 && set[i].sizes[k]; k++) {
            int s = set[i].sizes[k];
            HICON icon = LoadImageW(inst, set[i].name, IMAGE_ICON, s, s, 0);
            ICONINFO ii;
            BITMAP bm;
            DWORD *bits;
            HBITMAP dib, old;
            char name[64];
            if (!icon) { fprintf(logf, "FAIL load icon %ls %d\n", set[i].name, s); bad++; continue; }
            GetIconInfo(icon, &ii);
            GetObjectW(ii.hbmColor, sizeof bm, &bm);
            fprintf(logf, "icon %ls %d: color bitmap %ldx%ld %d bpp\n", set[i].name, s,
                    bm.bmWidth, bm.bmHeight, bm.bmBitsPixel);
            if (bm.bmWidth != s || bm.bmHeight != s) bad++;
            DeleteObject(ii.hbmColor);
            DeleteObject(ii.hbmMask);
            dib = dib32(screen, s, s, &bits);
            old = SelectObject(mem, dib);
            for (int p = 0; p < s * s; p++) bits[p] = 0x00FF00FF;   /* magenta */
            DrawIconEx(mem, 0, 0, icon, s, s, 0, NULL, DI_NORMAL);
            GdiFlush();
            snprintf(name, sizeof name, "ico_%s_%d.raw", set[i].file, s);
            dump(name, bits, s * s * 4);
            SelectObject(mem, old);
            DeleteObject(dib);
            DestroyIcon(icon);
        }
    }
    /* the ribbon callback: LoadIconW, standard size, any letter case */
    {
        HICON icon = LoadIconW(inst, L"MeetNow");
        ICONINFO ii;
        BITMAP bm;
        if (!icon) { fprintf(logf, "FAIL LoadIconW MeetNow\n"); bad++; }
        else {
            GetIconInfo(icon, &ii);
            GetObjectW(ii.hbmColor, sizeof bm, &bm);
            fprintf(logf, "LoadIconW MeetNow: %ldx%ld %d bpp (SM_CXICON %d)\n",
                    bm.bmWidth, bm.bmHeight, bm.bmBitsPixel, GetSystemMetrics(SM_CXICON));
            if (bm.bmWidth != GetSystemMetrics(SM_CXICON)) bad++;
        }
    }
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return bad;
}

static int bitmaps(HINSTANCE inst)
{
    static const int ids[] = { 251, 255, 263, 264 };
    HDC screen = GetDC(NULL);
    int bad = 0;
    fprintf(logf, "COLOR_3DFACE %06lx COLOR_WINDOW %06lx\n",
            (unsigned long)GetSysColor(COLOR_3DFACE), (unsigned long)GetSysColor(COLOR_WINDOW));
    for (unsigned i = 0; i < sizeof ids / sizeof ids[0]; i++) {
        HBITMAP bmp = LoadImageW(inst, MAKEINTRESOURCEW(ids[i]), IMAGE_BITMAP, 0, 0,
                                 LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
        BITMAP bm;
        BITMAPINFO bi;
        DWORD px[256];
        char name[64];
        if (!bmp) { fprintf(logf, "FAIL load bitmap %d\n", ids[i]); bad++; continue; }
        GetObjectW(bmp, sizeof bm, &bm);
        fprintf(logf, "bitmap %d: %ldx%ld %d bpp\n", ids[i], bm.bmWidth, bm.bmHeight, bm.bmBitsPixel);
        if (bm.bmWidth != 16 || bm.bmHeight != 16) { bad++; continue; }
        ZeroMemory(&bi, sizeof bi);
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 16;
        bi.bmiHeader.biHeight = -16;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        if (GetDIBits(screen, bmp, 0, 16, px, &bi, DIB_RGB_COLORS) != 16) { bad++; continue; }
        snprintf(name, sizeof name, "bmp_%d.raw", ids[i]);
        dump(name, px, sizeof px);
        DeleteObject(bmp);
    }
    ReleaseDC(NULL, screen);
    return bad;
}

static int clips(HINSTANCE inst)
{
    static const struct { const wchar_t *res; const char *file; } set[] = {
        { L"WAITING_ANIMATION", "waiting" },
        { L"PROGRESS_ANIMATION", "progress" },
    };
    WNDCLASSW wc;
    HWND top;
    int bad = 0;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = inst;
    wc.hbrBackground = GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = L"ArtCheck";
    RegisterClassW(&wc);
    top = CreateWindowW(L"ArtCheck", L"art", WS_POPUP | WS_VISIBLE, 0, 0, 120, 120,
                        NULL, NULL, inst, NULL);
    for (unsigned i = 0; i < sizeof set / sizeof set[0]; i++) {
        /* made larger than the clip: without ACS_CENTER it takes the clip's size */
        HWND anim = CreateWindowW(ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE, 10, 12, 48, 52,
                                  top, (HMENU)210, inst, NULL);
        RECT rc;
        LRESULT ok = SendMessageW(anim, ACM_OPENW, (WPARAM)inst, (LPARAM)set[i].res);
        if (!ok) { fprintf(logf, "FAIL ACM_OPEN %ls\n", set[i].res); bad++; DestroyWindow(anim); continue; }
        GetClientRect(anim, &rc);
        fprintf(logf, "clip %ls opened, control now %ldx%ld\n", set[i].res, rc.right, rc.bottom);
        for (int f = 0; f < 64; f++) {
            HDC dc, mem;
            DWORD *bits;
            HBITMAP dib, old;
            char name[64];
            MSG msg;
            if (!SendMessageW(anim, ACM_PLAY, 1, MAKELONG(f, f))) {
                fprintf(logf, "clip %ls: %d frames\n", set[i].res, f);
                break;
            }
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            dc = GetDC(anim);
            mem = CreateCompatibleDC(dc);
            dib = dib32(dc, 32, 32, &bits);
            old = SelectObject(mem, dib);
            BitBlt(mem, 0, 0, 32, 32, dc, 0, 0, SRCCOPY);
            GdiFlush();
            snprintf(name, sizeof name, "avi_%s_%02d.raw", set[i].file, f);
            dump(name, bits, 32 * 32 * 4);
            SelectObject(mem, old);
            DeleteObject(dib);
            DeleteDC(mem);
            ReleaseDC(anim, dc);
        }
        /* the dialogs play it without end from the first to the last frame */
        if (!SendMessageW(anim, ACM_PLAY, (WPARAM)-1, MAKELONG(0, 0xFFFF))) {
            fprintf(logf, "FAIL ACM_PLAY %ls\n", set[i].res); bad++;
        } else {
            Sleep(300);
            SendMessageW(anim, ACM_STOP, 0, 0);
            fprintf(logf, "clip %ls played and stopped\n", set[i].res);
        }
        SendMessageW(anim, ACM_OPENW, 0, 0);
        DestroyWindow(anim);
    }
    DestroyWindow(top);
    return bad;
}

int wmain(int argc, wchar_t **argv)
{
    HINSTANCE inst = GetModuleHandleW(NULL);
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_ANIMATE_CLASS };
    wchar_t path[MAX_PATH];
    int bad;
    if (argc < 2) return 2;
    outdir = argv[1];
    swprintf(path, MAX_PATH, L"%ls\\log.txt", outdir);
    logf = _wfopen(path, L"w");
    if (!logf) return 3;
    InitCommonControlsEx(&icc);
    bad = icons(inst) + bitmaps(inst) + clips(inst);
    fprintf(logf, "problems: %d\n", bad);
    fclose(logf);
    return bad ? 1 : 0;
}
