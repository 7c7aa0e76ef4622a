#pragma once
// The unsigned SPM0 matrix component that Travine's window keeps its four images in: the
// operations of TDataspmT with unsigned 16-bit values, the mean of the values, point and
// profile access, copying and the picture rebuilt from the values.

#include <cstdint>
#include <string>

#include "plugins/travine/Dataspm.h"

namespace travine {

class TDataspm16 : public TDataspmT<std::uint16_t> {
public:
    //! The mean of the values, as whoever filled the component computed it.
    double Mean() const { return mean_; }
    void SetMean(double mean) { mean_ = mean; }

    //! The value of point (x, y); 0 while inactive and outside the matrix.
    std::uint16_t GetDataPoint(int x, int y) const;
    //! Every point becomes the value (nothing without a block).
    void FillMatrixBy(std::uint16_t value);
    //! The mean of column x (its my values); 0 while inactive, outside or without points.
    double MeanProfX(int x) const;
    //! The mean of row y (its mx values); 0 while inactive, outside or without points.
    double MeanProfY(int y) const;
    //! Empties the picture, sizes it to mx x my and paints every point.
    void ReCalcBMP();
    //! Adopts a block the caller filled (mx x my values); the old block is freed.
    void Set_hgData(TBlock&& block);
    //! Makes this component a copy of `source`: its settings, header image (without the
    //! file name and the unit and version texts), mean and values, and repaints the
    //! picture. False when the block cannot be had.
    bool Copy(const TDataspm16& source);
    //! Shifts every value right by `shift` bits in place (the component keeps them so),
    //! then writes the file as SaveData does. A shift of 16 or more leaves zeros; a
    //! negative shift none.
    bool SaveData(const std::string& fileName, int shift);
    using TDataspmT<std::uint16_t>::SaveData;
};

} // namespace travine
