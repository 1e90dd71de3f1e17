#pragma once

namespace FreeMemory {

// Asks the C library to hand freed heap pages back to the system. glibc keeps
// them otherwise: after a big report is closed, the tray program would go on
// holding hundreds of megabytes it no longer uses. Does nothing elsewhere.
void returnToSystem();

} // namespace FreeMemory
