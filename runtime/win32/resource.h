#pragma once

// Resource identifiers, shared by tarvelin.rc and the program.
#define IDI_TARVELIN 1
#define IDB_BACKGROUND 101
#define IDB_HIGHLIGHT 102
