#pragma once
// Flattening: least-squares backgrounds fitted to a matrix of raw values and subtracted
// from it. The abscissae are x = column + 1 and y = row + 1; sums, means, factors and
// fitted values are held in extended precision, and a flattened value is the raw value
// minus the background, truncated toward zero (saturating; a NaN keeps the old value).
//
// Every pass has a plain twin that does what the description of the fit says, one point
// after the other with sums in extended precision; the fast passes sum the raw integers
// exactly (128-bit) and run on the machine's cores. Both give the same factors and values
// wherever the extended sums are exact, that is while they stay below 2^64; beyond that
// the fast sums are the more accurate ones.

#include <cstdint>

namespace processing {

//! The whole-matrix models of the flattening dialog.
enum class TSurfaceModel {
    Plane,      //!< Z = Ax + By + C
    ParabolaX,  //!< Z = Axx + Bx + C
    ParabolaY,  //!< Z = Ayy + By + C
    Paraboloid  //!< Z = Axx + Byy + Cx + Dy + Exy + F
};

//! The factors of a model in the order of its formula (the three-factor models use A, B, C).
struct TFactors {
    long double A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
    bool operator==(const TFactors&) const = default;
};

//! A background Z = Axx·x² + Byy·y² + Cx·x + Dy·y + Exy·x·y + F, every model's in one form.
struct TQuadric {
    long double Axx = 0, Byy = 0, Cx = 0, Dy = 0, Exy = 0, F = 0;
};

//! The least-squares factors of a model for a width × height matrix (row-major). Factors
//! that the matrix does not determine stay 0: the x slope of a plane on one column (the y
//! slope on one row); all three of a parabola whose determinant is 0 (one or two columns
//! for x, rows for y), and A and C when only B is determined; all six of a paraboloid on
//! fewer than three columns or rows, or whose determinant vanishes against the size of
//! the terms it is formed from, and those not yet solved at the first zero divisor of
//! its back-substitution. Zero factors for no values or sizes that are not positive.
//! `threads` 0 uses every core.
TFactors FitSurface(TSurfaceModel model, const std::int32_t* values, int width, int height,
                    unsigned threads = 0);
//! The plain twin of FitSurface: extended-precision sums point by point, one thread.
TFactors FitSurfacePlain(TSurfaceModel model, const std::int32_t* values, int width, int height);

//! The background of a model with the given factors.
TQuadric QuadricOf(TSurfaceModel model, const TFactors& factors);

//! Every value z becomes trunc(z − Axx·x² − Byy·y² − Cx·x − Dy·y − Exy·x·y − F), the terms
//! subtracted one after the other in this order (the zero terms of a model change nothing).
void SubtractQuadric(const TQuadric& background, std::int32_t* values, int width, int height,
                     unsigned threads = 0);
//! The plain twin of SubtractQuadric: the formula point by point, one thread.
void SubtractQuadricPlain(const TQuadric& background, std::int32_t* values, int width,
                          int height);

//! Each row loses its own least-squares line z = a·x + b: every value becomes
//! trunc(z − a·x − b). A row of one point has no slope (a = 0) and flattens to 0.
void FlattenLinesX(std::int32_t* values, int width, int height, unsigned threads = 0);
void FlattenLinesXPlain(std::int32_t* values, int width, int height);
//! Each column loses its own least-squares line z = a·y + b.
void FlattenLinesY(std::int32_t* values, int width, int height, unsigned threads = 0);
void FlattenLinesYPlain(std::int32_t* values, int width, int height);

}  // namespace processing
