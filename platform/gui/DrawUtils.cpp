#include "DrawUtils.h"

#include <vector>

namespace platform {

namespace {

// The text as it is shown: accelerator marks taken out, tabs expanded.
std::string Shown(const std::string& text, unsigned flags)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&' && !(flags & DT_NOPREFIX)) {
            if (i + 1 < text.size() && text[i + 1] == '&')
                out += text[++i];
            continue;
        }
        if (c == '\t' && (flags & DT_EXPANDTABS)) {
            out.append(8 - out.size() % 8, ' ');
            continue;
        }
        out += c;
    }
    return out;
}

// The lines of a text: split at line breaks, then between words that overflow `width`.
std::vector<std::string> LinesOf(TCanvas* canvas, const std::string& text, unsigned flags,
                                 int width)
{
    std::vector<std::string> lines;
    if (flags & DT_SINGLELINE) {
        lines.push_back(text);
        return lines;
    }
    std::size_t start = 0;
    for (;;) {
        const auto end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!(flags & DT_WORDBREAK)) {
            lines.push_back(line);
        } else {
            // Words go on the line while it fits; a word wider than the rectangle stands alone.
            std::string current;
            std::size_t i = 0;
            while (i < line.size()) {
                const std::size_t space = line.find(' ', i);
                const std::string word =
                    line.substr(i, space == std::string::npos ? space : space - i);
                const std::string tried = current.empty() ? word : current + " " + word;
                if (!current.empty() && canvas->TextWidth(tried) > width) {
                    lines.push_back(current);
                    current = word;
                } else {
                    current = tried;
                }
                if (space == std::string::npos)
                    break;
                i = space + 1;
            }
            lines.push_back(current);
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace

unsigned AlignmentFlag(TAlignment Align)
{
    switch (Align) {
    case taRightJustify:
        return DT_RIGHT;
    case taCenter:
        return DT_CENTER;
    default:
        return DT_LEFT;
    }
}

unsigned LayoutFlag(TTextLayout Layout)
{
    switch (Layout) {
    case tlCenter:
        return DT_VCENTER;
    case tlBottom:
        return DT_BOTTOM;
    default:
        return 0;
    }
}

void DrawText(TCanvas* Canvas, const TRect& R, const std::string& Text, unsigned Flags)
{
    if (!Canvas)
        return;
    const std::vector<std::string> lines = LinesOf(Canvas, Shown(Text, Flags), Flags, R.Width());
    int y = R.Top;
    for (const std::string& line : lines) {
        const TSize size = Canvas->TextExtent(line);
        int x = R.Left;
        if (Flags & DT_CENTER)
            x = R.Left + (R.Width() - size.cx) / 2;
        else if (Flags & DT_RIGHT)
            x = R.Right - size.cx;
        if (Flags & DT_SINGLELINE) {
            if (Flags & DT_VCENTER)
                y = R.Top + (R.Height() - size.cy) / 2;
            else if (Flags & DT_BOTTOM)
                y = R.Bottom - size.cy;
        }
        Canvas->TextOut(x, y, line);
        y += size.cy;
    }
}

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width)
{
    Canvas->Pen.Width = 1;
    --Rect.Bottom;
    --Rect.Right;
    for (; Width > 0; --Width) {
        const TPoint top[] = {
            {Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}};
        Canvas->Pen.Color = TopColor;
        Canvas->Polyline(top);
        const TPoint bottom[] = {
            {Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}};
        Canvas->Pen.Color = BottomColor;
        Canvas->Polyline(bottom);
        ++Rect.Left;
        ++Rect.Top;
        --Rect.Right;
        --Rect.Bottom;
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

} // namespace platform
