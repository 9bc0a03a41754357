#pragma once
// Resource numbers of BLIMO.exe.
#define IDI_APP 1
#define IDI_ON 101
#define IDI_OFF 102
#define IDB_GREEN 201
#define IDB_RED 202
#define IDI_DOWNLOADER 301
