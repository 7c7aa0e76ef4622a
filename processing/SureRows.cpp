#include "processing/SureRows.h"

namespace processing {

MORVANE_CLONES
void SureAffineRow(std::int32_t* values, int n, const double* p, const double* q, double t,
                   double c, double size, std::vector<TUnsurePoint>& unsure)
{
    SureRow(
        values, n, unsure,
        [&](int j, std::int32_t* out) MORVANE_INLINE {
            V4i old;
            V4d pv, qv;
            __builtin_memcpy(&old, values + j, sizeof old);
            __builtin_memcpy(&pv, p + j, sizeof pv);
            __builtin_memcpy(&qv, q + j, sizeof qv);
            const V4d z = __builtin_convertvector(old, V4d);
            return SureRawValues4(z - pv - qv * t - c, (z < 0 ? -z : z) + size, out, false);
        },
        [&](int j, std::int32_t& raw) MORVANE_INLINE {
            const double z = values[j];
            return SureRawValue(z - p[j] - q[j] * t - c, std::fabs(z) + size, raw);
        });
}

double LargestMagnitude(const double* v, std::size_t n)
{
    double largest = 0;
    for (std::size_t i = 0; i < n; ++i)
        largest = std::max(largest, std::fabs(v[i]));
    return largest;
}

}  // namespace processing
