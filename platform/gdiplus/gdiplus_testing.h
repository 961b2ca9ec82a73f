#pragma once
// Fault injection for tests of what the demo does when GDI+ cannot start.

// While set, GdiplusStartup fails with GenericError.
void gdiplusRefuseStartup(bool refuse);
