#pragma once
// The system clipboard for pictures.

namespace platform {

class TBitmap;

//! Puts a copy of the bitmap's picture on the system clipboard; false for an empty
//! bitmap or when no application (and so no clipboard) exists.
bool CopyToClipboard(const TBitmap& bitmap);

} // namespace platform
