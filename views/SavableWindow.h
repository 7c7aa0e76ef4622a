#pragma once
// What the main window's Save command asks of the active child window.

#include <string>

//! A child window that writes its picture or its report when the user saves with it active.
class TSavableWindow {
public:
    virtual ~TSavableWindow() = default;
    //! Writes the window's picture as a BMP file.
    virtual void SavePicture(const std::string& path) {}
    //! Appends the window's text report to the file.
    virtual void SaveReport(const std::string& path) {}
};
