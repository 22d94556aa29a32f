// How many GDI and USER objects this process holds. Windows reports both
// (GetGuiResources); Wine answers 0 for both, so where the report is 0 they
// are counted by probing the handle tables. Shared by the leak tests and the
// benchmarks.
#pragma once

#include <windows.h>

namespace guiobjects {

// The number GetGuiResources reports, or the probed count where it reports 0.
long CountGdiObjects();
long CountUserObjects();

// Every slot of the GDI handle table that holds an object (GetObjectType).
long ProbeGdiHandleTable();
// Every slot of the USER handle table that holds a window of this process
// (IsWindow), a menu (IsMenu), or a cursor or icon (GetIconInfo).
long ProbeUserHandleTable();

}  // namespace guiobjects
