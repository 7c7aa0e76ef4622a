#pragma once
// The class library's pen, brush and font objects: settings that controls own and share
// with a canvas, each reporting every change (a setter, also with the same value, and
// every Assign) through OnChange.

#include <functional>

#include "platform/gui/Canvas.h"

namespace platform {

//! A change notice; Sender is the object that changed (only its identity matters).
using TChangeEvent = std::function<void(const void* Sender)>;

//! A drawing setting of type T that reports its changes.
template <typename T> class TGraphicsObject {
public:
    TGraphicsObject() = default;
    explicit TGraphicsObject(const T& value) : value_(value) {}
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    virtual ~TGraphicsObject() = default;

    //! The setting as a canvas takes it (canvas->Pen = pen->Value()).
    const T& Value() const { return value_; }
    void SetValue(const T& value)
    {
        value_ = value;
        Changed();
    }
    //! Takes Source's setting; reports a change also when nothing differs.
    void Assign(const TGraphicsObject& Source) { SetValue(Source.value_); }

    TChangeEvent OnChange;

protected:
    //! Changes the setting through `change` and reports it.
    template <typename F> void Modify(F&& change)
    {
        change(value_);
        Changed();
    }

private:
    void Changed()
    {
        if (OnChange)
            OnChange(this);
    }
    T value_{};
};

class TPenObject : public TGraphicsObject<TPen> {
public:
    using TGraphicsObject::TGraphicsObject;
    TColor Color() const { return Value().Color; }
    int Width() const { return Value().Width; }
    TPenStyle Style() const { return Value().Style; }
    TPenMode Mode() const { return Value().Mode; }
    void SetColor(TColor v)
    {
        Modify([v](TPen& p) { p.Color = v; });
    }
    void SetWidth(int v)
    {
        Modify([v](TPen& p) { p.Width = v; });
    }
    void SetStyle(TPenStyle v)
    {
        Modify([v](TPen& p) { p.Style = v; });
    }
    void SetMode(TPenMode v)
    {
        Modify([v](TPen& p) { p.Mode = v; });
    }
};

class TBrushObject : public TGraphicsObject<TBrush> {
public:
    using TGraphicsObject::TGraphicsObject;
    TColor Color() const { return Value().Color; }
    TBrushStyle Style() const { return Value().Style; }
    void SetColor(TColor v)
    {
        Modify([v](TBrush& b) { b.Color = v; });
    }
    void SetStyle(TBrushStyle v)
    {
        Modify([v](TBrush& b) { b.Style = v; });
    }
};

class TFontObject : public TGraphicsObject<TFont> {
public:
    using TGraphicsObject::TGraphicsObject;
    const std::string& Name() const { return Value().Name; }
    int Height() const { return Value().Height; }
    int Size() const { return Value().Size(); }
    TColor Color() const { return Value().Color; }
    std::uint8_t Style() const { return Value().Style; }
    //! The face name, Windows-1251.
    void SetName(const std::string& v)
    {
        Modify([&v](TFont& f) { f.Name = v; });
    }
    void SetHeight(int v)
    {
        Modify([v](TFont& f) { f.Height = v; });
    }
    //! The size in points at 96 pixels per inch.
    void SetSize(int points)
    {
        Modify([points](TFont& f) { f.SetSize(points); });
    }
    void SetColor(TColor v)
    {
        Modify([v](TFont& f) { f.Color = v; });
    }
    //! TFontStyle flags.
    void SetStyle(std::uint8_t v)
    {
        Modify([v](TFont& f) { f.Style = v; });
    }
};

//! The setter of an owned pen, brush or font: the object held copies Value unless Value is
//! that object; null is ignored.
template <typename T> void CopyInto(T& Held, const T* Value)
{
    if (Value && Value != &Held)
        Held.Assign(*Value);
}

} // namespace platform
