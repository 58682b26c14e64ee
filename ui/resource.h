#pragma once

// Resource and control ids, shared by the resource script and the code.
#define IDD_MAIN 101
#define IDI_MAIN 104
#define IDC_RUNNING 1001
#define IDC_LATEST 1002
#define IDC_STATUS 1003
