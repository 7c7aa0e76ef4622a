#pragma once
// Drawing service functions of the component library: bilinear scaling, byte and colour
// arithmetic, SI prefixes, tree paths, B-spline curves, lines and curves dashed in two
// colours, and text turned by an angle. They keep no state of their own.

#include <cstdint>
#include <string>

#include "components/Ztc.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/DrawUtils.h"

class QTreeWidget;
class QTreeWidgetItem;

//! Scales the pixels of Source into the whole of Dest by bilinear interpolation about the
//! fixed point (OffsetX, OffsetY): destination pixel (j, i) takes source position
//! ((ScaleX - 1) * OffsetX + j) / ScaleX, ((ScaleY - 1) * OffsetY + i) / ScaleY, held to the
//! source's pixels. Rows count in the bitmaps' storage order, from the bottom up. Every byte
//! of a pixel is interpolated on its own and truncated. Dest keeps its size and takes
//! Source's pixel format. False, and Dest's pixels unchanged, for a zero or non-finite
//! scale, an empty bitmap, or a source that offers no device-independent pixels. Both
//! canvases are held for the whole call, from the first reading of a size (another thread
//! may assign either bitmap meanwhile); Dest's OnChange of the format change fires while
//! they are held.
bool DoBilinearInterpolation(platform::TBitmap* Source, platform::TBitmap* Dest, double ScaleX,
                             double ScaleY, int OffsetX, int OffsetY);

//! The low 8 bits of the truncated value (two's complement; 0 for a value that is not a
//! number).
std::uint8_t LowByte(double Value);

//! Buffer[i] = trunc(Factor × Buffer[i]), its low 8 bits, for i = 0 … Length − 1.
void ScaleEachByte(std::uint8_t* Buffer, int Length, double Factor);

//! Each of the four bytes (lowest first): trunc((byte of Color2 − byte of Color1) × T +
//! byte of Color1), its low 8 bits. T 0 gives Color1, T 1 gives Color2.
std::uint32_t InterpolationColorBytes(std::uint32_t Color1, std::uint32_t Color2, double T);

//! Moves Value into 1 … 1000 by SI prefixes of its unit (Windows-1251; prefixes n, µ
//! (0xB5), m, K, M, G, read from the unit's first character), stopping at n and G, and
//! rewrites Unit with the new prefix. A value of 0 ends at n; the unit "°" (0xB0) is left
//! as it is. 12500 nm gives 12.5 µm.
void ConvertPhisicalValue(double& Value, std::string& Unit);

//! Gives A and B the prefix that suits the one whose truncated magnitude is larger (A on a
//! tie), scaling both and rewriting Unit. When both are below 1 in magnitude nothing
//! changes.
void SelectRange(double& A, double& B, std::string& Unit);

//! The node of Tree at Path (parts between Separators; empty parts skipped; texts
//! Windows-1251), found from the top level down; the parts not found are created as last
//! children. Null for a path without parts. An empty Separator takes the path as one part.
QTreeWidgetItem* ParseTreePath(QTreeWidget* Tree, const std::string& Path,
                               const std::string& Separator);

//! The Cox-de Boor basis function N(I, K) at T on the knot vector Knots (in doubles);
//! 0 for an order K below 1.
double bSpline(int I, int K, double T, const float* Knots);
//! Writes the N + K + 1 clamped uniform knots Knots[0 … N + K] of order K: 0 for i < K,
//! i − K + 1 up to i = N, then N − K + 2; nothing when N < K − 1.
void buildKnots(int K, int N, float* Knots);
//! The number of points a caller allocates for a curve of N control points, order K and
//! parameter step Step: trunc((N − K + 1) / Step + 1.5); 0 when K or N is 0 or less, K > N,
//! Step is 0 or less, or the count does not fit an int.
int GetCountBSplinePoints(int N, int K, double Step);
//! Samples the clamped B-spline curve of order K through N control points at t = 0, Step,
//! … up to the last knot N − K + 1; computes the coordinates whose input and output are
//! both given. Returns the number of points written (at most GetCountBSplinePoints), 0 for
//! unusable arguments. The curve ends exactly on the last control point.
int BuildBSplineCurve2d(int N, int K, float Step, const float* InX, const float* InY, float* OutX,
                        float* OutY);
//! One iso-parameter line (v = V) of the tensor-product B-spline surface over NU × NV
//! control points (point (u, v) at index u + NU × v), sampled along u like the curve.
//! Returns the number of points, 0 for unusable arguments and for V outside 0 … the last v
//! knot.
int BuildBSplineCurve3d(int NU, int NV, int K, float Step, float V, const float* InX,
                        const float* InY, const float* InZ, float* OutX, float* OutY, float* OutZ);

//! A line from (X1, Y1) to (X2, Y2) of pen width Width, dashed in pieces Stripe pixels long
//! that alternate between Color1 and Color2 (the first visible piece has Color2). The
//! canvas's pen is restored. A Stripe of 0 or less, or a line of no length, draws one
//! piece of Color1.
void DrawStripyLine(platform::TCanvas* Canvas, float X1, float Y1, float X2, float Y2, int Width,
                    int Stripe, platform::TColor Color1, platform::TColor Color2);
//! The same along the polyline Points[0 … Count − 1], the stripes running on round the
//! corners.
void DrawStripyCurve(platform::TCanvas* Canvas, int Count, const TDPoint* Points, int Width,
                     int Stripe, platform::TColor Color1, platform::TColor Color2);

//! The bounding box (w, h) of a text w × h turned by Angle degrees:
//! (|floor(cos a × w)| + |floor(sin a × h)|, |floor(sin a × w)| + |floor(cos a × h)|).
platform::TSize RotatedTextSize(int Angle, int Width, int Height);
//! The offset from the top-left corner of a turned text's bounding box to the point where
//! the text starts (the top-left corner of its unturned cell), for an angle in 0 … 360.
platform::TPoint RotatedTextOrigin(int Angle, int Width, int Height);
//! An angle brought into 0 … 360: raised or lowered by whole turns (360 stays 360, 720
//! gives 360, −90 gives 270).
int AngleInCircle(int Angle);
//! A pixel coordinate: the value truncated toward zero, held to ±2^29 (0 for not-a-number).
int TruncPixel(double Value);

//! The bounding box of Text in the canvas's font turned by Angle degrees.
void CalcTextSize(platform::TCanvas* Canvas, platform::TSize& Size, int Angle,
                  const std::string& Text);
//! The point at which Text turned by Angle starts so that its bounding box lies in R as
//! Align and Layout place it (angles brought into 0 … 360 first).
void CalcTextPos(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint& Pos, int Angle,
                 const std::string& Text, platform::TAlignment Align, platform::TTextLayout Layout);
//! Writes Text starting at Pos turned by Angle degrees (the canvas's font is kept).
void DrawAngleText(platform::TCanvas* Canvas, platform::TPoint Pos, int Angle,
                   const std::string& Text);
//! Writes Text in R placed by Align and Layout: turned from the point CalcTextPos gives, or
//! at angle 0 as one formatted line in R. The incoming Pos is not used.
void DrawTitleText(platform::TCanvas* Canvas, platform::TRect R, platform::TPoint Pos, int Angle,
                   const std::string& Text, platform::TAlignment Align,
                   platform::TTextLayout Layout);
