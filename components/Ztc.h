#pragma once
// The point of line series and dashed curves, and the table of the library's controls.

#include <functional>
#include <string>
#include <vector>

class QObject;
class QWidget;

//! A point of two doubles, ordered by x alone: a < b exactly when a.x < b.x, so two points
//! with equal x are equivalent in an ordered set whatever their y.
struct TDPoint {
    double x = 0;
    double y = 0;
    //! Both coordinates equal (not the set's equivalence).
    bool operator==(const TDPoint&) const = default;
};

inline bool operator<(const TDPoint& a, const TDPoint& b)
{
    return a.x < b.x;
}

namespace Ztc {

//! One control class of the library as the form designer lists it: its class name, its
//! palette page, and how to create one (with an owner widget, which may be null); Create
//! is empty for a class that this program does not build.
struct TRegisteredClass {
    std::string Name;
    std::string Page;
    std::function<QObject*(QWidget* Owner)> Create;
};

//! The library's control classes on the page "Zt Components", in the designer's order.
std::vector<TRegisteredClass> Register();

} // namespace Ztc
