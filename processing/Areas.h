#pragma once
// Areas of a surface: the nominal area of the scanned grid and the full area of the surface
// triangulated cell by cell.

#include <cstddef>
#include <cstdint>

namespace processing {

//! (width − 1) × (height − 1) × xStep × yStep: the area the grid spans; 0 for a grid one
//! point wide or high.
double NominalArea(int width, int height, double xStep, double yStep);

//! The area of the triangle with sides a, b and c by Heron's formula; a radicand that
//! rounding makes negative (a needle of a triangle) gives 0.
double HeronArea(double a, double b, double c);

//! The area of the surface z = raw value × zScale over the grid of width × height values
//! (row-major): every cell split into two triangles along its diagonal from (row, column)
//! to (row + 1, column + 1), the area of each by Heron's formula. 0 without cells (a matrix
//! one value wide or high) or without values. Each edge is computed once (a cell shares
//! its sides with its neighbours); bands of rows run on up to `threads` threads (0: every
//! core) and their sums are added in the order of the bands, so that the result does not
//! depend on the number of threads; it differs from FullAreaPlain only in the order of the
//! additions.
double FullArea(const std::int32_t* values, int width, int height, double xStep, double yStep,
                double zScale, unsigned threads = 0);

//! FullArea cell by cell: the five edges of each cell, both triangles added to one sum in
//! double precision, row by row.
double FullAreaPlain(const std::int32_t* values, int width, int height, double xStep, double yStep,
                     double zScale);

//! For tests: the square roots of n values as FullArea takes those of its triangles on this
//! processor (with AVX-512 partly on the multiply-add units), each to be the same to the last
//! bit as std::sqrt's.
void AreaRootsForTesting(const double* x, std::size_t n, double* roots);

//! nominal / full; 0 when the full area is 0.
double AreaRatio(double nominal, double full);

}  // namespace processing
