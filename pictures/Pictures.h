#pragma once
// The program's tool-bar pictures, Qt resources under ":/toolbar/" (drawn by draw.py).

//! Registers the pictures with Qt's resource system; once per run, later calls do nothing.
void RegisterPictures();
