#pragma once
// Small helpers of the component tests: a control that counts its compositions, and a
// recorder of the change notices of a chart part.

#include <QObject>
#include <vector>

#include "components/ZtChartClasses.h"

namespace componentfixtures {

//! A Zt control that counts how often it composed its picture.
template <typename Control> class Counting : public Control {
public:
    Counting()
    {
        this->OnPaint = [this](QObject*) { ++Paints; };
    }
    //! Ends the setting up as a form does: loaded and repainting on every change; no
    //! composition counted yet.
    void Load()
    {
        this->Loaded();
        this->SetAutoRefresh(true);
        Paints = 0;
    }
    int Paints = 0;
};

//! Records the change notices of a chart part, with their senders.
struct Notices {
    void Watch(TZtChartPart& part)
    {
        part.OnChange = [this](const void* sender) { Senders.push_back(sender); };
    }
    std::vector<const void*> Senders;
};

} // namespace componentfixtures
