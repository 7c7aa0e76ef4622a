#include "Ztservicefuncs.h"

#include <QTreeWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "platform/gui/Text1251.h"

using namespace platform;

namespace {

// One source position along an axis: the two pixels read and their weights.
struct Sample {
    int First;
    int Second;
    double WeightFirst;  // (first + 1) - position
    double WeightSecond; // position - first
};

Sample SampleAt(double scale, int offset, int index, int size)
{
    double s = ((scale - 1) * offset + index) / scale;
    // Positions beyond the source are held to its edge pixels.
    s = std::clamp(s, 0.0, static_cast<double>(size - 1));
    int first = static_cast<int>(std::floor(s));
    first = std::clamp(first, 0, size - 1);
    const int next = first + 1;
    return {first, next < size ? next : first, next - s, s - first};
}

} // namespace

bool DoBilinearInterpolation(TBitmap* Source, TBitmap* Dest, double ScaleX, double ScaleY,
                             int OffsetX, int OffsetY)
{
    if (!Source || !Dest)
        return false;
    if (ScaleX == 0 || ScaleY == 0 || !std::isfinite(ScaleX) || !std::isfinite(ScaleY))
        return false;

    // Both canvases in one step, before anything of either bitmap is read: another thread
    // may assign to either of them, or scale the other way round, at the same time.
    const TCanvasPairLock lock(*Dest->Canvas(), *Source->Canvas());
    const int dh = Dest->Height();
    const int dw = Dest->Width();
    const int sh = Source->Height();
    const int sw = Source->Width();
    if (dh == 0 || dw == 0 || sh == 0 || sw == 0)
        return false;
    const int bits = Source->BitsPerPixel();
    if (bits == 0 || bits % 8 != 0)
        return false;
    const int bpp = bits / 8;

    // Scaling a bitmap into itself reads from a copy.
    TBitmap copy;
    if (Source == Dest) {
        copy.Assign(Source);
        Source = &copy;
    }
    Dest->SetPixelFormat(Source->PixelFormat());
    if (Dest->BitsPerPixel() != bits)
        return false;

    std::vector<Sample> columns(static_cast<std::size_t>(dw));
    for (int j = 0; j < dw; ++j)
        columns[j] = SampleAt(ScaleX, OffsetX, j, sw);

    for (int i = 0; i < dh; ++i) {
        // Storage row i of a bitmap is its row height - 1 - i counted from the top.
        const Sample row = SampleAt(ScaleY, OffsetY, i, sh);
        std::uint8_t* out = Dest->ScanLine(dh - 1 - i);
        const std::uint8_t* r0 = Source->ScanLine(sh - 1 - row.First);
        const std::uint8_t* r1 = Source->ScanLine(sh - 1 - row.Second);
        for (int j = 0; j < dw; ++j) {
            const Sample& col = columns[j];
            const double w00 = row.WeightFirst * col.WeightFirst;
            const double w01 = col.WeightSecond * row.WeightFirst;
            const double w10 = row.WeightSecond * col.WeightFirst;
            const double w11 = row.WeightSecond * col.WeightSecond;
            const std::uint8_t* p00 = r0 + static_cast<std::size_t>(col.First) * bpp;
            const std::uint8_t* p01 = r0 + static_cast<std::size_t>(col.Second) * bpp;
            const std::uint8_t* p10 = r1 + static_cast<std::size_t>(col.First) * bpp;
            const std::uint8_t* p11 = r1 + static_cast<std::size_t>(col.Second) * bpp;
            std::uint8_t* d = out + static_cast<std::size_t>(j) * bpp;
            for (int k = 0; k < bpp; ++k) {
                const double value = w00 * p00[k] + w01 * p01[k] + w10 * p10[k] + w11 * p11[k];
                d[k] = static_cast<std::uint8_t>(static_cast<int>(value) & 0xFF);
            }
            if (bpp == 4)
                d[3] = 0xFF; // the fourth byte of a 32-bit pixel stays opaque
        }
    }
    return true;
}

// ---- Bytes and colours

std::uint8_t LowByte(double Value)
{
    if (std::isnan(Value))
        return 0;
    const double whole = std::trunc(Value);
    double low = std::fmod(whole, 256.0); // exact, in −255 … 255
    if (low < 0)
        low += 256.0;
    return static_cast<std::uint8_t>(low);
}

void ScaleEachByte(std::uint8_t* Buffer, int Length, double Factor)
{
    if (!Buffer)
        return;
    for (int i = 0; i < Length; ++i)
        Buffer[i] = LowByte(Factor * Buffer[i]);
}

std::uint32_t InterpolationColorBytes(std::uint32_t Color1, std::uint32_t Color2, double T)
{
    std::uint32_t out = 0;
    for (int k = 0; k < 4; ++k) {
        const int a = static_cast<int>((Color1 >> (8 * k)) & 0xFF);
        const int b = static_cast<int>((Color2 >> (8 * k)) & 0xFF);
        out |= static_cast<std::uint32_t>(LowByte((b - a) * T + a)) << (8 * k);
    }
    return out;
}

// ---- SI prefixes

namespace {

// Prefixes from 10^-9 to 10^9 in steps of 1000; index 3 has none.
constexpr char kPrefixes[7] = {'n', '\xB5', 'm', 0, 'K', 'M', 'G'};
constexpr int kNoPrefix = 3;

} // namespace

void ConvertPhisicalValue(double& Value, std::string& Unit)
{
    if (Unit == "\xB0")
        return;
    int p = kNoPrefix;
    if (!Unit.empty())
        for (int i = 0; i < 7; ++i)
            if (i != kNoPrefix && Unit[0] == kPrefixes[i]) {
                p = i;
                break;
            }
    const int p0 = p;
    while (std::fabs(Value) < 1 || std::fabs(Value) > 1000) {
        if (std::fabs(Value) > 1000) {
            if (p >= 6)
                break;
            Value *= 0.001;
            ++p;
        }
        if (std::fabs(Value) < 1) {
            if (p <= 0)
                break;
            Value *= 1000;
            --p;
        }
    }
    const std::string base = p0 != kNoPrefix ? Unit.substr(1) : Unit;
    Unit = p == kNoPrefix ? base : std::string(1, kPrefixes[p]) + base;
}

void SelectRange(double& A, double& B, std::string& Unit)
{
    const double a = std::trunc(std::fabs(A));
    const double b = std::trunc(std::fabs(B));
    const double v = b > a ? b : a;
    // Both below 1: no prefix suits them better (the factor would be 0 / 0).
    if (!(v > 0) || !std::isfinite(v))
        return;
    double converted = v;
    ConvertPhisicalValue(converted, Unit);
    const double factor = converted / v;
    A *= factor;
    B *= factor;
}

// ---- Tree paths

QTreeWidgetItem* ParseTreePath(QTreeWidget* Tree, const std::string& Path,
                               const std::string& Separator)
{
    if (!Tree)
        return nullptr;
    std::vector<std::string> parts;
    if (Separator.empty()) {
        parts.push_back(Path);
    } else {
        const std::string path = Path + Separator;
        std::size_t start = 0;
        for (std::size_t at; (at = path.find(Separator, start)) != std::string::npos;
             start = at + Separator.size())
            parts.push_back(path.substr(start, at - start));
    }
    QTreeWidgetItem* current = nullptr;
    // The search runs over the siblings from `first` on: the children of `current`.
    int first = 0;
    bool searching = Tree->topLevelItemCount() > 0;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        const QString text = platform::FromCp1251(part);
        QTreeWidgetItem* found = nullptr;
        if (searching) {
            const int count = current ? current->childCount() : Tree->topLevelItemCount();
            for (int i = first; i < count && !found; ++i) {
                QTreeWidgetItem* node = current ? current->child(i) : Tree->topLevelItem(i);
                if (node->text(0) == text)
                    found = node;
            }
        }
        if (!found) {
            found = new QTreeWidgetItem(QStringList{text});
            if (current)
                current->addChild(found);
            else
                Tree->addTopLevelItem(found);
        }
        current = found;
        first = 0;
        searching = current->childCount() > 0;
    }
    return current;
}

// ---- B-splines

double bSpline(int I, int K, double T, const float* Knots)
{
    if (K < 1 || !Knots)
        return 0.0;
    if (K == 1)
        return Knots[I] <= T && T < Knots[I + 1] ? 1.0 : 0.0;
    const double d1 = static_cast<double>(Knots[I + K - 1]) - Knots[I];
    const double d2 = static_cast<double>(Knots[I + K]) - Knots[I + 1];
    double result = 0.0;
    if (d1 != 0)
        result += bSpline(I, K - 1, T, Knots) * (T - Knots[I]) / d1;
    if (d2 != 0)
        result += bSpline(I + 1, K - 1, T, Knots) * (Knots[I + K] - T) / d2;
    return result;
}

void buildKnots(int K, int N, float* Knots)
{
    if (!Knots || N < K - 1)
        return;
    for (int i = 0; i <= N + K; ++i)
        Knots[i] = static_cast<float>(i < K ? 0 : i <= N ? i - K + 1 : N - K + 2);
}

int GetCountBSplinePoints(int N, int K, double Step)
{
    if (K <= 0 || N <= 0 || K > N || !(Step > 0))
        return 0;
    const double count = std::trunc((N - K + 1) / Step + 1.5);
    return count <= INT_MAX ? static_cast<int>(count) : 0;
}

namespace {

// The knots of one direction of a clamped curve over n control points of order k, and its
// basis values at a parameter, the end of the curve giving the last point alone.
struct TKnotLine {
    TKnotLine(int n, int k) : N(n), K(k), Knots(static_cast<std::size_t>(n + k))
    {
        buildKnots(k, n - 1, Knots.data());
    }
    double Last() const { return N - K + 1; }
    double Basis(int j, double t) const
    {
        if (t == Last())
            return j == N - 1 ? 1.0 : 0.0;
        return bSpline(j, K, t, Knots.data());
    }
    // The control points that count at t: trunc(t) … trunc(t) + K − 1, at most N − 1.
    int FirstAt(double t) const { return static_cast<int>(t); }
    int EndAt(double t) const { return std::min(static_cast<int>(t) + K, N); }
    int N, K;
    std::vector<float> Knots;
};

} // namespace

int BuildBSplineCurve2d(int N, int K, float Step, const float* InX, const float* InY, float* OutX,
                        float* OutY)
{
    const bool x = InX && OutX;
    const bool y = InY && OutY;
    if (K <= 0 || N <= 0 || N < K || !(Step > 0) || (!x && !y))
        return 0;
    const int most = GetCountBSplinePoints(N, K, Step);
    const TKnotLine u(N, K);
    int count = 0;
    for (double t = 0; t <= u.Last() && count < most; t += Step, ++count) {
        float sx = 0, sy = 0;
        for (int j = u.FirstAt(t); j < u.EndAt(t); ++j) {
            const double b = u.Basis(j, t);
            if (x)
                sx = static_cast<float>(sx + InX[j] * b);
            if (y)
                sy = static_cast<float>(sy + InY[j] * b);
        }
        if (x)
            OutX[count] = sx;
        if (y)
            OutY[count] = sy;
    }
    return count;
}

int BuildBSplineCurve3d(int NU, int NV, int K, float Step, float V, const float* InX,
                        const float* InY, const float* InZ, float* OutX, float* OutY, float* OutZ)
{
    const float* in[3] = {InX && OutX ? InX : nullptr, InY && OutY ? InY : nullptr,
                          InZ && OutZ ? InZ : nullptr};
    float* out[3] = {OutX, OutY, OutZ};
    if (K <= 0 || NU <= 0 || NV <= 0 || NU < K || NV < K || !(Step > 0) ||
        (!in[0] && !in[1] && !in[2]))
        return 0;
    const TKnotLine u(NU, K);
    const TKnotLine v(NV, K);
    // A v outside the surface has no points.
    if (!(V >= 0 && V <= v.Last()))
        return 0;
    const int most = GetCountBSplinePoints(NU, K, Step);
    int count = 0;
    for (double t = 0; t <= u.Last() && count < most; t += Step, ++count) {
        float sum[3] = {0, 0, 0};
        for (int j = v.FirstAt(V); j < v.EndAt(V); ++j) {
            const double bv = v.Basis(j, V);
            for (int m = u.FirstAt(t); m < u.EndAt(t); ++m) {
                const double b = u.Basis(m, t) * bv;
                const std::size_t at =
                    static_cast<std::size_t>(m) + static_cast<std::size_t>(NU) * j;
                for (int c = 0; c < 3; ++c)
                    if (in[c])
                        sum[c] = static_cast<float>(sum[c] + in[c][at] * b);
            }
        }
        for (int c = 0; c < 3; ++c)
            if (in[c])
                out[c][count] = sum[c];
    }
    return count;
}

// ---- Lines and curves dashed in two colours

namespace {

// A canvas's pen, widened for the dashes, put back when the drawing ends.
class TPenKeeper {
public:
    TPenKeeper(platform::TCanvas* canvas, int width) : canvas_(canvas), saved_(canvas->Pen)
    {
        canvas_->Pen.Width = width;
    }
    ~TPenKeeper() { canvas_->Pen = saved_; }
    TPenKeeper(const TPenKeeper&) = delete;
    TPenKeeper& operator=(const TPenKeeper&) = delete;

private:
    platform::TCanvas* canvas_;
    platform::TPen saved_;
};

// Whether the point has not yet passed the end in the direction of the step.
bool Before(double v, double end, double step)
{
    return step >= 0 ? v <= end : v >= end;
}

// Dashes along one straight piece from (x, y) towards (X2, Y2) by (dx, dy), counting c:
// each piece ends at the point reached, coloured by c; returns with (x, y) one step past
// the last piece drawn.
void DashTowards(platform::TCanvas* canvas, double& x, double& y, double X2, double Y2, double dx,
                 double dy, int& c, platform::TColor color1, platform::TColor color2)
{
    while (Before(x, X2, dx) && Before(y, Y2, dy)) {
        canvas->Pen.Color = c % 2 == 0 ? color1 : color2;
        canvas->LineTo(TruncPixel(x), TruncPixel(y));
        x += dx;
        y += dy;
        ++c;
    }
}

} // namespace

void DrawStripyLine(platform::TCanvas* Canvas, float X1, float Y1, float X2, float Y2, int Width,
                    int Stripe, platform::TColor Color1, platform::TColor Color2)
{
    if (!Canvas)
        return;
    TPenKeeper keeper(Canvas, Width);
    Canvas->MoveTo(TruncPixel(X1), TruncPixel(Y1));
    const double length = std::hypot(static_cast<double>(X2) - X1, static_cast<double>(Y2) - Y1);
    int c = 0;
    if (Stripe > 0 && length > 0 && std::isfinite(length)) {
        const double dx = (static_cast<double>(X2) - X1) * Stripe / length;
        const double dy = (static_cast<double>(Y2) - Y1) * Stripe / length;
        double x = X1, y = Y1;
        DashTowards(Canvas, x, y, X2, Y2, dx, dy, c, Color1, Color2);
    }
    Canvas->Pen.Color = c % 2 == 0 ? Color1 : Color2;
    Canvas->LineTo(TruncPixel(X2), TruncPixel(Y2));
}

void DrawStripyCurve(platform::TCanvas* Canvas, int Count, const TDPoint* Points, int Width,
                     int Stripe, platform::TColor Color1, platform::TColor Color2)
{
    if (!Canvas || !Points || Count <= 0)
        return;
    TPenKeeper keeper(Canvas, Width);
    Canvas->MoveTo(TruncPixel(Points[0].x), TruncPixel(Points[0].y));
    if (Stripe <= 0)
        Canvas->Pen.Color = Color1;
    int c = 0;
    double rest = 0; // the part of the last stripe still to draw
    for (int s = 1; s < Count; ++s) {
        const TDPoint a = Points[s - 1];
        const TDPoint b = Points[s];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (Stripe <= 0 || !(length > 0) || !std::isfinite(length)) {
            // No stripes to lay: the segment in the pen's current colour.
            Canvas->LineTo(TruncPixel(b.x), TruncPixel(b.y));
            continue;
        }
        const double ux = (b.x - a.x) / length;
        const double uy = (b.y - a.y) / length;
        const double dx = ux * Stripe;
        const double dy = uy * Stripe;
        double x = a.x, y = a.y;
        if (rest != 0) {
            // The stripe of the previous segment goes on in its colour.
            x += ux * rest;
            y += uy * rest;
            Canvas->LineTo(TruncPixel(x), TruncPixel(y));
            x += dx;
            y += dy;
            ++c;
        }
        DashTowards(Canvas, x, y, b.x, b.y, dx, dy, c, Color1, Color2);
        x -= dx;
        y -= dy;
        Canvas->Pen.Color = c % 2 == 0 ? Color1 : Color2;
        Canvas->LineTo(TruncPixel(b.x), TruncPixel(b.y));
        rest = x == b.x && y == b.y ? 0 : Stripe - std::hypot(b.x - x, b.y - y);
    }
}

// ---- Text turned by an angle

namespace {

double Radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

int FloorInt(double v)
{
    return TruncPixel(std::floor(v));
}

} // namespace

int AngleInCircle(int Angle)
{
    if (Angle < 0) {
        Angle %= 360;
        if (Angle < 0)
            Angle += 360;
    } else if (Angle > 360) {
        Angle %= 360;
        if (Angle == 0)
            Angle = 360;
    }
    return Angle;
}

int TruncPixel(double Value)
{
    constexpr double kFar = 1 << 29;
    if (std::isnan(Value))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(Value, -kFar, kFar)));
}

platform::TSize RotatedTextSize(int Angle, int Width, int Height)
{
    const double a = Radians(Angle);
    const int cx =
        std::abs(FloorInt(std::cos(a) * Width)) + std::abs(FloorInt(std::sin(a) * Height));
    const int cy =
        std::abs(FloorInt(std::sin(a) * Width)) + std::abs(FloorInt(std::cos(a) * Height));
    return {cx, cy};
}

platform::TPoint RotatedTextOrigin(int Angle, int Width, int Height)
{
    const double a = Radians(Angle);
    const double tw = Width, th = Height;
    if (Angle <= 90)
        return {0, FloorInt(std::sin(a) * tw)};
    if (Angle <= 180)
        return {FloorInt(-std::cos(a) * tw),
                FloorInt(std::cos(Radians(180 - Angle)) * th + std::sin(a) * tw)};
    if (Angle <= 270)
        return {FloorInt(std::sin(Radians(Angle - 180)) * th - std::cos(a) * tw),
                FloorInt(std::sin(Radians(270 - Angle)) * th)};
    return {FloorInt(std::sin(Radians(360 - Angle)) * th), 0};
}

void CalcTextSize(platform::TCanvas* Canvas, platform::TSize& Size, int Angle,
                  const std::string& Text)
{
    const platform::TSize extent = Canvas->TextExtent(Text);
    Size = RotatedTextSize(Angle, extent.cx, extent.cy);
}

void CalcTextPos(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint& Pos, int Angle,
                 const std::string& Text, platform::TAlignment Align, platform::TTextLayout Layout)
{
    Angle = AngleInCircle(Angle);
    const platform::TSize extent = Canvas->TextExtent(Text);
    const platform::TPoint origin = RotatedTextOrigin(Angle, extent.cx, extent.cy);
    const platform::TSize size = RotatedTextSize(Angle, extent.cx, extent.cy);
    Pos = {R.Left + origin.x, R.Top + origin.y};
    if (Align == platform::taCenter)
        Pos.x += (R.Width() - size.cx) / 2;
    else if (Align == platform::taRightJustify)
        Pos.x += R.Width() - size.cx;
    if (Layout == platform::tlCenter)
        Pos.y += (R.Height() - size.cy) / 2;
    else if (Layout == platform::tlBottom)
        Pos.y += R.Height() - size.cy;
}

void DrawAngleText(platform::TCanvas* Canvas, platform::TPoint Pos, int Angle,
                   const std::string& Text)
{
    const platform::TFont saved = Canvas->Font;
    Canvas->Font.Escapement = Angle * 10;
    Canvas->TextOut(Pos.x, Pos.y, Text);
    Canvas->Font = saved;
}

void DrawTitleText(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint Pos, int Angle,
                   const std::string& Text, platform::TAlignment Align,
                   platform::TTextLayout Layout)
{
    if (Angle != 0) {
        CalcTextPos(Canvas, R, Pos, Angle, Text, Align, Layout);
        DrawAngleText(Canvas, Pos, Angle, Text);
        return;
    }
    platform::DrawText(Canvas, R, Text,
                       platform::DT_SINGLELINE | platform::DT_EXPANDTABS |
                           platform::AlignmentFlag(Align) | platform::LayoutFlag(Layout));
}
