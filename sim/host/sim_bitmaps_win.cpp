// Images of the channel selector bar that the host hands to the plug-in
// (hBitChannel, hBitLessMore): channel buttons of 22 x 30 pixels in four
// states and arrows of 24 x 32 pixels in six, drawn like push buttons.
#include "sim_bitmaps.h"

enum { CHANNEL_W = 22, CHANNEL_H = 30, ARROW_W = 24, ARROW_H = 32 };

static const COLORREF kFace = RGB(212, 208, 200);
static const COLORREF kUnavailableFace = RGB(168, 168, 168);
static const COLORREF kLedLit = RGB(40, 230, 40);
static const COLORREF kLedIdle = RGB(20, 110, 20);
static const COLORREF kLedOff = RGB(70, 70, 70);
static const COLORREF kArrowEnabled = RGB(0, 0, 0);
static const COLORREF kArrowDisabled = RGB(128, 128, 128);
static const COLORREF kHighlight = RGB(255, 255, 255);

static void Fill(HDC dc, const RECT* r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, r, brush);
    DeleteObject(brush);
}

// A bitmap compatible with the screen, painted by 'paint' on a memory context.
template <class Paint>
static HBITMAP Draw(int width, int height, Paint paint)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r = {0, 0, width, height};
    paint(dc, r);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// States: 0 not available, 1 in use and on show (pressed, lit), 2 in use
// (raised, dim light), 3 not in use (raised, light off).
static void PaintChannel(HDC dc, RECT r, int state)
{
    Fill(dc, &r, state == 0 ? kUnavailableFace : kFace);
    if (state == 0) {
        FrameRect(dc, &r, (HBRUSH)GetStockObject(GRAY_BRUSH));
        return;
    }
    DrawEdge(dc, &r, state == 1 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    int shift = state == 1 ? 1 : 0;
    RECT led = {6 + shift, 6 + shift, 16 + shift, 13 + shift};
    Fill(dc, &led, state == 1 ? kLedLit : state == 2 ? kLedIdle : kLedOff);
    FrameRect(dc, &led, (HBRUSH)GetStockObject(BLACK_BRUSH));
    if (state == 1) {  // the channel on show is marked below its light as well
        RECT mark = {6 + shift, 20 + shift, 16 + shift, 23 + shift};
        Fill(dc, &mark, kLedLit);
    }
}

static void Triangle(HDC dc, bool pointsLeft, int shift, COLORREF colour)
{
    int cx = ARROW_W / 2 + shift, cy = ARROW_H / 2 + shift;
    POINT p[3];
    if (pointsLeft) {
        p[0] = {cx - 5, cy};
        p[1] = {cx + 4, cy - 8};
        p[2] = {cx + 4, cy + 8};
    } else {
        p[0] = {cx + 5, cy};
        p[1] = {cx - 4, cy - 8};
        p[2] = {cx - 4, cy + 8};
    }
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Polygon(dc, p, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

// States 0 to 2 fewer (disabled, enabled, pressed), 3 to 5 more.
static void PaintArrow(HDC dc, RECT r, int state)
{
    bool fewer = state < 3;
    int kind = state % 3;  // 0 disabled, 1 enabled, 2 pressed
    Fill(dc, &r, kFace);
    DrawEdge(dc, &r, kind == 2 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (kind == 0) {  // engraved, as disabled buttons show their text
        Triangle(dc, fewer, 1, kHighlight);
        Triangle(dc, fewer, 0, kArrowDisabled);
    } else {
        Triangle(dc, fewer, kind == 2 ? 1 : 0, kArrowEnabled);
    }
}

void SIM_DrawBarBitmaps(HBITMAP channel[4], HBITMAP lessMore[6])
{
    for (int s = 0; s < 4; ++s)
        channel[s] = Draw(CHANNEL_W, CHANNEL_H, [s](HDC dc, RECT r) { PaintChannel(dc, r, s); });
    for (int s = 0; s < 6; ++s)
        lessMore[s] = Draw(ARROW_W, ARROW_H, [s](HDC dc, RECT r) { PaintArrow(dc, r, s); });
}
